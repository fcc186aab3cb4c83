// The dialogs of new projects, layer properties, preferences, profiles and the program editor, each on
// its own, answered the way a user would.
#include "ui/TextLabel.h"
#include "app/DeflateEdit.h"
#include "ui/ErrorBox.h"
#include "app/PreferencesDialog.h"
#include "app/NewProjectDialog.h"
#include "ui/AlertPrompt.h"
#include "app/ProfileManagerDialog.h"
#include "app/ProgramEditDialog.h"
#include "ui/EntryDialog.h"
#include "app/LayerPropertiesDialog.h"
#include "testsupport/ModalAnswer.h"
#include "testsupport/QStringPrinting.h"
#include "testsupport/TempFolder.h"
#include "testsupport/WaitFor.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QToolButton>
#include <filesystem>

namespace fs = std::filesystem;

namespace {
// Collects what the standard error box would show.
class DialogTest : public ::testing::Test {
protected:
    DialogTest() {
        ErrorBoxOverride() = [this](const QString& text) { Errors.append(text); };
    }
    ~DialogTest() override { ErrorBoxOverride() = nullptr; }

    QString Path(std::string_view name = "") const { return QString::fromStdString(Temp / name); }

    TTempFolder Temp;
    QStringList Errors;
    TAlertPrompt Alert;
    TEntryDialog Entry;
};

// Answers the alert prompt that comes next, noting its message.
void AnswerAlert(QPushButton* TAlertPrompt::*button, QString* message = nullptr) {
    WhenShown<TAlertPrompt>([button, message](TAlertPrompt& alert) {
        if (message)
            *message = alert.MsgLbl->text();
        (alert.*button)->click();
    });
}

// Chooses `folder` in the folder browser that comes next.
void ChooseFolder(const QString& folder) {
    WhenShown<QFileDialog>([folder](QFileDialog& browser) {
        browser.setDirectory(folder);
        static_cast<QDialog&>(browser).accept();
    });
}
} // namespace

// ---------------------------------------------------------------------------------------------
// New Project

TEST_F(DialogTest, ProjectDialogChecksItsChoicesBeforeClosing) {
    fs::create_directories(Temp / "P");
    WriteText(Temp / "P/walk.xps", "");
    QString name = "";
    QString folder = Path("gone");
    int fps = 18; // no item of the list: nothing is selected
    int layers = 0;
    QString prompt;
    TNewProjectDialog dialog(&Alert, &Entry);
    WhenShown<TNewProjectDialog>([&](TNewProjectDialog& shown) {
        EXPECT_EQ(shown.ComboBox1->currentIndex(), -1);
        EXPECT_EQ(shown.ComboBox2->currentText(), "1");
        shown.Button2->click();
        shown.ShowFolder(Path("P"));
        shown.Button2->click();
        shown.Edit2->setText("walk");
        shown.Button2->click();
        shown.ComboBox1->setCurrentIndex(0); // 24
        shown.ComboBox2->setCurrentIndex(1);
        AnswerAlert(&TAlertPrompt::NegBtn, &prompt);
        shown.Button2->click();
        EXPECT_TRUE(shown.isVisible()) << "Cancel in the overwrite prompt keeps the dialog open";
        AnswerAlert(&TAlertPrompt::PosBtn);
        shown.Button2->click();
    });
    ASSERT_TRUE(dialog.Execute(name, folder, fps, layers));
    EXPECT_EQ(Errors, (QStringList{"Please select a valid directory.", "Please enter a Project name.",
                                   "Please select a frame rate."}));
    EXPECT_EQ(prompt, "walk.xps \n\nalready exists. Do you wish to overwrite the file?");
    EXPECT_EQ(Alert.PosBtn->text(), "Overwrite");
    EXPECT_EQ(name, "walk");
    EXPECT_EQ(folder, Path("P/"));
    EXPECT_EQ(fps, 24);
    EXPECT_EQ(layers, 2);
}

