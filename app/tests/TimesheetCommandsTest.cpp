// File > Export > Timesheet... and File > Import > Timesheet... on the sample sheet, and the print
// command's refusal to write over the sheet.
#include "app/MainWindow.h"
#include "app/SheetFiles.h"
#include "sheetview/SheetView.h"
#include "testsupport/MainWindowFixture.h"
#include "testsupport/ModalAnswer.h"
#include "testsupport/TempFolder.h"
#include "ui/AlertPrompt.h"
#include "ui/ErrorBox.h"
#include "ui/TextLabel.h"

#include <QAction>
#include <QPushButton>
#include <QPrinterInfo>
#include <filesystem>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {
class TimesheetCommandsTest : public TMainWindowFixture {
protected:
    TimesheetCommandsTest() {
        ErrorBoxOverride() = [this](const QString& text) { Errors.append(text); };
        Window = NewWindow();
        // A copy of the sample sheet, so the test's folder is the sheet's.
        fs::copy_file(CELWRIGHT_SAMPLE_SHEET, Files / "bounce.xps");
        Window->Files().OpenDocument(QString::fromStdString(Files / "bounce.xps"));
    }
    ~TimesheetCommandsTest() override { ErrorBoxOverride() = nullptr; }

    // Answers the next alert with OK and returns its message.
    QString* WatchAlert() {
        auto* message = new QString;
        Alerts.emplace_back(message);
        WhenShown<TAlertPrompt>([message](TAlertPrompt& prompt) {
            *message = prompt.MsgLbl->text();
            prompt.PosBtn->click();
        });
        return message;
    }

    TTempFolder Files;
    QStringList Errors;
    std::vector<std::unique_ptr<QString>> Alerts;
    std::unique_ptr<TMainWindow> Window;
};
} // namespace

TEST_F(TimesheetCommandsTest, ExportedTimesheetImportsAsANewSheetOfTheNumberedDrawings) {
    QString folder, name;
    Window->Files().AskSaveFile = [&](const QString& in, const QString& suggested, const QString&) {
        folder = in;
        name = suggested;
        return QString::fromStdString(Files / "bounce.xdts");
    };
    const QString* leftOut = WatchAlert();
    Part(*Window, "ExportTimesheetAction")->trigger();
    EXPECT_TRUE(Errors.isEmpty()) << Errors.join("\n").toStdString();
    EXPECT_EQ(folder.toStdString(), Files / "");
    EXPECT_EQ(name, "bounce.xdts");
    EXPECT_TRUE(leftOut->startsWith("These cels have no number at the end of their names and were left out of " +
                                    QString::fromStdString(Files / "bounce.xdts") + ":\nfloor.png, layer 1, frame 1: "
                                                                                   "no number at the end of its name"))
        << leftOut->toStdString();
    EXPECT_FALSE(Window->Files().Modified());

    Window->Files().AskOpenFile = [&](const QString&, const QString& filter) {
        EXPECT_EQ(filter, "XDTS Timesheet (*.xdts)");
        return QString::fromStdString(Files / "bounce.xdts");
    };
    Part(*Window, "ImportTimesheetAction")->trigger();
    EXPECT_TRUE(Errors.isEmpty()) << Errors.join("\n").toStdString();
    const TSheetView& sheet = Window->Sheet();
    ASSERT_EQ(sheet.Document().LayerCount(), 2);
    EXPECT_EQ(sheet.Document().LayerCaption(2), "Ball");
    EXPECT_EQ(sheet.Document().LayerFolder(2), Files / "Ball/");
    EXPECT_EQ(sheet.Document().CelName(2, 1), "Ball_0001.png");
    EXPECT_EQ(sheet.Document().CelName(1, 1), "");
    EXPECT_TRUE(Window->Files().DocumentName().isEmpty());
    EXPECT_TRUE(Window->Files().Modified());
}

TEST_F(TimesheetCommandsTest, ABrokenTimesheetLeavesTheOpenSheetAlone) {
    WriteText(Files / "broken.xdts", "exchangeDigitalTimeSheet Save Data\n{\"timeTables\": 5}");
    Window->Files().AskOpenFile = [&](const QString&, const QString&) {
        return QString::fromStdString(Files / "broken.xdts");
    };
    Part(*Window, "ImportTimesheetAction")->trigger();
    EXPECT_EQ(Errors, QStringList{QString::fromStdString(Files / "broken.xdts" +
                                                         ": This is no timesheet: it holds no time table.")});
    EXPECT_EQ(Window->Files().DocumentName(), "bounce.xps");
    EXPECT_EQ(Window->Sheet().Document().CelName(1, 1), "floor.png");
}

TEST_F(TimesheetCommandsTest, PrintAndExportRefuseToWriteOverTheSheet) {
    const std::string before = ReadText(Files / "bounce.xps");
    Window->Files().AskSaveFile = [&](const QString&, const QString&, const QString&) {
        return QString::fromStdString(Files / "bounce.xps");
    };
    Part(*Window, "ExportTimesheetAction")->trigger();
    if (QPrinterInfo::availablePrinters().isEmpty())
        Part(*Window, "PrintAction")->trigger();
    ASSERT_FALSE(Errors.isEmpty());
    EXPECT_EQ(Errors[0].toStdString(), Files / "bounce.xps" +
                                           " is the sheet, its sound file or one of its drawings and is not "
                                           "written over. Choose another file.");
    for (const QString& error : Errors.mid(1))
        EXPECT_EQ(error.toStdString(), "Cannot write \"" + Files / "bounce.xps" + "\": it is the sheet itself.");
    EXPECT_EQ(ReadText(Files / "bounce.xps"), before);
}
