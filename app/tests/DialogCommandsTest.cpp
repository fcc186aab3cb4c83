// The main window's commands that go through the dialogs, from the menu item to the sheet and the
// files on disk.
#include "app/ElidedLabel.h"
#include "app/LayerPropertiesDialog.h"
#include "app/MainWindow.h"
#include "app/NewProjectDialog.h"
#include "app/PreferencesDialog.h"
#include "app/ProfileManagerDialog.h"
#include "app/ProgramEditDialog.h"
#include "sheetview/SheetView.h"
#include "testsupport/MainWindowFixture.h"
#include "testsupport/ModalAnswer.h"
#include "testsupport/QStringPrinting.h"
#include "testsupport/SheetTestAccess.h"
#include "testsupport/TempFolder.h"
#include "ui/AlertPrompt.h"
#include "ui/EntryDialog.h"
#include "ui/ErrorBox.h"
#include "ui/TextLabel.h"

#include <QAction>
#include <QButtonGroup>
#include <QComboBox>
#include <QDesktopServices>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QUrl>
#include <filesystem>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {
// A main window on a fresh user folder, with the program's own languages, as a user has it once the
// window was activated.
class DialogCommandsTest : public TMainWindowFixture {
protected:
    DialogCommandsTest() {
        ErrorBoxOverride() = [this](const QString& text) { Errors.append(text); };
    }
    ~DialogCommandsTest() override { ErrorBoxOverride() = nullptr; }

    std::unique_ptr<TMainWindow> MakeWindow() {
        auto window = NewWindow();
        window->Files().AskSaveFile = [](const QString&, const QString&, const QString&) {
            return QString();
        };
        window->SetActivity(TMainWindow::TActivity::Idle);
        return window;
    }

    QString FilesPath(std::string_view name = "") const { return QString::fromStdString(Files / name); }
    std::string UserFile(std::string_view name) const {
        return User / ("Celwright/3.0/" + std::string(name));
    }

    TTempFolder Files;
    QStringList Errors;
};

// Notes the message of the alert prompt that comes next and answers it with `button`.
void AnswerAlert(QStringList& messages, QPushButton* TAlertPrompt::*button = &TAlertPrompt::PosBtn) {
    WhenShown<TAlertPrompt>([&messages, button](TAlertPrompt& alert) {
        messages.append(alert.MsgLbl->text());
        (alert.*button)->click();
    });
}

// Fills in the New Project dialog that comes next and confirms it.
void CreateProject(const QString& folder, const QString& name, int layerItem) {
    WhenShown<TNewProjectDialog>([=](TNewProjectDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "New Project");
        dialog.ShowFolder(folder);
        dialog.Edit2->setText(name);
        dialog.ComboBox2->setCurrentIndex(layerItem);
        dialog.Button2->click();
    });
}
} // namespace

TEST_F(DialogCommandsTest, NewWithFoldersMakesAFolderPerLayerAndTheSheetFile) {
    fs::create_directories(Files / "P");
    const QString project = FilesPath("P/");
    auto window = MakeWindow();
    CreateProject(project, "walk", 1);
    Part(*window, "NewWithFoldersAction")->trigger();

    TSheetView& sheet = window->Sheet();
    ASSERT_EQ(sheet.LayerCount(), 2);
    for (int k : {1, 2}) {
        const std::string folder = "P/walk_Layer " + std::to_string(k);
        EXPECT_TRUE(fs::is_directory(Files / folder));
        EXPECT_EQ(sheet.LayerCaption(k), "Layer " + std::to_string(k));
        EXPECT_EQ(sheet.LayerFolder(k), Files / (folder + "/"));
    }
    // The sheet is on disk at once, and opens as it is.
    {
        auto reopened = MakeWindow();
        reopened->Files().OpenDocument(FilesPath("P/walk.xps"));
        ASSERT_EQ(reopened->Sheet().LayerCount(), 2);
        EXPECT_EQ(reopened->Sheet().LayerFolder(2), Files / "P/walk_Layer 2/");
    }
    EXPECT_TRUE(window->windowTitle().endsWith(" - walk.xps[*]"));
    EXPECT_EQ(window->ProjectFolder(), project);
    EXPECT_EQ(window->Files().DocumentFolder(), project);
    EXPECT_EQ(window->Activity(), TMainWindow::TActivity::Idle);
    EXPECT_FALSE(window->Files().Modified());
    EXPECT_EQ(Part<TElidedLabel>(*window, "LayerPathLabel")->FullText(),
              "Layer 1 Path: " + project + "walk_Layer 1/");

    // Save writes into the new file without asking where (the save dialog here would cancel).
    EXPECT_TRUE(window->Files().Save());
    EXPECT_GT(fs::file_size(Files / "P/walk.xps"), 0u);

    // A second time: the file is there, so the dialog asks; both folders are reported at once.
    QStringList messages;
    WhenShown<TNewProjectDialog>([&](TNewProjectDialog& dialog) {
        dialog.ShowFolder(project);
        dialog.Edit2->setText("walk");
        dialog.ComboBox2->setCurrentIndex(1);
        AnswerAlert(messages);
        dialog.Button2->click();
        AnswerAlert(messages);
    });
    Part(*window, "NewWithFoldersAction")->trigger();
    ASSERT_EQ(messages.size(), 2);
    EXPECT_EQ(messages[0], "walk.xps \n\nalready exists. Do you wish to overwrite the file?");
    EXPECT_EQ(messages[1], "Folder(s)  Layer 1 Layer 2 already exist. Use \"Edit Layer Properties\" if you "
                           "wish to create 'new' folders to use.");
    EXPECT_EQ(sheet.LayerCount(), 2);
    EXPECT_TRUE(Errors.isEmpty()) << Errors.join('\n').toStdString();
}