TEST_F(DialogTest, ProjectDialogTakesAnyFrameRateThroughOther) {
    struct TCase {
        QString Typed;
        int Fps;
        QString Error;
    };
    for (const TCase& c : {TCase{"18", 18, ""}, TCase{"fast", 30, "'fast' is not a valid integer value"}}) {
        Errors.clear();
        QString name = "walk";
        QString folder = Path();
        int fps = 30;
        int layers = 0;
        TNewProjectDialog dialog(&Alert, &Entry);
        WhenShown<TNewProjectDialog>([&](TNewProjectDialog& shown) {
            WhenShown<TEntryDialog>([&](TEntryDialog& entry) {
                EXPECT_EQ(entry.windowTitle(), "FPS");
                entry.Edit1->setText(c.Typed);
                entry.Button1->click();
            });
            shown.ComboBox1->setCurrentIndex(5);
            emit shown.ComboBox1->activated(5);
            EXPECT_EQ(shown.ComboBox1->currentText(), "other...");
            shown.Button2->click();
        });
        ASSERT_TRUE(dialog.Execute(name, folder, fps, layers)) << c.Typed.toStdString();
        EXPECT_EQ(fps, c.Fps) << c.Typed.toStdString();
        EXPECT_EQ(Errors, c.Error.isEmpty() ? QStringList() : QStringList{c.Error});
    }
}

