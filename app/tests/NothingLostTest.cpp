// The user's work survives what users do: failed and cancelled saves, a prompt answered with
// Enter, undo and the visibility box, names typed without an extension, unnamed sheets in another
// language, recent files with "&", opens that fail and what Undo offers after an open or New.
// Each goes through the menu action and the real dialogs.
#include "ui/TextLabel.h"
#include "app/ElidedLabel.h"
#include "ui/AlertPrompt.h"
#include "ui/EntryDialog.h"
#include "app/MainWindow.h"
#include "app/tests/DialogScript.h"
#include "base/TextUtil.h"
#include "sheetview/LayerHeader.h"
#include "sheetview/SheetView.h"
#include "testsupport/TempFolder.h"
#include "testsupport/MainWindowFixture.h"

#include <QAction>
#include <QApplication>
#include <QDropEvent>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QWindow>
#include <gtest/gtest.h>

namespace {
const QString kSampleSheet = CELWRIGHT_SAMPLE_SHEET;

class NothingLostTest : public TMainWindowFixture {
protected:
    NothingLostTest() {
        // Save dialogs start in the process's current folder.
        Previous = std::filesystem::current_path();
        std::filesystem::current_path(Files.Path());
        // New makes the default folder the current one.
        WriteText(User / "Celwright/3.0/celwright.ini",
                  "[general preferences]\ndefault path=" + (Files / "") + "\n");
    }
    ~NothingLostTest() override { std::filesystem::current_path(Previous); }

    // The main window with its own dialogs, shown.
    std::unique_ptr<TMainWindow> MakeWindow() {
        auto window = NewWindow();
        window->show();
        return window;
    }

    // A change made the way a user makes one: a cel typed into the first cell of layer 1.
    static void Edit(TMainWindow& window, const std::string& name = "edit.png") {
        window.Sheet().PlaceHeldCel(1, 1, name, 2);
    }

    static std::function<void(TAlertPrompt&)> Click(QPushButton* TAlertPrompt::*button) {
        return [button](TAlertPrompt& prompt) { QTest::mouseClick(prompt.*button, Qt::LeftButton); };
    }
    static std::function<void(QFileDialog&)> TypeName(const QString& name) {
        return [name](QFileDialog& dialog) {
            auto* edit = dialog.findChild<QLineEdit*>("fileNameEdit");
            ASSERT_NE(edit, nullptr);
            edit->setText(name);
            QTest::keyClick(edit, Qt::Key_Return);
        };
    }
    static void Escape(QWidget& dialog) {
        QTest::keyClick(dialog.focusWidget() ? dialog.focusWidget() : &dialog, Qt::Key_Escape);
    }

    TNewLayerAnswer NewLayers;
    TTempFolder Files;
    std::filesystem::path Previous;
};
} // namespace

TEST_F(NothingLostTest, ASaveThatFailsOrIsCancelledWhileClosingKeepsTheWindowOpen) {
    const std::string sheet = Files / "walk.xps";
    WriteText(sheet, *ReadFileBytes(kSampleSheet.toStdString()));
    auto window = MakeWindow();
    window->Files().OpenDocument(QString::fromStdString(sheet));
    Edit(*window);
    // The file has become a folder: writing it fails.
    std::filesystem::remove(sheet);
    std::filesystem::create_directory(sheet);
    {
        TDialogScript script;
        QString error;
        script.Then<TAlertPrompt>(Click(&TAlertPrompt::PosBtn)).Then<QMessageBox>([&](QMessageBox& box) {
            error = box.text();
            box.accept();
        });
        EXPECT_FALSE(window->close());
        EXPECT_TRUE(script.Done());
        EXPECT_TRUE(script.Unexpected.isEmpty()) << script.Unexpected.join(",").toStdString();
        EXPECT_TRUE(error.contains("walk.xps")) << error.toStdString();
    }
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->Files().Modified());
    EXPECT_EQ(window->Sheet().CelName(1, 1), "edit.png");
    EXPECT_EQ(ReadText(User / "Celwright/3.0/celwright.ini").find("[recent files]"), std::string::npos)
        << "the window's state is written only when it closes";

    // An unnamed sheet: Yes opens the save dialog, and Esc there cancels the close.
    for (auto escape : {true, false}) {
        window->Files().SetModified(false);
        Part(*window, "NewAction")->trigger();
        Edit(*window);
        TDialogScript script;
        script.Then<TAlertPrompt>(Click(&TAlertPrompt::PosBtn))
            .Then<QFileDialog>([escape](QFileDialog& dialog) {
                if (escape)
                    Escape(dialog);
                else
                    dialog.reject(); // the Cancel button
            });
        EXPECT_FALSE(window->close());
        EXPECT_TRUE(script.Done());
        EXPECT_TRUE(window->Files().Modified());
    }
}

