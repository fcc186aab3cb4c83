#include "app/ElidedLabel.h"
#include "app/ImageViewer.h"
#include "ui/ErrorBox.h"
#include "ui/AlertPrompt.h"
#include "ui/EntryDialog.h"
#include "DialogScript.h"
#include "app/MainWindow.h"
#include "base/TextUtil.h"
#include "scanner/ScannerWindow.h"
#include "sheetview/SheetView.h"
#include "testsupport/TempFolder.h"
#include "testsupport/MainWindowFixture.h"
#include "testsupport/ModalAnswer.h"
#include "ui/TextLabel.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {
const QString kSampleSheet = CELWRIGHT_SAMPLE_SHEET;

// A main window on a fresh user folder, with the program's own languages.
class MainWindowTest : public TMainWindowFixture {
protected:
    MainWindowTest() {
        ErrorBoxOverride() = [this](const QString& text) { Errors.append(text); };
    }
    ~MainWindowTest() override { ErrorBoxOverride() = nullptr; }

    std::unique_ptr<TMainWindow> MakeWindow() {
        auto window = NewWindow();
        window->Files().AskSaveFile = [this](const QString&, const QString&, const QString&) { return SavePath; };
        window->Files().AskOpenFile = [this](const QString&, const QString&) { return OpenPath; };
        return window;
    }

    // Answers the alert prompt that is about to open with one of its buttons.
    static void Answer(TMainWindow& window, QPushButton* TAlertPrompt::*button) {
        QTimer::singleShot(0, &window, [&window, button] { (window.findChild<TAlertPrompt*>()->*button)->click(); });
    }

    TTempFolder Files;
    QStringList Errors;
    QString SavePath;
    QString OpenPath;
};
} // namespace

TEST_F(MainWindowTest, StartsUntitledInEnglishWithNothingToUndo) {
    auto window = MakeWindow();
    EXPECT_EQ(window->windowTitle(), "Celwright 3.0Beta_050529 - Untitled[*]");
    EXPECT_EQ(window->Language(), "English");
    EXPECT_TRUE(window->Files().RecentFiles().isEmpty());
    EXPECT_EQ(Part<QMenu>(*window, "FileMenu")->title(), "File");
    EXPECT_FALSE(Part(*window, "UndoAction")->isEnabled());
    EXPECT_FALSE(Part(*window, "PasteAction")->isEnabled());
    EXPECT_FALSE(Part(*window, "AddTenFramesAction")->isEnabled());
    EXPECT_TRUE(Part(*window, "Fps24Action")->isChecked());
    EXPECT_TRUE(Part(*window, "DarkenAction")->isChecked());
    EXPECT_TRUE(Part(*window, "PngAction")->isChecked());
    EXPECT_EQ(Part<QLabel>(*window, "FpsLabel")->text(), "FPS: 24");
}

TEST_F(MainWindowTest, OpensAndSavesTheSameSheet) {
    auto window = MakeWindow();
    window->Files().OpenDocument(kSampleSheet);
    EXPECT_EQ(window->windowTitle(), "Celwright 3.0Beta_050529 - bounce.xps[*]");
    EXPECT_FALSE(window->Files().Modified());
    EXPECT_EQ(window->Sheet().LayerCount(), 2);
    EXPECT_EQ(window->Files().RecentFiles(), QStringList{kSampleSheet});
    EXPECT_EQ(Part<TElidedLabel>(*window, "LayerPathLabel")->FullText(),
              "Background Path: " CELWRIGHT_SOURCE_DIR "/sample/Bouncing Ball/Background/");

    SavePath = QString::fromStdString(Files / "copy.xps");
    window->Files().SaveAs();
    EXPECT_EQ(ReadFileBytes(Files / "copy.xps"), ReadFileBytes(kSampleSheet.toStdString()));
    EXPECT_EQ(window->windowTitle(), "Celwright 3.0Beta_050529 - copy.xps[*]");
    EXPECT_EQ(window->Files().RecentFiles().first(), SavePath);

    // Saving a named sheet whose file is gone asks where to save it.
    std::filesystem::remove(Files / "copy.xps");
    SavePath = QString::fromStdString(Files / "again.xps");
    EXPECT_TRUE(window->Files().Save());
    EXPECT_TRUE(std::filesystem::exists(Files / "again.xps"));
}

