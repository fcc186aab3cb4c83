#include "document/SheetDocument.h"
#include "document/SheetLoading.h"
#include "document/XpsFile.h"
#include "recovery/RecoveryFolder.h"
#include "testsupport/CliFixture.h"

namespace fs = std::filesystem;

namespace {
class RecoverCommandTest : public TCliFixture {
protected:
    RecoverCommandTest() {
        ::setenv("XDG_STATE_HOME", State.Path().c_str(), 1);
        Folder = RecoveryFolder();
        fs::create_directories(Folder);
        TSheetDocument sheet;
        sheet.AddLayer("Ink", "/ink/", {});
        sheet.PlaceCelAt(1, 2, "ink_0002.png", 3);
        SheetText = TXpsFile::SheetText(sheet, TXpsSettings{});
    }
    ~RecoverCommandTest() override { ::unsetenv("XDG_STATE_HOME"); }

    fs::path Record(const std::string& key, const std::string& sheet, std::time_t changed) {
        const fs::path record = Folder / (key + ".record");
        WriteText(record, RecordText({sheet, std::chrono::system_clock::from_time_t(changed)}, SheetText));
        return record;
    }

    TTempFolder State;
    fs::path Folder;
    std::string SheetText;
};
} // namespace

TEST_F(RecoverCommandTest, ListsTheRecordsNewestFirst) {
    EXPECT_EQ(Run({"recover", "--list"}), 0);
    EXPECT_EQ(Out.str(), "");
    const fs::path named = Record("a", "/home/ann/walk.xps", 1'797'000'000);
    const fs::path unnamed = Record("b", "", 1'797'000'060);
    WriteText(Folder / "notes.txt", "not a record");
    EXPECT_EQ(Run({"recover", "--list"}), 0) << Err.str();
    EXPECT_EQ(Out.str(), unnamed.string() + "\tunnamed\t2026-12-11T14:41:00Z\n" + named.string() +
                             "\t/home/ann/walk.xps\t2026-12-11T14:40:00Z\n");
}

TEST_F(RecoverCommandTest, WritesARecordOutAsASheetAndRefusesOtherFiles) {
    const fs::path record = Record("a", "/home/ann/walk.xps", 1'797'000'000);
    const std::string out = Files / "rescued.xps";
    EXPECT_EQ(Run({"recover", record.string(), out}), 0) << Err.str();
    TSheetDocument rescued;
    TXpsSettings settings;
    LoadSheet(rescued, out, settings);
    EXPECT_EQ(TXpsFile::SheetText(rescued, TXpsSettings{}), SheetText);
    EXPECT_EQ(ReadText(out).find("<recovery>"), std::string::npos);
    EXPECT_TRUE(fs::exists(record));

    // A sheet is no record: nothing is written.
    const std::string other = Files / "other.xps";
    EXPECT_EQ(Run({"recover", out, other}), 1);
    EXPECT_EQ(Err.str(), "\"" + out + "\" is no recovery record.\n");
    EXPECT_FALSE(fs::exists(other));

    EXPECT_EQ(Run({"recover"}), 2);
    EXPECT_EQ(Run({"recover", "--all", out}), 2);
}
