// A sheet whose texts are markup and path tricks: every window shows them as they are, nothing
// reads the files the markup points at, and opening it takes no longer than any other sheet.
#include "app/MainWindow.h"
#include "app/SheetFiles.h"
#include "export/ExportDialog.h"
#include "testsupport/MainWindowFixture.h"
#include "testsupport/FileWatch.h"
#include "testsupport/ModalAnswer.h"
#include "testsupport/PlainTextCheck.h"
#include "testsupport/TempFolder.h"
#include "ui/AlertPrompt.h"
#include "ui/ErrorBox.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class HostileTextTest : public TMainWindowFixture {
protected:
    HostileTextTest() {
        WriteText(Outside / "bait.png", "a file no window may read");
        const std::string bait = "<img src='" + (Outside / "bait.png") + "'>";
        Trick = bait + "<b><font size=7>DELETE ALL</font></b>";
        std::filesystem::create_directories(Files / "<i>ink<i>");
        WriteText(User / "Celwright/3.0/celwright.ini", "[capture devices]\ntest camera=1\n");
        Sheet = Files / "scene.xps";
        WriteText(Sheet, "<xsheet version=\"4.0\">\r\n<settings>\r\n\t<fps>12</fps>\r\n</settings>\r\n"
                         "<audio>\r\n\t<audiofile>" + (Files / "<b>voice</b>") + bait + ".wav</audiofile>\r\n"
                         "\t<phonemes>\r\n\t\t<phoneme row=\"1\">" + Trick + "</phoneme>\r\n\t</phonemes>\r\n"
                         "</audio>\r\n<layers cols=\"2\">\r\n"
                         "\t<layer col=\"1\" caption=\"" + Trick + "\" dir=\"" + (Files / "<i>ink<i>/") +
                         "\" color=\"0\" visible=\"1\">\r\n"
                         "\t\t<cel col=\"1\" row=\"1\" duration=\"2\"><img src=bait.png></cel>\r\n"
                         "\t\t<cel col=\"1\" row=\"3\" duration=\"1\">" + bait + "</cel>\r\n"
                         "\t</layer>\r\n"
                         "\t<layer col=\"2\" caption=\"../../escaped\" dir=\"" + (Files / "../") +
                         "\" color=\"0\" visible=\"1\">\r\n"
                         "\t\t<cel col=\"2\" row=\"1\" duration=\"3\">../../victim.png</cel>\r\n"
                         "\t</layer>\r\n</layers>\r\n</xsheet>\r\n");
        ErrorBoxOverride() = [this](const QString& text) { Errors << text; };
    }
    ~HostileTextTest() override { ErrorBoxOverride() = nullptr; }

    // Goes on past the list of missing drawings once it is checked.
    void AnswerMissingDrawings() {
        WhenShown<TAlertPrompt>([this](TAlertPrompt& prompt) {
            ExpectPlain("missing drawings");
            prompt.PosBtn->click();
        });
    }

    // Checks the windows now, naming the step.
    void ExpectPlain(const char* step) {
        const QStringList found = RichRenderings();
        EXPECT_TRUE(found.isEmpty()) << step << ":\n" << found.join("\n").toStdString();
    }

    TTempFolder Files, Outside;
    std::string Sheet, Trick;
    QStringList Errors;
};

} // namespace

TEST_F(HostileTextTest, EveryWindowShowsTheSheetsTextsAsTheyAre) {
    const TFileWatch watch(Outside / "bait.png");
    auto window = NewWindow();
    window->resize(1800, 900); // wide enough to show the layer's line whole
    window->show();
    QElapsedTimer clock;
    clock.start();
    window->Files().OpenDocument(QString::fromStdString(Sheet));
    QTest::qWait(50);
    EXPECT_LT(clock.elapsed(), 5000) << "opening the sheet";
    ASSERT_EQ(window->Sheet().LayerCaption(1), Trick);
    ExpectPlain("main window");

    WhenShown<QDialog>([&](QDialog& properties) {
        ExpectPlain("layer properties");
        properties.reject();
    });
    Part(*window, "EditLayerPropertiesAction")->trigger();

    // The cel's drawing is missing: the alert names it and its folder.
    WhenShown<TAlertPrompt>([&](TAlertPrompt& alert) {
        ExpectPlain("missing drawing");
        alert.reject();
    });
    window->Sheet().Document().MoveCursorTo(1, 3);
    Part(*window, "RenameImageAction")->trigger();

    for (const char* command : {"VideoCaptureAction", "PreviewAction", "ImportImagesAction", "AdjustVolumeAction"}) {
        window->Settings().Current.Preview.AutoBuild = false;
        window->Sheet().Document().MoveCursorTo(1, 1);
        // The sheet's drawings are missing: their list comes first, names as they are.
        if (std::string(command) == "PreviewAction")
            AnswerMissingDrawings();
        Part(*window, command)->trigger();
        QTest::qWait(100);
        ExpectPlain(command);
    }
    AnswerMissingDrawings();
    WhenShown<TExportDialog>([&](TExportDialog& exporting) {
        ExpectPlain("export");
        exporting.reject();
    });
    Part(*window, "ExportAction")->trigger();

    // The standard error box names the file as it is.
    ErrorBoxOverride() = nullptr;
    WhenShown<QMessageBox>([&](QMessageBox& box) {
        ExpectPlain("error box");
        box.button(QMessageBox::Ok)->click();
    });
    ShowErrorBox(window.get(), QString::fromStdString("Cannot read \"" + Trick + "\"."));

    EXPECT_EQ(watch.Events(), 0) << "a window read the file the markup names";
    EXPECT_FALSE(std::filesystem::exists(Files / "../../escaped_0001.png"));
}
