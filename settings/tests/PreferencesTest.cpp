#include "settings/Preferences.h"

#include "base/Error.h"
#include "testsupport/TempFolder.h"

#include <functional>
#include <gtest/gtest.h>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {
// A user's account in a temporary folder: home, configuration folder and temporary folder.
struct TAccount {
    TTempFolder Temp;
    TFolderEnvironment Env{Temp / "home", Temp / "config", Temp / "tmp"};

    TAccount() {
        fs::create_directories(Temp.Path() / "home");
        fs::create_directories(Temp.Path() / "tmp");
    }
    // The defaults a new settings object holds for this account.
    TSettings Defaults() const {
        TSettings settings;
        settings.General.DefaultPath = Env.Home + "/";
        settings.General.TempPath = Env.TempDirectory + "/";
        return settings;
    }
};

std::string Replace(std::string text, std::string_view from, std::string_view to) {
    for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}
} // namespace

TEST(SettingsManager, FirstRunCreatesTheUserFolderAndGivesTheDefaults) {
    TAccount account;
    const std::string folder = UserFolder(account.Env);
    EXPECT_EQ(folder, account.Temp / "config/Celwright/3.0/");
    EXPECT_TRUE(fs::is_directory(folder));

    TSettingsManager manager(folder, account.Env);
    EXPECT_EQ(manager.SettingsFilePath(), folder + "celwright.ini");
    EXPECT_FALSE(manager.LoadFromFile());

    const TSettings& saved = manager.Saved;
    EXPECT_EQ(saved.General.Fps, 24);
    EXPECT_EQ(saved.General.DefaultPath, account.Temp / "home/");
    EXPECT_EQ(saved.General.TempPath, account.Temp / "tmp/");
    EXPECT_EQ(saved.General.LayerColor, 0);
    EXPECT_EQ(saved.General.CompositeMode, TComp::cDarken);
    EXPECT_EQ(saved.Capture.CaptureMode, TCapMode::cmXSheet);
    EXPECT_EQ(saved.Capture.CaptureFormat, TcwImageFormat::png);
    EXPECT_EQ(saved.Capture.CaptureColor, TCapColorMode::ccmColor);
    EXPECT_EQ(saved.Capture.Hold, 2);
    EXPECT_EQ(saved.Capture.Numbering, "sequential");
    EXPECT_TRUE(saved.Preview.AutoBuild);
    EXPECT_EQ(saved.Preview.PreviewColor, TPreviewColorMode::pcmColor);
    EXPECT_EQ(saved.Editors.ImageEditor, TExternalProgram{});

    // The documents folder is looked up when the defaults are set.
    fs::create_directories(account.Temp.Path() / "home/Documents");
    manager.SetDefaults();
    EXPECT_EQ(manager.Saved.General.DefaultPath, account.Temp / "home/Documents/");
}