TEST_F(MainWindowTest, AFailedLoadLeavesTheOpenDocument) {
    auto window = MakeWindow();
    window->Files().OpenDocument(kSampleSheet);
    WriteText(Files / "broken.xps", "<xsheet version=\"4.0\">\r\n<settings>\r\n</settings>\r\n</xsheet>\r\n");
    window->Guard([&] { window->Files().OpenDocument(QString::fromStdString(Files / "broken.xps")); });
    EXPECT_EQ(Errors, QStringList{QString::fromStdString(Files / "broken.xps") + ": Unable to read layers."});
    EXPECT_EQ(window->Files().DocumentName(), "bounce.xps");
    EXPECT_EQ(window->Sheet().LayerCount(), 2);
    EXPECT_EQ(window->Sheet().CelName(2, 1), "ball_01.png");
}

TEST_F(MainWindowTest, TheImageViewerSaysWhichDrawingIsMissing) {
    auto window = MakeWindow();
    Part(*window, "NewAction")->trigger();
    window->Sheet().SetLayerCaption(1, "Ink");
    window->Sheet().PlaceCelAt(1, 1, "walk01.png", 2);
    window->Sheet().SelectCell(1, 2);
    Part(*window, "ImageViewerAction")->trigger();
    TImageViewer* viewer = nullptr;
    for (QWidget* shown : QApplication::topLevelWidgets())
        viewer = viewer ? viewer : qobject_cast<TImageViewer*>(shown);
    ASSERT_NE(viewer, nullptr);
    ASSERT_TRUE(viewer->isVisible());
    EXPECT_EQ(viewer->Pane->Notice, "walk01.png not found in Ink folder.");
    const QImage shown = viewer->Pane->grab().toImage();
    bool written = false;
    for (int y = 0; y < shown.height() && !written; ++y) {
        for (int x = 0; x < shown.width() && !written; ++x)
            written = shown.pixelColor(x, y).lightness() < 100;
    }
    EXPECT_TRUE(written) << "the notice is drawn";

    // An empty frame is simply white; the notice goes.
    window->Sheet().SelectCell(1, 3);
    EXPECT_EQ(viewer->Pane->Notice, "");
}

TEST_F(MainWindowTest, TheSaveChangesPromptHasThreeAnswers) {
    auto window = MakeWindow();
    Part(*window, "NewAction")->trigger();
    window->Sheet().PlaceHeldCel(1, 1, "a.png", 2);
    ASSERT_TRUE(window->Files().Modified()) << "an undo snapshot marks the document modified";

    Answer(*window, &TAlertPrompt::ExBtn);
    Part(*window, "NewAction")->trigger();
    EXPECT_EQ(window->Sheet().CelName(1, 1), "a.png") << "Cancel stops New";

    Answer(*window, &TAlertPrompt::NegBtn);
    Part(*window, "NewAction")->trigger();
    EXPECT_EQ(window->Sheet().CelName(1, 1), "") << "No goes on without saving";
    EXPECT_FALSE(window->Files().Modified());

    window->Sheet().PlaceHeldCel(1, 1, "b.png", 2);
    SavePath = QString::fromStdString(Files / "saved.xps");
    Answer(*window, &TAlertPrompt::PosBtn);
    Part(*window, "NewAction")->trigger();
    EXPECT_NE(ReadFileBytes(Files / "saved.xps").value_or("").find("b.png"), std::string::npos);

    window->Sheet().PlaceHeldCel(1, 1, "c.png", 2);
    Answer(*window, &TAlertPrompt::ExBtn);
    EXPECT_FALSE(window->close()) << "Cancel keeps the program running";
}

TEST_F(MainWindowTest, RecentFilesAreDistinctTenDeepAndKept) {
    {
        auto window = MakeWindow();
        for (int i = 0; i < 3; ++i)
            window->Files().AddRecent("/anim/walk.xps");
        window->Files().AddRecent("/ANIM/WALK.xps");
        EXPECT_EQ(window->Files().RecentFiles(), QStringList{"/ANIM/WALK.xps"});
        for (int i = 1; i <= 11; ++i)
            window->Files().AddRecent(QString("/anim/scene%1.xps").arg(i));
        EXPECT_EQ(window->Files().RecentFiles().size(), 10);
        EXPECT_EQ(window->Files().RecentFiles().first(), "/anim/scene11.xps");
        EXPECT_EQ(window->Files().RecentFiles().last(), "/anim/scene2.xps");
        EXPECT_EQ(Part<QMenu>(*window, "RecentMenu")->actions().size(), 10);
        window->SelectLanguage("German");
        EXPECT_TRUE(window->close());
    }
    auto again = MakeWindow();
    EXPECT_EQ(again->Files().RecentFiles().size(), 10);
    EXPECT_EQ(again->Files().RecentFiles().first(), "/anim/scene11.xps");
    EXPECT_EQ(again->Language(), "German");
}