TEST_F(DialogCommandsTest, NewWithFoldersWhereNothingCanBeWrittenKeepsTheDialogAndTheSheet) {
    fs::create_directories(Files / "taken/walk.xps");      // the sheet's name is a folder
    fs::create_directories(Files / "blocked");
    WriteText(Files / "blocked/walk_Layer 1", "a file"); // the layer folder's name is a file
    fs::create_directories(Files / "locked");
    fs::permissions(Files / "locked", fs::perms::owner_read | fs::perms::owner_exec);
    // Permissions do not hold the superuser back; the kernel's own folders do.
    const std::string unwritable = ::geteuid() == 0 ? "/sys/" : Files / "locked/";
    const std::pair<std::string, std::string> cases[] = {
        {Files / "taken/", Files / "taken/walk.xps"},
        {Files / "blocked/", Files / "blocked/walk_Layer 1"},
        {unwritable, unwritable + "walk_Layer 1"},
    };
    auto window = MakeWindow();
    window->Files().OpenDocument(CELWRIGHT_SAMPLE_SHEET);
    const QString title = window->windowTitle();
    const std::int32_t layers = window->Sheet().LayerCount();
    for (const auto& [folder, named] : cases) {
        SCOPED_TRACE(folder);
        Errors.clear();
        bool stayedOpen = false;
        WhenShown<TNewProjectDialog>([&, folder = folder](TNewProjectDialog& dialog) {
            dialog.ShowFolder(QString::fromStdString(folder));
            dialog.Edit2->setText("walk");
            QStringList asked;
            if (fs::exists(folder + "walk.xps"))
                AnswerAlert(asked); // overwrite
            dialog.Button2->click();
            stayedOpen = dialog.isVisible();
            dialog.Button3->click();
        });
        Part(*window, "NewWithFoldersAction")->trigger();
        EXPECT_TRUE(stayedOpen);
        ASSERT_EQ(Errors.size(), 1);
        EXPECT_TRUE(Errors[0].contains(QString::fromStdString(named))) << Errors[0].toStdString();
        EXPECT_EQ(window->windowTitle(), title);
        EXPECT_EQ(window->Sheet().LayerCount(), layers);
    }
    EXPECT_FALSE(fs::exists(Files / "taken/walk_Layer 1"));
    EXPECT_FALSE(fs::exists(Files / "locked/walk.xps"));
    fs::permissions(Files / "locked", fs::perms::owner_all);
}