TEST(SettingsManager, LoadingReadsEachKeyAndKeepsTheDefaultOfWhatIsMissingOrUnreadable) {
    struct Case {
        const char* file;
        std::function<void(TSettings&)> change; // from the defaults
    };
    const Case cases[] = {
        {"[general preferences]\nfps=12\n", [](TSettings& s) { s.General.Fps = 12; }},
        {"[General Preferences]\nFPS=twelve\ncolor=\n", [](TSettings&) {}},
        // A frame rate the FPS menu would refuse (1 to 120) keeps the default.
        {"[general preferences]\nfps=-5\ncolor=7\nhold=9\n", [](TSettings& s) { s.General.LayerColor = 7; }},
        {"[general preferences]\nfps=0\n", [](TSettings&) {}},
        {"[general preferences]\nfps=121\n", [](TSettings&) {}},
        {"[general preferences]\nfps=2147483647\n", [](TSettings&) {}},
        {"[general preferences]\nfps=120\n", [](TSettings& s) { s.General.Fps = 120; }},
        {"[general preferences]\nfps=1\n", [](TSettings& s) { s.General.Fps = 1; }},
        {"[general preferences]\nundo levels=250\n", [](TSettings& s) { s.General.UndoLevels = 250; }},
        {"[general preferences]\nundo levels=5000\n", [](TSettings& s) { s.General.UndoLevels = 1000; }},
        {"[general preferences]\nundo levels=0\n", [](TSettings&) {}},
        {"[general preferences]\ndefault path=/cels/My Film\ntemp path=\ncomposite mode=CMULTIPLY\n",
         [](TSettings& s) {
             s.General.DefaultPath = "/cels/My Film/";
             s.General.TempPath = "";
             s.General.CompositeMode = TComp::cMultiply;
         }},
        {"[capture preferences]\ncapture mode=CMSTOPMOTION\ncapture format=Jpg\nhold=3\nnumbering=Frame\n",
         [](TSettings& s) {
             s.Capture.CaptureMode = TCapMode::cmStopMotion;
             s.Capture.CaptureFormat = TcwImageFormat::jpg;
             s.Capture.Hold = 3;
             s.Capture.Numbering = "Frame";
         }},
        {"[capture preferences]\ncapture mode=cmNothing\ncapture format=tiff\ncolor mode=pcmBw\n"
         "[general preferences]\ncomposite mode=\n",
         [](TSettings&) {}},
        {"[capture preferences]\ncolor mode=ccmBw\n[preview preferences]\nauto build=0\n",
         [](TSettings& s) {
             s.Capture.CaptureColor = TCapColorMode::ccmBw;
             s.Preview.AutoBuild = false;
         }},
        // Blanks around "=" are not part of the value; a folder always ends with its separator.
        {"[capture preferences]\nnumbering = frame\n[general preferences]\ndefault path = /cels \n",
         [](TSettings& s) {
             s.Capture.Numbering = "frame";
             s.General.DefaultPath = "/cels/";
         }},
        {"[preview preferences]\nauto build=yes\ncolor mode=pcmbw\n",
         [](TSettings& s) { s.Preview.PreviewColor = TPreviewColorMode::pcmBw; }},
        {"[editors]\nimg editor name=Paint\nimg editor location=/usr/bin/paint\n",
         [](TSettings& s) {
             s.Editors.ImageEditor = {"Paint", "/usr/bin/paint"};
         }},
        {"fps=30\n[preferences]\nfps=30\n[celwright]\nlanguage=Deutsch\n", [](TSettings&) {}},
        {"", [](TSettings&) {}},
    };
    TAccount account;
    const std::string folder = UserFolder(account.Env);
    for (const auto& c : cases) {
        for (const std::string_view lineEnd : {"\n", "\r\n"}) {
            SCOPED_TRACE(testing::PrintToString(c.file) + (lineEnd == "\n" ? " LF" : " CR LF"));
            WriteText(folder + "celwright.ini", Replace(c.file, "\n", lineEnd));
            TSettingsManager manager(folder, account.Env);
            EXPECT_TRUE(manager.LoadFromFile());
            TSettings expected = account.Defaults();
            c.change(expected);
            EXPECT_EQ(manager.Saved, expected);
        }
    }
}

TEST(SettingsManager, LoadingKeepsTheEditorNameButNotItsLocationWhenMissing) {
    TAccount account;
    const std::string folder = UserFolder(account.Env);
    WriteText(folder + "celwright.ini", "[editors]\n");
    TSettingsManager manager(folder, account.Env);
    manager.Saved.Editors.ImageEditor = {"Paint", "/usr/bin/paint"};
    ASSERT_TRUE(manager.LoadFromFile());
    EXPECT_EQ(manager.Saved.Editors.ImageEditor, (TExternalProgram{"Paint", ""}));
}

TEST(SettingsManager, SavingRewritesThePreferencesAndKeepsTheOtherSectionsInPlace) {
    TAccount account;
    const std::string folder = UserFolder(account.Env);
    WriteText(folder + "celwright.ini", "[celwright]\r\n"
                                        "language=Deutsch\r\n"
                                        "[preferences]\r\n"
                                        "fps=30\r\n"
                                        "[General Preferences]\r\n"
                                        "fps=30\r\n"
                                        "kept=yes\r\n"
                                        "[recent files]\r\n"
                                        "file1=/films/a.xps\r\n"
                                        "file2=/films/b.xps\r\n");
    TSettingsManager manager(folder, account.Env);
    manager.SaveToFile();
    const std::string expected = "[celwright]\n"
                                 "language=Deutsch\n"
                                 "[General Preferences]\n"
                                 "fps=24\n"
                                 "kept=yes\n"
                                 "color=0\n"
                                 "default path=<home>/\n"
                                 "temp path=<tmp>/\n"
                                 "composite mode=cDarken\n"
                                 "undo levels=10\n"
                                 "[recent files]\n"
                                 "file1=/films/a.xps\n"
                                 "file2=/films/b.xps\n"
                                 "[capture preferences]\n"
                                 "capture mode=cmXSheet\n"
                                 "color mode=ccmColor\n"
                                 "capture format=png\n"
                                 "hold=2\n"
                                 "numbering=sequential\n"
                                 "[preview preferences]\n"
                                 "auto build=1\n"
                                 "color mode=pcmColor\n"
                                 "[editors]\n"
                                 "img editor name=\n"
                                 "img editor location=\n";
    EXPECT_EQ(ReadText(folder + "celwright.ini"),
              Replace(Replace(expected, "<home>", account.Env.Home), "<tmp>", account.Env.TempDirectory));
}