TEST_F(NothingLostTest, EnterInTheSaveChangesPromptAlwaysMeansYes) {
    auto window = MakeWindow();
    Part(*window, "NewAction")->trigger();
    Edit(*window, "first.png");
    {
        TDialogScript script;
        script.Then<TAlertPrompt>(Click(&TAlertPrompt::NegBtn));
        Part(*window, "NewAction")->trigger();
        EXPECT_TRUE(script.Done());
    }
    Edit(*window, "second.png");
    TDialogScript script;
    script
        .Then<TAlertPrompt>([](TAlertPrompt& prompt) {
            QTest::keyClick(prompt.focusWidget() ? prompt.focusWidget() : &prompt, Qt::Key_Return);
        })
        .Then<QFileDialog>(TypeName("kept"));
    Part(*window, "NewAction")->trigger();
    EXPECT_TRUE(script.Done());
    EXPECT_TRUE(script.Unexpected.isEmpty()) << script.Unexpected.join(",").toStdString();
    EXPECT_NE(ReadText(Files / "kept.xps").find(">second.png</cel>"), std::string::npos);
}

TEST_F(NothingLostTest, TheTitleAndTheSaveButtonShowUnsavedWork) {
    auto window = MakeWindow();
    Part(*window, "NewAction")->trigger();
    QToolButton* saveButton = nullptr;
    for (auto* button : Part<QToolBar>(*window, "ToolBar")->findChildren<QToolButton*>()) {
        if (button->defaultAction() == Part(*window, "SaveAction"))
            saveButton = button;
    }
    ASSERT_NE(saveButton, nullptr);
    // The title as the desktop shows it, with the mark of unsaved work or without.
    const auto shownTitle = [&] { return window->windowHandle()->title(); };
    const auto unsaved = [&](bool modified) {
        EXPECT_EQ(shownTitle().endsWith('*'), modified) << shownTitle().toStdString();
        EXPECT_EQ(saveButton->isEnabled(), modified);
    };
    unsaved(false);
    EXPECT_TRUE(shownTitle().endsWith(" - Untitled"));

    Edit(*window);
    unsaved(true);
    EXPECT_TRUE(shownTitle().endsWith(" - Untitled*"));
    {
        TDialogScript script;
        script.Then<QFileDialog>(TypeName(QString::fromStdString(Files / "walk.xps")));
        QTest::mouseClick(saveButton, Qt::LeftButton);
    }
    unsaved(false);
    EXPECT_TRUE(shownTitle().endsWith(" - walk.xps"));

    Part(*window, "UndoAction")->trigger();
    unsaved(true);
    // The file dialog's closing may leave the activation elsewhere for a moment under load.
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QTest::keyClick(window.get(), Qt::Key_S, Qt::ControlModifier);
    unsaved(false);
}

TEST_F(NothingLostTest, UndoRedoAndTheVisibilityBoxMarkTheSheetModified) {
    auto window = MakeWindow();
    Part(*window, "NewAction")->trigger();
    Edit(*window);
    const QString path = QString::fromStdString(Files / "a.xps");
    {
        TDialogScript script;
        script.Then<QFileDialog>(TypeName(path));
        Part(*window, "SaveAction")->trigger();
    }
    ASSERT_FALSE(window->Files().Modified());

    Part(*window, "UndoAction")->trigger();
    EXPECT_TRUE(window->Files().Modified()) << "Undo";
    Part(*window, "SaveAction")->trigger();
    ASSERT_FALSE(window->Files().Modified());
    Part(*window, "RedoAction")->trigger();
    EXPECT_TRUE(window->Files().Modified()) << "Redo";
    Part(*window, "SaveAction")->trigger();
    ASSERT_FALSE(window->Files().Modified());

    TSheetView& sheet = window->Sheet();
    QTest::mouseClick(&sheet.Header(), Qt::LeftButton, {},
                      QPoint(sheet.GridWidth() - 8, sheet.HeaderHeight() / 2));
    ASSERT_FALSE(sheet.LayerVisible(1));
    EXPECT_TRUE(window->Files().Modified()) << "visibility box";

    // So closing asks.
    TDialogScript script;
    script.Then<TAlertPrompt>(Click(&TAlertPrompt::ExBtn));
    EXPECT_FALSE(window->close());
    EXPECT_TRUE(script.Done());
}