TEST_F(MainWindowTest, OnlyAnExactXpsArgumentIsOpened) {
    WriteText(Files / "upper.XPS", *ReadFileBytes(kSampleSheet.toStdString()));
    auto window = MakeWindow();
    window->OpenCommandLineSheet({"celwright", QString::fromStdString(Files / "upper.XPS")});
    EXPECT_EQ(window->Sheet().LayerCount(), 0);
    window->OpenCommandLineSheet({"celwright", kSampleSheet});
    EXPECT_EQ(window->Sheet().LayerCount(), 2);
    // The path is shown; the sample's sound may add a line about the sound output above it.
    EXPECT_TRUE(Part<QPlainTextEdit>(*window, "InfoPanel")->toPlainText().contains(kSampleSheet));
}

TEST_F(MainWindowTest, DroppedDrawingsFollowEachOtherByTheHold) {
    auto window = MakeWindow();
    window->resize(900, 700);
    window->show();
    Part(*window, "NewAction")->trigger();
    Part(*window, "AddLayerAction")->trigger();
    TSheetView& sheet = window->Sheet();
    const QPoint layer2frame5(sheet.IndexWidth() + sheet.GridWidth() + 10,
                              sheet.HeaderHeight() + 4 * sheet.GridHeight() + 5);
    window->DropFiles({"/scans/a.png", "/scans/b.PNG", "/scans/notes.txt", "/scans/c.jpg"}, layer2frame5);
    EXPECT_EQ(sheet.CelName(2, 5), "a.png");
    EXPECT_EQ(sheet.CelAt(2, 5)->Duration, 2);
    EXPECT_EQ(sheet.CelName(2, 7), "b.PNG");
    EXPECT_EQ(sheet.CelName(2, 9), "c.jpg");
    EXPECT_TRUE(Part(*window, "UndoAction")->isEnabled());

    // A file of the drop that fails takes the whole drop back, and says why.
    WriteText(Files / "broken.xps", "not a sheet\n");
    Answer(*window, &TAlertPrompt::NegBtn);
    window->Guard([&] { window->DropFiles({"/scans/d.png", QString::fromStdString(Files / "broken.xps")}, layer2frame5); });
    ASSERT_EQ(Errors.size(), 1);
    EXPECT_TRUE(Errors.first().contains("broken.xps")) << Errors.first().toStdString();
    EXPECT_EQ(sheet.CelName(2, 5), "a.png");
    EXPECT_EQ(sheet.CelAt(2, 5)->Duration, 2);
    EXPECT_EQ(sheet.CelName(2, 9), "c.jpg");

    // Sheets alone: the first is opened, after the open sheet's changes are saved or given up.
    ASSERT_TRUE(window->Files().Modified());
    Answer(*window, &TAlertPrompt::ExBtn);
    window->DropFiles({kSampleSheet}, layer2frame5);
    EXPECT_EQ(sheet.CelName(2, 5), "a.png") << "Cancel keeps the open sheet";
    EXPECT_TRUE(window->Files().DocumentName().isEmpty());
    Answer(*window, &TAlertPrompt::NegBtn);
    window->DropFiles({kSampleSheet}, layer2frame5);
    EXPECT_EQ(window->Files().DocumentName(), "bounce.xps");
}

TEST_F(MainWindowTest, MenusPopUpsAndToolBarShareOneActionPerCommand) {
    auto window = MakeWindow();
    auto* cel = window->Sheet().PopupMenu;
    for (const char* name : {"CutAction", "CopyAction", "DeleteAction", "PasteAction", "AddLayerAction",
                             "AddTenFramesAction", "InsertFrameAction", "EditLayerPropertiesAction"}) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(cel->actions().contains(Part(*window, name)));
    }
    EXPECT_TRUE(window->Sheet().PopupMenuAudio->actions().contains(Part(*window, "HideAudioAction")));
    EXPECT_TRUE(Part<QMenu>(*window, "EditMenu")->actions().contains(Part(*window, "PasteAction")));

    // A tool button runs its command's action and is enabled with it.
    QToolButton* undo = nullptr;
    for (auto* button : window->findChild<QToolBar*>("ToolBar")->findChildren<QToolButton*>()) {
        if (button->defaultAction() == Part(*window, "UndoAction"))
            undo = button;
    }
    ASSERT_NE(undo, nullptr);
    EXPECT_FALSE(undo->isEnabled());
    Part(*window, "NewAction")->trigger();
    window->Sheet().PlaceHeldCel(1, 1, "a.png", 2);
    EXPECT_TRUE(undo->isEnabled());
    undo->click();
    EXPECT_EQ(window->Sheet().CelName(1, 1), "");
}

