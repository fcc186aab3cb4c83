#include "document/TimesheetExchange.h"

#include "document/SheetDocument.h"
#include "document/SheetLoading.h"
#include "document/XpsFile.h"
#include "testsupport/TempFolder.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

// The sheet's cels as "LAYER:FRAME+HOLD=NAME" joined by blanks.
std::string Cels(const TSheetDocument& doc) {
    std::string text;
    for (std::int32_t layer = 1; layer <= doc.LayerCount(); ++layer) {
        for (std::int32_t frame = 1; frame <= doc.FrameCount(); ++frame) {
            const TCel* cel = doc.CelAt(layer, frame);
            if (cel && cel->Row == frame - 1)
                text += (text.empty() ? "" : " ") + std::to_string(layer) + ":" + std::to_string(frame) + "+" +
                        std::to_string(cel->Duration) + "=" + cel->Name;
        }
    }
    return text;
}

} // namespace

TEST(TimesheetExchange, NamingRule) {
    struct Case {
        const char* cel;
        const char* number;
    };
    for (const Case& c : {Case{"Anim_0007.png", "7"}, Case{"Anim_0012a.png", "12a"}, Case{"Anim_0000.jpg", "0"},
                          Case{"take2_0100.bmp", "100"}, Case{"A7", "7"}, Case{"walk.png", ""},
                          Case{"Anim_0012A.png", ""}, Case{"Anim_0012ab.png", ""}, Case{"Anim_12345678901.png", ""}})
        EXPECT_EQ(CelDrawingNumber(c.cel), c.number) << c.cel;

    EXPECT_EQ(ColumnFolderName("Anim", 0), "Anim");
    EXPECT_EQ(ColumnFolderName("../up", 0), ".._up");
    EXPECT_EQ(ColumnFolderName("..", 2), "Column 3");
    EXPECT_EQ(ColumnFolderName("", 0), "Column 1");
    EXPECT_EQ(ColumnFolderName("Say \"Hi\"\n", 0), "Say 'Hi'_");

    TTempFolder folder;
    fs::create_directory(folder / "Anim");
    WriteText(folder / "Anim/Anim_0012a.jpg", "");
    EXPECT_EQ(DrawingCelName(folder / "Anim", "Anim", "7", TcwImageFormat::png), "Anim_0007.png");
    EXPECT_EQ(DrawingCelName(folder / "Anim", "Anim", "12a", TcwImageFormat::png), "Anim_0012a.jpg");
    EXPECT_EQ(DrawingCelName(folder / "Anim", "Anim", "12345", TcwImageFormat::bmp), "Anim_12345.bmp");
}

TEST(TimesheetExchange, RoundTripKeepsEveryNumberedCel) {
    TTempFolder folder;
    TSheetDocument doc;
    doc.SetUpdateMode(TSheetDocument::TUpdateMode::Bulk);
    doc.AddLayer("Anim", folder / "Anim/", doc.DefaultColors);
    doc.AddLayer("BG", folder / "BG/", doc.DefaultColors);
    doc.PlaceCelAt(1, 1, "Anim_0001.png", 2);
    doc.PlaceCelAt(1, 3, "Anim_0002a.png", 3);
    doc.PlaceCelAt(1, 9, "Anim_0003.png", 1);
    doc.PlaceCelAt(2, 2, "BG_0010.png", 10);
    doc.PlaceCelAt(2, 14, "sky.png", 2);
    const std::string sheetPath = folder / "scene.xps";
    TXpsFile::SaveSheet(sheetPath, doc, TXpsSettings{});

    TSheetDocument opened;
    TXpsSettings settings;
    LoadSheet(opened, sheetPath, settings);
    std::vector<TTimesheetLeftOut> leftOut;
    ExportTimesheet(opened, folder / "scene.xdts", leftOut);
    ASSERT_EQ(leftOut.size(), 1u);
    EXPECT_EQ(DescribeTimesheetLeftOut(leftOut[0]), "sky.png, layer 2, frame 14: no number at the end of its name");
    EXPECT_FALSE(fs::exists(folder / "scene.xdts.tmp"));

    TSheetDocument imported;
    imported.SetUpdateMode(TSheetDocument::TUpdateMode::Bulk);
    leftOut.clear();
    ImportTimesheet(imported, folder / "scene.xdts", folder.Path(), TcwImageFormat::png, leftOut);
    EXPECT_TRUE(leftOut.empty());
    TXpsFile::SaveSheet(folder / "again.xps", imported, TXpsSettings{});
    TSheetDocument again;
    LoadSheet(again, folder / "again.xps", settings);
    EXPECT_EQ(Cels(again), "1:1+2=Anim_0001.png 1:3+3=Anim_0002a.png 1:9+1=Anim_0003.png 2:2+10=BG_0010.png");
    EXPECT_EQ(again.LayerFolder(1), folder / "Anim/");
    EXPECT_EQ(again.LayerCaption(2), "BG");
    EXPECT_EQ(again.FrameCount(), opened.FrameCount());
}

TEST(TimesheetExchange, ImportListsOddValuesAndRefusesBrokenFiles) {
    TTempFolder folder;
    WriteText(folder / "odd.xdts", "exchangeDigitalTimeSheet Save Data\n"
                                   R"({"timeTables":[{"duration":50,"fields":[{"fieldId":0,"tracks":[{"trackNo":0,"frames":[
                 {"frame":0,"data":[{"id":0,"values":["1"]}]},{"frame":4,"data":[{"id":0,"values":["X"]}]}]}]}],
                 "timeTableHeaders":[{"fieldId":0,"names":["../Anim"]}]}],"version":5})");
    TSheetDocument doc;
    doc.SetUpdateMode(TSheetDocument::TUpdateMode::Bulk);
    std::vector<TTimesheetLeftOut> leftOut;
    ImportTimesheet(doc, folder / "odd.xdts", folder.Path(), TcwImageFormat::jpg, leftOut);
    EXPECT_EQ(Cels(doc), "1:1+4=.._Anim_0001.jpg");
    EXPECT_EQ(doc.LayerFolder(1), folder / ".._Anim/");
    EXPECT_EQ(doc.LayerCaption(1), "../Anim");
    EXPECT_GE(doc.FrameCount(), 50);
    ASSERT_EQ(leftOut.size(), 1u);
    EXPECT_EQ(DescribeTimesheetLeftOut(leftOut[0]), "X, layer 1, frame 5: names no drawing");

    WriteText(folder / "broken.xdts", "exchangeDigitalTimeSheet Save Data\n{");
    for (const char* name : {"broken.xdts", "missing.xdts"}) {
        try {
            ImportTimesheet(doc, folder / name, folder.Path(), TcwImageFormat::png, leftOut);
            ADD_FAILURE() << name;
        } catch (const ECwError& error) {
            EXPECT_TRUE(std::string(error.what()).starts_with(folder / name + ": ")) << error.what();
        }
        EXPECT_EQ(Cels(doc), "1:1+4=.._Anim_0001.jpg") << name;
    }
}