TEST_F(DialogTest, ProjectDialogMakesNumberedNewFoldersAndGoesUp) {
    fs::create_directories(Temp / "P/New Folder");
    TNewProjectDialog dialog(&Alert, &Entry);
    dialog.show();
    dialog.ShowFolder(Path("P"));
    dialog.NewFldr->click();
    EXPECT_TRUE(fs::is_directory(Temp / "P/New Folder1"));
    dialog.NewFldr->click();
    EXPECT_TRUE(fs::is_directory(Temp / "P/New Folder2"));
    auto* model = static_cast<QFileSystemModel*>(dialog.ShellListView1->model());
    EXPECT_EQ(model->fileName(dialog.ShellListView1->currentIndex()), "New Folder2");
    QStringList editing;
    for (const QLineEdit* editor : dialog.ShellListView1->findChildren<QLineEdit*>()) {
        if (editor->isVisible())
            editing.append(editor->text());
    }
    EXPECT_EQ(editing, QStringList{"New Folder2"}) << "its name opens for editing";

    // Return opens the folder typed in the path box, or the one chosen in the list, and leaves OK alone.
    dialog.ShellComboBox1->lineEdit()->setText(Path("P/New Folder"));
    QTest::keyClick(dialog.ShellComboBox1->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(dialog.ListedFolder(), Path("P/New Folder"));
    dialog.ShowFolder(Path());
    ASSERT_TRUE(WaitFor(
        [&] { return dialog.ShellListView1->model()->rowCount(dialog.ShellListView1->rootIndex()) > 0; }));
    dialog.ShellListView1->setCurrentIndex(model->index(Path("P")));
    QTest::keyClick(dialog.ShellListView1, Qt::Key_Return);
    EXPECT_EQ(dialog.ListedFolder(), Path("P"));
    EXPECT_TRUE(dialog.isVisible());

    dialog.UpDirSB->click();
    EXPECT_EQ(dialog.ListedFolder(), Path().chopped(1));
    EXPECT_EQ(dialog.ShellComboBox1->itemText(0), Path().chopped(1));
    EXPECT_EQ(dialog.ShellComboBox1->itemText(dialog.ShellComboBox1->count() - 1), "/");
}

TEST_F(DialogTest, ProjectDialogReturnAfterNamingANewFolderKeepsTheRenamedFolderChosen) {
    fs::create_directories(Temp / "P/older");
    TNewProjectDialog dialog(&Alert, &Entry);
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    dialog.ShowFolder(Path("P"));
    ASSERT_TRUE(WaitFor(
        [&] { return dialog.ShellListView1->model()->rowCount(dialog.ShellListView1->rootIndex()) > 0; }));
    dialog.NewFldr->click();
    QLineEdit* editor = nullptr;
    ASSERT_TRUE(WaitFor([&] {
        for (QLineEdit* open : dialog.ShellListView1->findChildren<QLineEdit*>())
            editor = open->isVisible() ? open : editor;
        return editor != nullptr;
    }));
    editor->selectAll();
    QTest::keyClicks(editor, "proj2");
    QTest::keyClick(editor, Qt::Key_Return);
    ASSERT_TRUE(WaitFor([&] { return fs::is_directory(Temp / "P/proj2"); }));
    EXPECT_FALSE(fs::exists(Temp / "P/New Folder"));
    EXPECT_TRUE(dialog.isVisible()) << "Return while naming is no OK";
    EXPECT_EQ(dialog.ListedFolder(), Path("P"));
    auto* model = static_cast<QFileSystemModel*>(dialog.ShellListView1->model());
    ASSERT_TRUE(WaitFor([&] { return model->fileName(dialog.ShellListView1->currentIndex()) == "proj2"; }));

    // The next Return opens the folder under its new name.
    QTest::keyClick(dialog.ShellListView1, Qt::Key_Return);
    EXPECT_EQ(dialog.ListedFolder(), Path("P/proj2"));
}

// ---------------------------------------------------------------------------------------------
// Layer properties

TEST_F(DialogTest, LayerPropertiesNeedAFolderThatExistsOrCanBeMadeOneLevelDeep) {
    TLayerPropertiesDialog window(&Alert, {"Orange", "Blue", "Green"});
    TLayerPropertiesDialog::TShown shown{"  Layer 4 ", Path("a/b/c"), 2, Path()};
    QString message;
    WhenShown<TLayerPropertiesDialog>([&](TLayerPropertiesDialog& open) {
        EXPECT_EQ(open.windowTitle(), "Set Properties for Layer");
        EXPECT_EQ(open.ComboBox1->currentText(), "Green");
        AnswerAlert(&TAlertPrompt::PosBtn, &message);
        open.Button2->click();
        EXPECT_TRUE(open.isVisible()) << "a folder two levels deep cannot be made";
        open.Spath->setText(Path("a"));
        open.Button2->click();
    });
    ASSERT_TRUE(window.NewLayer(shown, {0, 0}));
    EXPECT_EQ(message, "Could not create directory. Please set Storage path to a valid directory.");
    EXPECT_TRUE(fs::is_directory(Temp / "a"));
    EXPECT_EQ(window.Folder, Path("a/"));
    EXPECT_EQ(window.Caption, "Layer 4");
    EXPECT_EQ(window.ColorIndex, 2);

    // The Change button's browser gives a folder with a separator at its end; closing by the frame
    // cancels and keeps the last OK's results.
    fs::create_directories(Temp / "picked");
    WhenShown<TLayerPropertiesDialog>([&](TLayerPropertiesDialog& open) {
        EXPECT_EQ(open.windowTitle(), "Layer Properties");
        ChooseFolder(Path("picked"));
        open.Button1->click();
        EXPECT_EQ(open.Spath->text(), Path("picked/"));
        EXPECT_EQ(open.Spath->toolTip(), "Location to store images listed in Layer.\n" + Path("picked/")); // the hint stays
        open.close();
    });
    EXPECT_FALSE(window.EditLayer(shown, {0, 0}));
    EXPECT_EQ(window.Folder, Path("a/"));
}

// ---------------------------------------------------------------------------------------------
// Preferences

TEST_F(DialogTest, PreferencesShowTheRecordAndWriteEachChange) {
    TProgramEditDialog editor(&Alert);
    TPreferencesDialog dialog({"Orange", "Blue", "Green"}, &editor);
    TSettings settings;
    settings.General.Fps = 18;
    settings.General.DefaultPath = "/anim/";
    settings.Capture.Hold = 7;
    settings.Capture.Numbering = "Frame"; // only "frame" itself means Frame
    settings.General.LayerColor = 1;
    dialog.LoadRecord(settings);
    EXPECT_EQ(dialog.FpsButtons->checkedId(), 5);
    EXPECT_EQ(dialog.FpsEntry->text(), "18");
    EXPECT_EQ(dialog.StepButtons->checkedId(), -1) << "a hold outside 1 to 4 shows no item";
    EXPECT_EQ(dialog.NumberingButtons->checkedId(), 1);
    EXPECT_EQ(dialog.ColorCombo->currentText(), "Blue");
    EXPECT_EQ(dialog.ImgEditNameLbl->text(), "None");
    EXPECT_EQ(dialog.Working(), settings) << "showing a record changes nothing";

    dialog.FpsEntry->setText("");
    dialog.FpsEntry->setText("2x");
    EXPECT_EQ(Errors, QStringList{"'2x' is not a valid integer value"});
    EXPECT_EQ(dialog.Working().General.Fps, 18);
    dialog.FpsEntry->setText("20");
    EXPECT_EQ(dialog.Working().General.Fps, 20);
    dialog.FpsButtons->button(4)->click();
    EXPECT_EQ(dialog.Working().General.Fps, 12);
    dialog.FpsEntry->setText("16");
    EXPECT_EQ(dialog.Working().General.Fps, 12) << "the field counts only while Other is chosen";

    dialog.StepButtons->button(3)->click();
    dialog.NumberingButtons->button(0)->click();
    dialog.ModeButtons->button(1)->click();
    dialog.ImageButtons->button(2)->click();
    dialog.PrevColorButtons->button(1)->click();
    dialog.AutoBuildCheck->click();
    dialog.ColorCombo->setCurrentIndex(2);
    EXPECT_EQ(dialog.UndoLevelsSpin->value(), 10);
    QTest::keyClick(dialog.UndoLevelsSpin, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(dialog.UndoLevelsSpin, "100");
    const TSettings& working = dialog.Working();
    EXPECT_EQ(working.General.UndoLevels, 100);
    EXPECT_EQ(working.Capture.Hold, 4);
    EXPECT_EQ(working.Capture.Numbering, "frame");
    EXPECT_EQ(working.Capture.CaptureMode, TCapMode::cmStopMotion);
    EXPECT_EQ(working.Capture.CaptureFormat, TcwImageFormat::bmp);
    EXPECT_EQ(working.Preview.PreviewColor, TPreviewColorMode::pcmBw);
    EXPECT_FALSE(working.Preview.AutoBuild);
    EXPECT_EQ(working.General.LayerColor, 2);

    ChooseFolder(Path());
    dialog.DefPathBtn->click();
    EXPECT_EQ(dialog.Working().General.DefaultPath, Temp / "");
    EXPECT_TRUE(dialog.Working().General.DefaultPath.ends_with('/'));
    ChooseFolder(Path());
    dialog.TempPathBtn->click();
    EXPECT_EQ(dialog.TempPathText->text(), Path(""));
}

TEST_F(DialogTest, PreferencesGiveTheRecordBackOnlyOnOk) {
    TProgramEditDialog editor(&Alert);
    TPreferencesDialog dialog({"Orange", "Blue", "Green"}, &editor);
    const QString program = Path("paint");
    WriteText(Temp / "paint", "");
    TSettings settings;
    settings.General.Fps = 18;
    const TSettings before = settings;
    auto changeEditor = [&](TPreferencesDialog& shown) {
        WhenShown<TProgramEditDialog>([&](TProgramEditDialog& open) {
            open.NameEdit->setText(" Paint ");
            open.LocationEdit->setText(program);
            open.OkBtn->click();
        });
        shown.ChangeImgEditBtn->click();
        EXPECT_EQ(shown.ImgEditNameLbl->text(), "Paint");
        EXPECT_EQ(shown.ImgEditLocationLbl->text(), program);
    };
    WhenShown<TPreferencesDialog>([&](TPreferencesDialog& shown) {
        changeEditor(shown);
        shown.CancelBtn->click();
    });
    EXPECT_FALSE(dialog.Edit("Preferences", settings, {0, 0}));
    EXPECT_EQ(settings, before);

    WhenShown<TPreferencesDialog>([&](TPreferencesDialog& shown) {
        changeEditor(shown);
        shown.OkBtn->click();
    });
    EXPECT_TRUE(dialog.Edit("Preferences", settings, {0, 0}));
    EXPECT_EQ(settings.General.Fps, 18) << "OK without touching the frame rate keeps 18";
    EXPECT_EQ(settings.Editors.ImageEditor, (TExternalProgram{"Paint", program.toStdString()}));
}

// ---------------------------------------------------------------------------------------------
// Program editor

TEST_F(DialogTest, TheProgramEditorNeedsAnExistingProgramFile) {
    TProgramEditDialog editor(&Alert);
    QString message;
    WhenShown<TProgramEditDialog>([&](TProgramEditDialog& open) {
        EXPECT_EQ(open.windowTitle(), "Editor Properties");
        AnswerAlert(&TAlertPrompt::PosBtn, &message);
        open.LocationEdit->setText(Path("missing"));
        open.OkBtn->click();
        EXPECT_TRUE(open.isVisible());
        open.CancelBtn->click();
    });
    EXPECT_FALSE(editor.EditProgram("Paint", "/usr/bin/paint"));
    EXPECT_EQ(message, "Program location is not valid.");
}

TEST(DeflatePath, KeepsTheFirstAndLastNamesThatFit) {
    const QString path = "/home/anna/projects/walk/scenes/final/";
    struct TCase {
        qsizetype Room;
        QString Shown;
    };
    const TCase cases[] = {
        {100, path},
        {path.size() - 1, "/home/anna/projects/walk/.../final/"},
        {30, "/home/anna/projects/.../final/"},
        {22, "/home/anna/.../final/"},
        {18, "/home/.../final/"},
        {5, "/.../final/"},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(DeflatePath(path, [&](const QString& text) { return text.size() <= c.Room; }), c.Shown)
            << c.Room;
    }
    EXPECT_EQ(DeflatePath("/home", [](const QString&) { return false; }), "/home");
}

// ---------------------------------------------------------------------------------------------
// Profile manager

namespace {
class ProfileManagerTest : public DialogTest {
protected:
    ProfileManagerTest() : Profiles(Saved, Temp / "") {
        Saved.General.DefaultPath = "/saved/";
        Saved.Capture.CaptureMode = TCapMode::cmStopMotion;
        Profiles.AddProfile("Bob", Saved);
        Profiles.AddProfile("anna", Saved);
    }

    // Types `name` into the step entry dialog that comes next.
    static void TypeName(const QString& name) {
        WhenShown<TEntryDialog>([name](TEntryDialog& entry) {
            EXPECT_EQ(entry.windowTitle(), "Profile Name");
            entry.Edit1->setText(name);
            entry.Button1->click();
        });
    }

    QStringList Listed(const TProfileManagerDialog& manager) const {
        QStringList names;
        for (int row = 0; row < manager.ListBox1->count(); ++row)
            names.append(manager.ListBox1->item(row)->text());
        return names;
    }

    TSettings Saved;
    TProfileList Profiles;
};
} // namespace

TEST_F(ProfileManagerTest, AddsRenamesAndDeletesProfilesAndFollowsTheActiveOne) {
    TProfileManagerDialog manager(Profiles, Saved, "Bob", &Entry, &Alert);
    EXPECT_EQ(Listed(manager), (QStringList{"anna", "Bob"}));
    EXPECT_EQ(manager.SelectedName(), "anna");
    EXPECT_FALSE(manager.Changed());

    TypeName("Carl");
    manager.NewBtn->click();
    EXPECT_EQ(Listed(manager), (QStringList{"anna", "Bob", "Carl"}));
    EXPECT_EQ(manager.SelectedName(), "Carl");
    EXPECT_EQ(manager.DefPathText->Path(), "/saved/") << "a new profile takes the saved preferences";
    EXPECT_EQ(manager.CapModeButtons->checkedId(), 1);
    EXPECT_TRUE(manager.Changed());

    manager.ListBox1->setCurrentRow(1);
    TypeName("Zoe");
    manager.RenameBtn->click();
    EXPECT_EQ(Listed(manager), (QStringList{"anna", "Carl", "Zoe"}));
    EXPECT_EQ(manager.SelectedName(), "anna") << "the first profile is selected after a rename";
    EXPECT_EQ(manager.ActiveProfile(), "Zoe");

    manager.ListBox1->setCurrentRow(2);
    manager.DeleteBtn->click();
    EXPECT_EQ(Listed(manager), (QStringList{"anna", "Carl"}));
    EXPECT_EQ(manager.SelectedName(), "anna");
    EXPECT_EQ(manager.ActiveProfile(), "Default");

    Profiles.SaveProfiles();
    EXPECT_EQ(ReadText(Temp / "profiles.ini"), "[anna]\ndefault path=/saved/\ncapture mode=cmStopMotion\n"
                                               "[Carl]\ndefault path=/saved/\ncapture mode=cmStopMotion\n");
}

TEST_F(ProfileManagerTest, ApplyStoresAFolderAfterOfferingToMakeIt) {
    TProfileManagerDialog manager(Profiles, Saved, "Default", &Entry, &Alert);
    manager.DefPathText->SetPath(Path("new"));
    manager.CapModeButtons->button(0)->click();
    AnswerAlert(&TAlertPrompt::NegBtn);
    manager.ApplyBtn->click();
    EXPECT_FALSE(fs::exists(Temp / "new"));
    EXPECT_EQ(Profiles.FindProfile("anna")->Settings.DefaultPath, "/saved/");

    QString message;
    AnswerAlert(&TAlertPrompt::PosBtn, &message);
    manager.ApplyBtn->click();
    EXPECT_EQ(message, "Directory does not exists. Do you wish to create the directory?");
    EXPECT_TRUE(fs::is_directory(Temp / "new"));
    EXPECT_EQ(Profiles.FindProfile("anna")->Settings,
              (TProfileSettings{Path("new/").toStdString(), TCapMode::cmXSheet}));
    EXPECT_TRUE(manager.Changed());

    manager.DefPathText->SetPath(Path("x/y"));
    AnswerAlert(&TAlertPrompt::PosBtn);
    AnswerAlert(&TAlertPrompt::PosBtn, &message);
    manager.ApplyBtn->click();
    EXPECT_EQ(message, "Unable to create new directory.");
    manager.CancelBtn->click();
    EXPECT_EQ(manager.DefPathText->Path(), Path("new/")) << "Reset shows the stored settings again";
}
