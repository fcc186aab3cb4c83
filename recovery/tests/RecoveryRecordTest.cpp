#include "recovery/RecoveryRecord.h"

#include "document/SheetDocument.h"
#include "document/SheetLoading.h"
#include "document/XpsFile.h"
#include "testsupport/TempFolder.h"

#include <gtest/gtest.h>

namespace {
void MakeSheet(TSheetDocument& sheet) {
    sheet.AddLayer("Walk", "/w/", {});
    sheet.AddLayer("Ink", "/i/", {});
    sheet.PlaceCelAt(1, 1, "walk_0001.png", 3);
    sheet.PlaceCelAt(2, 5, "ink_0005.png", 2);
    sheet.SetPhoneme(2, "oh");
}
} // namespace

TEST(RecoveryRecord, OpensAsTheSheetItHoldsAndKeepsItsInfo) {
    TTempFolder folder;
    TSheetDocument sheet;
    MakeSheet(sheet);
    const std::string sheetText = TXpsFile::SheetText(sheet, TXpsSettings{});
    const auto changed = std::chrono::system_clock::from_time_t(1'797'000'000);
    const TRecoveryInfo cases[] = {
        {"/home/ann/walk/walk.xps", changed, 2, 5, true},
        {"", changed, 0, 0, false}, // a sheet without a file yet
        {"/tmp/a\nb.xps", changed, 1, 1, false},
    };
    for (const TRecoveryInfo& info : cases) {
        SCOPED_TRACE(info.SheetPath);
        const std::string record = folder / "r.record";
        WriteText(record, RecordText(info, sheetText));

        TRecoveryInfo expected = info;
        std::replace(expected.SheetPath.begin(), expected.SheetPath.end(), '\n', ' ');
        EXPECT_EQ(ReadRecoveryInfo(record), expected);

        TSheetDocument loaded;
        TXpsSettings settings;
        LoadSheet(loaded, record, settings);
        EXPECT_EQ(TXpsFile::SheetText(loaded, TXpsSettings{}), sheetText);
    }
}

TEST(RecoveryRecord, ASheetIsNoRecord) {
    TTempFolder folder;
    TSheetDocument sheet;
    MakeSheet(sheet);
    WriteText(folder / "walk.xps", TXpsFile::SheetText(sheet, TXpsSettings{}));
    EXPECT_THROW(ReadRecoveryInfo(folder / "walk.xps"), ECwError);
    EXPECT_THROW(ReadRecoveryInfo(folder / "missing.record"), ECwError);
}

TEST(RecoveryRecord, TimesAreUtcToTheSecond) {
    EXPECT_EQ(IsoTime(std::chrono::system_clock::from_time_t(0)), "1970-01-01T00:00:00Z");
    EXPECT_EQ(IsoTime(std::chrono::system_clock::from_time_t(1'797'000'000) + std::chrono::milliseconds(900)),
              "2026-12-11T14:40:00Z");
}