TEST(SettingsManager, SavedPreferencesComeBackAsTheyWere) {
    TAccount account;
    const std::string folder = UserFolder(account.Env);
    TSettingsManager manager(folder, account.Env);
    TSettings& saved = manager.Saved;
    saved.General = {12, "/films/Ünder = way/", "/tmp/spa ced/", 2, TComp::cMultiply, 300};
    saved.Capture = {TCapMode::cmStopMotion, TcwImageFormat::bmp, TCapColorMode::ccmBw, 6, "frame"};
    saved.Preview = {false, TPreviewColorMode::pcmBw};
    saved.Editors.ImageEditor = {"My Paint", "/opt/paint/bin/paint"};
    manager.SaveToFile();

    const std::string text = ReadText(manager.SettingsFilePath());
    for (const char* line :
         {"\ncomposite mode=cMultiply\n", "\ncapture mode=cmStopMotion\n", "\ncolor mode=ccmBw\n",
          "\ncapture format=bmp\n", "\ncolor mode=pcmBw\n", "\nauto build=0\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line;

    TSettingsManager reloaded(folder, account.Env);
    ASSERT_TRUE(reloaded.LoadFromFile());
    EXPECT_EQ(reloaded.Saved, saved);

    // Saving again changes nothing.
    reloaded.SaveToFile();
    EXPECT_EQ(ReadText(manager.SettingsFilePath()), text);
}

TEST(SettingsManager, WithoutAUserFolderNothingIsReadOrWritten) {
    TAccount account;
    const auto previous = fs::current_path();
    fs::current_path(account.Temp.Path());
    WriteText("celwright.ini", "[general preferences]\nfps=12\n");
    TSettingsManager manager("", account.Env);
    EXPECT_EQ(manager.SettingsFilePath(), "");
    EXPECT_FALSE(manager.LoadFromFile());
    EXPECT_EQ(manager.Saved.General.Fps, 24);
    manager.Saved.General.Fps = 30;
    manager.SaveToFile();
    EXPECT_EQ(ReadText("celwright.ini"), "[general preferences]\nfps=12\n");
    fs::current_path(previous);
}

TEST(SettingsManager, AFailedSaveRaisesAnErrorAndLeavesTheOldFile) {
    TAccount account;
    const std::string folder = UserFolder(account.Env);
    const std::string old = "[celwright]\nlanguage=Deutsch\n";
    WriteText(folder + "celwright.ini", old);
    TSettingsManager manager(folder, account.Env);
    manager.Saved.General.Fps = 30;

    // Root writes into read-only folders, so the save runs in a child without root's rights, as the
    // owner of the user folder.
    for (const auto& f :
         {account.Temp.Path(), account.Temp.Path() / "config", account.Temp.Path() / "config/Celwright"})
        ::chmod(f.c_str(), 0755);
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(folder.c_str(), 65534, 65534), 0);
    }
    ::chmod(folder.c_str(), 0555);
    auto save = [&] {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            std::_Exit(3);
        try {
            manager.SaveToFile();
        } catch (const ECwError& error) {
            std::_Exit(std::string(error.what()).find("celwright.ini") != std::string::npos ? 0 : 2);
        }
        std::_Exit(1);
    };
    EXPECT_EXIT(save(), testing::ExitedWithCode(0), "");
    ::chmod(folder.c_str(), 0755);
    EXPECT_EQ(ReadText(folder + "celwright.ini"), old);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1)
        << "a file was left behind";
}

TEST(SettingsManager, ASettingsFileThatCannotBeReadIsNotOverwritten) {
    TAccount account;
    const std::string folder = UserFolder(account.Env);
    fs::create_directory(folder + "celwright.ini");
    TSettingsManager manager(folder, account.Env);
    EXPECT_THROW(manager.SaveToFile(), ECwError);
    EXPECT_TRUE(fs::is_directory(folder + "celwright.ini"));
}

TEST(SettingsManager, DocumentSettingsMapToTheCurrentSettings) {
    TAccount account;
    TSettingsManager manager(UserFolder(account.Env), account.Env);
    manager.Saved.General.Fps = 30;
    manager.ResetCurrent();
    EXPECT_EQ(manager.Current, manager.Saved);

    const TXpsSettings document{12, 3, "frame", 2, TcwImageFormat::jpg, "/films/scene 1/"};
    TSettings expected = manager.Current;
    expected.General.Fps = 12;
    expected.Capture.Hold = 3;
    expected.Capture.Numbering = "frame";
    expected.General.LayerColor = 2;
    expected.Capture.CaptureFormat = TcwImageFormat::jpg;
    expected.General.DefaultPath = "/films/scene 1/";
    ApplyDocumentSettingsTo(manager.Current, document);
    EXPECT_EQ(manager.Current, expected);

    TXpsSettings back;
    manager.GetDocumentSettings(back);
    EXPECT_EQ(back.Fps, 12);
    EXPECT_EQ(back.Step, 3);
    EXPECT_EQ(back.Numbering, "frame");
    EXPECT_EQ(back.Color, 2);
    EXPECT_EQ(back.Format, TcwImageFormat::jpg);
    EXPECT_EQ(back.Path, "/films/scene 1/");
    EXPECT_EQ(manager.Saved.General.Fps, 30) << "Saved is untouched";
}