TEST_F(DialogCommandsTest, LayerPropertiesOpenForANewLayerAndForEditing) {
    fs::create_directories(Files / "ink");
    auto window = MakeWindow();
    window->SetActivity(TMainWindow::TActivity::Loading); // three layers made by the program ask nothing
    Part(*window, "NewAction")->trigger();
    Part(*window, "AddLayerAction")->trigger();
    Part(*window, "AddLayerAction")->trigger();
    window->SetActivity(TMainWindow::TActivity::Idle);
    TSheetView& sheet = window->Sheet();

    WhenShown<TLayerPropertiesDialog>([&](TLayerPropertiesDialog& properties) {
        EXPECT_EQ(properties.windowTitle(), "Set Properties for Layer");
        EXPECT_EQ(properties.Cap->text(), "Layer 4");
        EXPECT_EQ(properties.Spath->text().toStdString(), window->CurrentSettings().General.DefaultPath);
        properties.Cap->setText(" Ink ");
        properties.Spath->setText(FilesPath("ink"));
        properties.ComboBox1->setCurrentIndex(1);
        properties.Button2->click();
    });
    Part(*window, "AddLayerAction")->trigger();
    ASSERT_EQ(sheet.LayerCount(), 4);
    EXPECT_EQ(sheet.LayerCaption(4), "Ink");
    EXPECT_EQ(sheet.LayerFolder(4), Files / "ink/");
    EXPECT_EQ(sheet.LayerColors(4).Name, "Blue");

    // Editing applies an empty caption or folder not at all, the colour always.
    WhenShown<TLayerPropertiesDialog>([&](TLayerPropertiesDialog& properties) {
        EXPECT_EQ(properties.windowTitle(), "Layer Properties");
        EXPECT_EQ(properties.Cap->text(), "Ink");
        EXPECT_EQ(properties.ComboBox1->currentText(), "Blue");
        properties.Cap->clear();
        properties.ComboBox1->setCurrentIndex(2);
        properties.Button2->click();
    });
    Part(*window, "EditLayerPropertiesAction")->trigger();
    EXPECT_EQ(sheet.LayerCaption(4), "Ink");
    EXPECT_EQ(sheet.LayerColors(4).Name, "Green");
    EXPECT_EQ(sheet.LayerFolder(4), Files / "ink/");
    EXPECT_TRUE(window->Files().Modified());

    // Closing the window by its frame leaves the new layer as the sheet made it.
    WhenShown<TLayerPropertiesDialog>([](TLayerPropertiesDialog& properties) { properties.close(); });
    Part(*window, "AddLayerAction")->trigger();
    EXPECT_EQ(sheet.LayerCaption(5), "Layer 5");
}

TEST_F(DialogCommandsTest, ADoubleQuoteTheSheetCannotStoreIsRefusedWhereItIsTyped) {
    const QString refused = "A name cannot contain \": the exposure sheet cannot store it.";
    auto window = MakeWindow();
    // The project name becomes the layer folders' names.
    bool stayedOpen = false;
    WhenShown<TNewProjectDialog>([&](TNewProjectDialog& dialog) {
        dialog.ShowFolder(FilesPath());
        dialog.Edit2->setText("Say \"Hi\"");
        dialog.Button2->click();
        stayedOpen = dialog.isVisible();
        dialog.Button3->click();
    });
    Part(*window, "NewWithFoldersAction")->trigger();
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(Errors, QStringList{refused});
    EXPECT_TRUE(fs::is_empty(Files.Path()));

    // A layer's caption and folder.
    window->SetActivity(TMainWindow::TActivity::Loading); // the new sheet's layer asks nothing
    Part(*window, "NewAction")->trigger();
    window->SetActivity(TMainWindow::TActivity::Idle);
    const std::string before = window->Sheet().LayerFolder(1);
    const std::pair<QString, QString> typed[] = {{"Say \"Hi\"", FilesPath("ink")},
                                                 {"Ink", FilesPath("Say \"Hi\"")}};
    for (const auto& [caption, folder] : typed) {
        SCOPED_TRACE(caption.toStdString());
        Errors.clear();
        stayedOpen = false;
        WhenShown<TLayerPropertiesDialog>([&, caption = caption, folder = folder](TLayerPropertiesDialog& properties) {
            properties.Cap->setText(caption);
            properties.Spath->setText(folder);
            properties.Button2->click();
            stayedOpen = properties.isVisible();
            properties.close();
        });
        Part(*window, "EditLayerPropertiesAction")->trigger();
        EXPECT_TRUE(stayedOpen);
        EXPECT_EQ(Errors, QStringList{refused});
        EXPECT_EQ(window->Sheet().LayerFolder(1), before);
        EXPECT_FALSE(fs::exists(Files / "Say \"Hi\""));
    }
}