TEST_F(NothingLostTest, ANewSheetsFolderEndsWithASeparator) {
    std::filesystem::create_directories(Files.Path() / "Drawings");
    WriteText(User / "Celwright/3.0/celwright.ini",
              "[general preferences]\ndefault path=" + (Files / "Drawings") + "\n");
    auto window = MakeWindow();
    Part(*window, "NewAction")->trigger();
    EXPECT_EQ(window->Sheet().LayerFolder(1), Files / "Drawings/");
    EXPECT_TRUE(Part<TElidedLabel>(*window, "LayerPathLabel")->FullText().endsWith("Drawings/")) << Part<TElidedLabel>(*window, "LayerPathLabel")->FullText().toStdString();
    WriteText(Files / "Drawings/walk.png", "");
    window->Sheet().PlaceCelAt(1, 1, "walk.png", 1);
    EXPECT_EQ(window->Sheet().Document().CelImageFile(1, 1), Files / "Drawings/walk.png");
}

TEST_F(NothingLostTest, SaveAsAddsTheExtensionToATypedName) {
    auto window = MakeWindow();
    Part(*window, "NewAction")->trigger();
    Edit(*window);
    TDialogScript script;
    script.Then<QFileDialog>(TypeName("walk"));
    Part(*window, "SaveAsAction")->trigger();
    EXPECT_TRUE(script.Done());
    EXPECT_TRUE(std::filesystem::is_regular_file(Files / "walk.xps"));
    EXPECT_FALSE(std::filesystem::exists(Files / "walk"));
    EXPECT_EQ(window->Files().DocumentName(), "walk.xps");
    EXPECT_EQ(window->Files().RecentFiles().value(0), QString::fromStdString(Files / "walk.xps"));
}

TEST_F(NothingLostTest, AnUnnamedSheetFollowsTheLanguageAndSaveAsksForAName) {
    auto window = MakeWindow();
    window->SelectLanguage("German");
    Part(*window, "NewAction")->trigger();
    EXPECT_TRUE(window->windowTitle().endsWith(" - Unbenannt[*]"));
    window->SelectLanguage("French");
    EXPECT_TRUE(window->windowTitle().endsWith(" - Sans titre[*]")) << window->windowTitle().toStdString();

    WriteText(Files / "Unbenannt", "not a sheet");
    Edit(*window); // Save is offered for unsaved work
    QString offered;
    TDialogScript script;
    script.Then<QFileDialog>([&](QFileDialog& dialog) {
        offered = dialog.findChild<QLineEdit*>("fileNameEdit")->text();
        dialog.reject();
    });
    Part(*window, "SaveAction")->trigger();
    EXPECT_TRUE(script.Done()) << "Save asks for a name";
    EXPECT_EQ(offered, "Sans titre.xps");
    EXPECT_EQ(ReadText(Files / "Unbenannt"), "not a sheet");
    window->SelectLanguage("English");
}

TEST_F(NothingLostTest, ARecentFileWithAnAmpersandOpens) {
    const std::string sheet = Files / "Tom & Jerry.xps";
    WriteText(sheet, *ReadFileBytes(kSampleSheet.toStdString()));
    auto window = MakeWindow();
    window->Files().OpenDocument(QString::fromStdString(sheet));
    Part(*window, "NewAction")->trigger();
    QAction* item = Part<QMenu>(*window, "RecentMenu")->actions().value(0);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->text(), QString::fromStdString(Files / "Tom && Jerry.xps"));
    item->trigger();
    EXPECT_EQ(window->Files().DocumentName(), "Tom & Jerry.xps");
    EXPECT_EQ(window->Sheet().LayerCount(), 2);
}