TEST_F(MainWindowTest, CommandsFollowTheirEnablingRules) {
    auto window = MakeWindow();
    for (const char* command : {"CutAction", "CopyAction", "InsertFrameAction", "AddTenFramesAction"})
        Part(*window, command)->trigger();
    EXPECT_FALSE(Part(*window, "UndoAction")->isEnabled()) << "without a layer these do nothing";
    EXPECT_FALSE(Part(*window, "PasteAction")->isEnabled()) << "nothing copied yet";

    Part(*window, "NewAction")->trigger();
    EXPECT_TRUE(Part(*window, "AddTenFramesAction")->isEnabled());
    Part(*window, "CopyAction")->trigger();
    EXPECT_TRUE(Part(*window, "PasteAction")->isEnabled());
    Part(*window, "NewAction")->trigger();
    EXPECT_TRUE(Part(*window, "PasteAction")->isEnabled()) << "Paste stays enabled";

    Part(*window, "ExportAction")->trigger();
    EXPECT_EQ(Errors, QStringList{"Exposure Sheet is empty."});
    Part(*window, "DeleteLayerAction")->trigger();
    const std::size_t steps = window->Sheet().Document().UndoManager().UndoCount();
    Part(*window, "PasteAction")->trigger();
    EXPECT_EQ(window->Sheet().Document().UndoManager().UndoCount(), steps + 1) << "Paste has no such check";
    window->Files().SetModified(false);
    Part(*window, "VideoCaptureAction")->trigger();
    EXPECT_EQ(Errors.last(), "Xsheet must have at least 1 layer to Capture. Add a Layer.");
    Part(*window, "ScannerAction")->trigger();
    EXPECT_EQ(Errors.last(), "Xsheet must have at least 1 layer to Capture. Add a Layer.");
    EXPECT_EQ(window->findChild<TScannerWindow*>(), nullptr);
}

// The tool bar's Export button is the File menu's Export: an empty sheet is refused, and one whose
// drawings are all on hidden layers says so, before any export dialog opens.
TEST_F(MainWindowTest, TheToolBarsExportButtonChecksTheSheetAsTheMenuDoes) {
    auto window = MakeWindow();
    QToolButton* exportButton = nullptr;
    for (auto* button : window->findChild<QToolBar*>("ToolBar")->findChildren<QToolButton*>()) {
        if (button->defaultAction() == Part(*window, "ExportAction"))
            exportButton = button;
    }
    ASSERT_NE(exportButton, nullptr);
    EXPECT_EQ(exportButton->toolTip(), "Export Exposure Sheet as an Avi movie");

    Part(*window, "NewAction")->trigger();
    exportButton->click();
    EXPECT_EQ(Errors, QStringList{"Exposure Sheet is empty."});

    window->Sheet().PlaceCelAt(1, 1, "a.png", 2);
    window->Sheet().SetLayerVisible(1, false);
    QString told;
    WhenShown<TAlertPrompt>([&](TAlertPrompt& prompt) {
        told = prompt.MsgLbl->text();
        prompt.PosBtn->click();
    });
    exportButton->click();
    EXPECT_EQ(told, "There are no visible layers with images.");
    EXPECT_EQ(Errors.size(), 1);
    window->Files().SetModified(false);
}