TEST_F(DialogCommandsTest, PreferencesAreSavedAndTakeEffectOnOkOnly) {
    auto window = MakeWindow();
    window->SetFrameRate(30);
    WhenShown<TPreferencesDialog>([&](TPreferencesDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "Preferences");
        EXPECT_EQ(dialog.FpsButtons->checkedId(), 0) << "the dialog shows the saved preferences";
        dialog.FpsButtons->button(4)->click();
        dialog.CancelBtn->click();
    });
    Part(*window, "PreferencesAction")->trigger();
    EXPECT_EQ(window->Settings().Saved.General.Fps, 24);
    EXPECT_EQ(window->CurrentSettings().General.Fps, 30);
    EXPECT_FALSE(fs::exists(UserFile("celwright.ini")));

    WhenShown<TPreferencesDialog>([&](TPreferencesDialog& dialog) {
        dialog.FpsButtons->button(4)->click();
        WhenShown<QFileDialog>([&](QFileDialog& browser) {
            browser.setDirectory(FilesPath());
            static_cast<QDialog&>(browser).accept();
        });
        dialog.DefPathBtn->click();
        dialog.OkBtn->click();
    });
    Part(*window, "PreferencesAction")->trigger();
    EXPECT_EQ(window->Settings().Saved.General.Fps, 12);
    EXPECT_EQ(window->CurrentSettings().General.Fps, 12);
    EXPECT_EQ(window->CurrentSettings().General.DefaultPath, Files / "");
    EXPECT_EQ(Part<QLabel>(*window, "FpsLabel")->text(), "FPS: 12");
    const std::string ini = ReadText(UserFile("celwright.ini"));
    EXPECT_NE(ini.find("fps=12"), std::string::npos);
    EXPECT_NE(ini.find("default path=" + (Files / "")), std::string::npos);
}

TEST_F(DialogCommandsTest, TheProfileManagerRebuildsTheMenuAndFollowsTheActiveProfile) {
    WriteText(UserFile("profiles.ini"), "[Studio]\n\ndefault path=/studio/\ncapture mode=cmStopMotion\n");
    auto window = MakeWindow();
    window->ActivateProfile("Studio");
    auto menuItems = [&] {
        QStringList items;
        for (QAction* item : Part<QMenu>(*window, "ProfilesMenu")->actions())
            items.append(item->isSeparator() ? "-" : item->text() + (item->isChecked() ? "*" : ""));
        return items;
    };

    WhenShown<TProfileManagerDialog>([](TProfileManagerDialog& manager) { manager.CloseBtn->click(); });
    Part(*window, "ManageProfilesAction")->trigger();
    EXPECT_EQ(ReadText(UserFile("profiles.ini")),
              "[Studio]\n\ndefault path=/studio/\ncapture mode=cmStopMotion\n")
        << "closing without changes leaves the file alone";

    auto typeName = [](const QString& name) {
        WhenShown<TEntryDialog>([name](TEntryDialog& entry) {
            entry.Edit1->setText(name);
            entry.Button1->click();
        });
    };
    WhenShown<TProfileManagerDialog>([&](TProfileManagerDialog& manager) {
        typeName("Atelier");
        manager.RenameBtn->click();
        typeName("Bob");
        manager.NewBtn->click();
        manager.CloseBtn->click();
    });
    Part(*window, "ManageProfilesAction")->trigger();
    EXPECT_EQ(menuItems(), (QStringList{"Manage Profiles", "-", "- Default -", "Atelier*", "Bob"}));
    EXPECT_EQ(window->windowTitle(), "Celwright 3.0Beta_050529: Atelier - Untitled[*]");
    EXPECT_EQ(ReadText(UserFile("profiles.ini")),
              "[Atelier]\ndefault path=/studio/\ncapture mode=cmStopMotion\n"
              "[Bob]\ndefault path=" +
                  window->Settings().Saved.General.DefaultPath + "\ncapture mode=cmXSheet\n");

    WhenShown<TProfileManagerDialog>([](TProfileManagerDialog& manager) {
        manager.DeleteBtn->click();
        manager.CloseBtn->click();
    });
    Part(*window, "ManageProfilesAction")->trigger();
    EXPECT_EQ(menuItems(), (QStringList{"Manage Profiles", "-", "- Default -*", "Bob"}));
    EXPECT_EQ(window->windowTitle(), "Celwright 3.0Beta_050529 - Untitled[*]");
    EXPECT_EQ(window->CurrentSettings().Capture.CaptureMode, TCapMode::cmXSheet);
}