TEST_F(NothingLostTest, ARefusedFrameRateSaysWhyAndIsAskedAgain) {
    auto window = MakeWindow();
    Part(*window, "NewAction")->trigger();
    // Each refused rate is offered again as typed; cancelling keeps the rate in force.
    for (const char* typed : {"fast", "500", "0"}) {
        SCOPED_TRACE(typed);
        QString error;
        QString offeredAgain;
        TDialogScript script;
        script
            .Then<TEntryDialog>([typed](TEntryDialog& entry) {
                entry.Edit1->setText(typed);
                QTest::mouseClick(entry.Button1, Qt::LeftButton);
            })
            .Then<QMessageBox>([&](QMessageBox& box) {
                error = box.text();
                box.accept();
            })
            .Then<TEntryDialog>([&](TEntryDialog& entry) {
                offeredAgain = entry.Edit1->text();
                QTest::mouseClick(entry.Button2, Qt::LeftButton);
            });
        Part(*window, "FpsOtherAction")->trigger();
        EXPECT_TRUE(script.Done());
        EXPECT_TRUE(error.contains(typed)) << error.toStdString();
        EXPECT_EQ(offeredAgain, typed);
        EXPECT_TRUE(Part(*window, "Fps24Action")->isChecked());
        EXPECT_FALSE(Part(*window, "FpsOtherAction")->isChecked());
        EXPECT_EQ(window->Sheet().Fps(), 24);
    }
    // A corrected rate is taken.
    TDialogScript script;
    script
        .Then<TEntryDialog>([](TEntryDialog& entry) {
            entry.Edit1->setText("1O");
            QTest::mouseClick(entry.Button1, Qt::LeftButton);
        })
        .Then<QMessageBox>([](QMessageBox& box) { box.accept(); })
        .Then<TEntryDialog>([](TEntryDialog& entry) {
            entry.Edit1->setText("10");
            QTest::mouseClick(entry.Button1, Qt::LeftButton);
        });
    Part(*window, "FpsOtherAction")->trigger();
    EXPECT_TRUE(script.Done());
    EXPECT_EQ(window->Sheet().Fps(), 10);
    EXPECT_TRUE(Part(*window, "FpsOtherAction")->isChecked());
}

TEST_F(NothingLostTest, OpeningAFileThatIsNoSheetNamesIt) {
    WriteText(Files / "notes.txt", "Remember the milk\n");
    auto window = MakeWindow();
    QString error;
    TDialogScript script;
    script.Then<QFileDialog>(TypeName(QString::fromStdString(Files / "notes.txt")))
        .Then<QMessageBox>([&](QMessageBox& box) {
            error = box.text();
            box.accept();
        });
    Part(*window, "OpenAction")->trigger();
    EXPECT_TRUE(script.Done());
    EXPECT_EQ(error, QString::fromStdString(Files / "notes.txt") + ": This is not an exposure sheet.");
}

TEST_F(NothingLostTest, CelsLeftOutOnOpeningAreListedInTheUsersLanguage) {
    WriteText(Files / "far.xps", "<xsheet version=\"4.0\">\n<settings>\n</settings>\n<layers cols=\"1\">\n"
                                 "<layer col=\"1\" caption=\"A\" dir=\"/a/\">\n"
                                 "<cel col=\"1\" row=\"1630\" duration=\"10\">late.png</cel>\n"
                                 "<cel col=\"1\" row=\"3\" duration=\"0\">none.png</cel>\n"
                                 "<cel col=\"1\" row=\"1700\" duration=\"1\">odd%s.png</cel>\n</layer>\n"
                                 "</layers>\n</xsheet>\n");
    const struct {
        const char* Language;
        std::vector<QString> Lines;
    } cases[] = {
        {"English",
         {"late.png, layer 1, frame 1630: passes frame 1637",
          "none.png, layer 1, frame 3: hold below 1 frame",
          "odd%s.png, layer 1, frame 1700: passes frame 1637"}},
        {"German",
         {"late.png, Ebene 1, Bild 1630: geht über Bild 1637 hinaus",
          "none.png, Ebene 1, Bild 3: Standzeit unter 1 Bild"}},
        {"French",
         {"late.png, calque 1, image 1630 : dépasse l'image 1637",
          "none.png, calque 1, image 3 : exposition inférieure à 1 image"}},
    };
    auto window = MakeWindow();
    for (const auto& c : cases) {
        window->SelectLanguage(c.Language);
        QString message;
        TDialogScript script;
        script.Then<TAlertPrompt>([&](TAlertPrompt& prompt) {
            message = prompt.MsgLbl->text();
            prompt.PosBtn->click();
        });
        window->Files().OpenDocument(QString::fromStdString(Files / "far.xps"));
        EXPECT_TRUE(script.Done());
        EXPECT_TRUE(script.Unexpected.isEmpty()) << script.Unexpected.join(",").toStdString();
        for (const QString& line : c.Lines)
            EXPECT_TRUE(message.contains("\n" + line)) << c.Language << ": " << message.toStdString();
    }
    window->SelectLanguage("English");
}