TEST_F(MainWindowTest, OtherFrameRatesAndTheirCheckMarks) {
    auto window = MakeWindow();
    Part(*window, "NewAction")->trigger();
    QTimer::singleShot(0, window.get(), [&] {
        window->findChild<TEntryDialog*>()->Edit1->setText("8");
        window->findChild<TEntryDialog*>()->Button1->click();
    });
    Part(*window, "FpsOtherAction")->trigger();
    EXPECT_EQ(window->CurrentSettings().General.Fps, 8);
    EXPECT_EQ(window->Sheet().Fps(), 8);
    EXPECT_TRUE(Part(*window, "FpsOtherAction")->isChecked());
    EXPECT_EQ(Part<QLabel>(*window, "FpsLabel")->text(), "FPS: 8");
    Part(*window, "Fps25Action")->trigger();
    EXPECT_TRUE(Part(*window, "Fps25Action")->isChecked());
    EXPECT_FALSE(Part(*window, "FpsOtherAction")->isChecked());

    TDialogScript script;
    script
        .Then<TEntryDialog>([](TEntryDialog& entry) {
            entry.Edit1->setText("fast");
            entry.Button1->click();
        })
        .Then<TEntryDialog>([](TEntryDialog& entry) { entry.Button2->click(); });
    Part(*window, "FpsOtherAction")->trigger();
    EXPECT_TRUE(script.Done());
    EXPECT_EQ(Errors, QStringList{"'fast' is not a valid integer value"});
    EXPECT_EQ(window->Sheet().Fps(), 25);
}

TEST_F(MainWindowTest, LanguagesAndProfilesChangeWhatTheWindowShows) {
    WriteText(User / "Celwright/3.0/profiles.ini",
              "[Studio]\ndefault path=" + (Files / "") + "\ncapture mode=cmStopMotion\n");
    auto window = MakeWindow();
    window->SelectLanguage("German");
    EXPECT_EQ(Part<QMenu>(*window, "FileMenu")->title(), "Datei");
    EXPECT_NE(Part(*window, "NewAction")->toolTip(), "Create new Exposure Sheet");
    window->SelectLanguage("English");
    EXPECT_EQ(Part<QMenu>(*window, "FileMenu")->title(), "File");

    window->ActivateProfile("Studio");
    EXPECT_EQ(window->windowTitle(), "Celwright 3.0Beta_050529: Studio - Untitled[*]");
    EXPECT_EQ(window->CurrentSettings().General.DefaultPath, Files / "");
    EXPECT_EQ(window->CurrentSettings().Capture.CaptureMode, TCapMode::cmStopMotion);
    EXPECT_TRUE(Part<QPlainTextEdit>(*window, "InfoPanel")->toPlainText().startsWith("Profile: Studio"));

    Part(*window, "Fps30Action")->trigger();
    window->ActivateProfile("Default");
    EXPECT_EQ(window->CurrentSettings().General.Fps, 24) << "a profile brings back the saved frame rate";
    EXPECT_EQ(window->windowTitle(), "Celwright 3.0Beta_050529 - Untitled[*]");
}

TEST_F(MainWindowTest, ABrokenLanguageFileIsReportedAndTheProgramStarts) {
    TTempFolder program;
    std::filesystem::create_directories(program.Path() / "Languages");
    WriteText(program / "Languages/Broken.lng", "sFile\tDatei\nthis line has no tab\nsEdit\tBearbeiten\n");
    WriteText(User / "Celwright/3.0/celwright.ini", "[celwright]\nlanguage=Broken\n");
    Folders.ProgramFolder = QString::fromStdString(program / "");
    auto window = MakeWindow();
    EXPECT_EQ(Errors, QStringList{QString::fromStdString("\"" + (program / "Languages/Broken.lng") +
                                                         "\" line 2: Key cannot be an empty string")});
    EXPECT_EQ(Part<QMenu>(*window, "FileMenu")->title(), "Datei") << "the lines before the fault are in force";
    EXPECT_EQ(Part<QMenu>(*window, "EditMenu")->title(), "Edit");
    EXPECT_EQ(window->Language(), "Broken");
}

TEST_F(MainWindowTest, AFailedSaveIsReportedAndKeepsTheDocumentAsItWas) {
    auto window = MakeWindow();
    window->Files().OpenDocument(kSampleSheet);
    window->Sheet().PlaceHeldCel(1, 2, "new.png", 1);
    SavePath = QString::fromStdString(Files / "no/such/folder/copy.xps");
    window->Guard([&] { window->Files().SaveAs(); });
    ASSERT_EQ(Errors.size(), 1);
    EXPECT_TRUE(Errors.first().contains("no/such/folder/copy.xps")) << Errors.first().toStdString();
    EXPECT_EQ(window->Files().DocumentName(), "bounce.xps");
    EXPECT_TRUE(window->Files().Modified());
    EXPECT_EQ(window->Files().RecentFiles(), QStringList{kSampleSheet});
}