TEST_F(DialogCommandsTest, TheDialogsSpeakTheChosenLanguage) {
    auto window = MakeWindow();
    window->SelectLanguage("German");
    QStringList seen;
    WhenShown<TNewProjectDialog>([&](TNewProjectDialog& dialog) {
        seen << dialog.windowTitle() << dialog.ComboBox1->itemText(5);
        dialog.Button3->click();
    });
    Part(*window, "NewWithFoldersAction")->trigger();
    WhenShown<TLayerPropertiesDialog>([&](TLayerPropertiesDialog& properties) {
        seen << properties.windowTitle() << properties.Button1->text();
        properties.close();
    });
    Part(*window, "AddLayerAction")->trigger();
    WhenShown<TPreferencesDialog>([&](TPreferencesDialog& dialog) {
        seen << dialog.windowTitle() << dialog.PageControl1->tabText(0);
        WhenShown<TProgramEditDialog>([&](TProgramEditDialog& editor) {
            seen << editor.windowTitle();
            editor.CancelBtn->click();
        });
        dialog.ChangeImgEditBtn->click();
        dialog.CancelBtn->click();
    });
    Part(*window, "PreferencesAction")->trigger();
    WhenShown<TProfileManagerDialog>([&](TProfileManagerDialog& manager) {
        seen << manager.windowTitle();
        manager.CloseBtn->click();
    });
    Part(*window, "ManageProfilesAction")->trigger();
    EXPECT_EQ(seen,
              (QStringList{"Neues Projekt", "Andere...", "Eigenschaften der Ebene festlegen", "Ändern",
                           "Voreinstellungen", "Allgemein", "Programmeigenschaften", "Profilverwaltung"}));
}

namespace {
// Takes the place of the desktop's handler for opening files, noting what it is asked to open.
class TOpenedFiles : public QObject {
    Q_OBJECT
public:
    QStringList Paths;
public slots:
    void Open(const QUrl& url) { Paths.append(url.toLocalFile()); }
};
} // namespace

TEST_F(DialogCommandsTest, EditImageAndRenameImageWorkOnTheSelectedDrawings) {
    for (const char* name : {"a.png", "b.png"})
        WriteText(Files / name, "x");
    auto window = MakeWindow();
    window->SetActivity(TMainWindow::TActivity::Loading);
    Part(*window, "NewAction")->trigger();
    window->SetActivity(TMainWindow::TActivity::Idle);
    TSheetView& sheet = window->Sheet();
    sheet.SetLayerFolder(1, Files / "");
    sheet.PlaceCelAt(1, 1, "a.png", 2);
    sheet.PlaceCelAt(1, 3, "gone.png", 2);
    WritableData(sheet.Document()).Selection = {0, 0, 0, 3};

    QStringList messages;
    window->Settings().Current.Editors.ImageEditor = {"Paint", (Files / "no-such-editor").c_str()};
    AnswerAlert(messages);
    Part(*window, "EditImageAction")->trigger();

    // Without an editor the desktop's default program opens the drawings.
    TOpenedFiles opened;
    QDesktopServices::setUrlHandler("file", &opened, "Open");
    window->Settings().Current.Editors.ImageEditor = {};
    AnswerAlert(messages);
    Part(*window, "EditImageAction")->trigger();
    QDesktopServices::unsetUrlHandler("file");
    EXPECT_EQ(opened.Paths, QStringList{FilesPath("a.png")});

    sheet.SelectCell(1, 3);
    AnswerAlert(messages);
    Part(*window, "RenameImageAction")->trigger();
    sheet.SelectCell(1, 2);
    Part(*window, "RenameImageAction")->trigger();
    TCellEditor& editor = sheet.Editor();
    ASSERT_TRUE(editor.Editing);
    editor.setText("b.png");
    AnswerAlert(messages);
    QTest::keyClick(&editor, Qt::Key_Return);
    EXPECT_EQ(sheet.CelName(1, 1), "a.png");
    EXPECT_EQ(messages, (QStringList{
                            "An image editor has not been selected. Select an Image Editor in Settings > "
                            "Preferences.",
                            "The following files were not found: gone.png, ",
                            "gone.png not found in " + FilesPath() + " folder.",
                            "File 'b.png' already exists.",
                        }));
}

#include "DialogCommandsTest.moc"