TEST_F(NothingLostTest, AnOpenThatFailsKeepsTheSheetAndWhatItCanUndo) {
    const std::string broken = Files / "broken.xps";
    const QString brokenPath = QString::fromStdString(broken);
    struct TCase {
        const char* What;
        bool AsksForTheFile;
        std::function<void(TMainWindow&)> Open;
    };
    const TCase cases[] = {
        {"File > Open", true, [](TMainWindow& window) { Part(window, "OpenAction")->trigger(); }},
        {"recent file", false,
         [](TMainWindow& window) { Part<QMenu>(window, "RecentMenu")->actions().value(0)->trigger(); }},
        {"dropped on the sheet", false,
         [&](TMainWindow& window) {
             QMimeData files;
             files.setUrls({QUrl::fromLocalFile(brokenPath)});
             const TSheetView& sheet = window.Sheet();
             const QPoint onSheet =
                 sheet.mapTo(&window, QPoint(sheet.IndexWidth() + 10, sheet.HeaderHeight() + 5));
             QDragEnterEvent enter(onSheet, Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
             QApplication::sendEvent(&window, &enter);
             QDropEvent drop(onSheet, Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
             QApplication::sendEvent(&window, &drop);
         }},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.What);
        // A sheet that opened once, so it is a recent file, and was spoilt since.
        WriteText(broken, *ReadFileBytes(kSampleSheet.toStdString()));
        auto window = MakeWindow();
        window->Files().OpenDocument(brokenPath);
        WriteText(broken, "not a sheet\n");
        Part(*window, "NewAction")->trigger();
        window->Sound().LoadFile(CELWRIGHT_SOURCE_DIR "/sample/Bouncing Ball/voice.wav");
        ASSERT_TRUE(QTest::qWaitFor([&] { return window->Sound().ScrubOutput.Active(); }, 10000));
        Edit(*window);

        QString error;
        TDialogScript script;
        script.Then<TAlertPrompt>(Click(&TAlertPrompt::NegBtn)); // do not save the changes
        if (c.AsksForTheFile)
            script.Then<QFileDialog>(TypeName(brokenPath));
        script.Then<QMessageBox>([&](QMessageBox& box) {
            error = box.text();
            box.accept();
        });
        c.Open(*window);
        EXPECT_TRUE(script.Done());
        EXPECT_TRUE(script.Unexpected.isEmpty()) << script.Unexpected.join(",").toStdString();
        EXPECT_EQ(error, brokenPath + ": This is not an exposure sheet.");
        EXPECT_TRUE(window->Files().DocumentName().isEmpty());
        EXPECT_TRUE(window->Files().Modified());
        EXPECT_EQ(window->Sheet().CelName(1, 1), "edit.png");
        EXPECT_TRUE(window->Sound().ScrubOutput.Active()) << "the open sheet's sound no longer scrubs";
        ASSERT_TRUE(Part(*window, "UndoAction")->isEnabled());
        Part(*window, "UndoAction")->trigger();
        EXPECT_EQ(window->Sheet().CelName(1, 1), "");
        EXPECT_EQ(window->Sheet().LayerCount(), 1);
    }
}

TEST_F(NothingLostTest, ANewOrOpenedSheetHasNothingToUndo) {
    const struct {
        const char* Action;
        bool AsksForTheFile;
    } cases[] = {{"NewAction", false}, {"OpenAction", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Action);
        auto window = MakeWindow();
        Part(*window, "NewAction")->trigger();
        Edit(*window);
        Edit(*window, "again.png");
        Part(*window, "UndoAction")->trigger();
        ASSERT_TRUE(Part(*window, "RedoAction")->isEnabled());

        TDialogScript script;
        script.Then<TAlertPrompt>(Click(&TAlertPrompt::NegBtn)); // do not save the changes
        if (c.AsksForTheFile)
            script.Then<QFileDialog>(TypeName(kSampleSheet));
        Part(*window, c.Action)->trigger();
        EXPECT_TRUE(script.Done());
        EXPECT_FALSE(Part(*window, "UndoAction")->isEnabled());
        EXPECT_FALSE(Part(*window, "RedoAction")->isEnabled());
    }
}
