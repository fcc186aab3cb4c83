#include "settings/Folders.h"

#include "testsupport/TempFolder.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace fs = std::filesystem;

TEST(Folders, UserFolderIsCreatedInTheConfigurationFolder) {
    TTempFolder temp;
    fs::create_directories(temp.Path() / "home");
    fs::create_directories(temp.Path() / "old/Celwright");
    WriteText(temp.Path() / "old/Celwright/profiles.ini", "[p]\n");
    WriteText(temp.Path() / "file", "not a folder");
    struct Case {
        const char* what;
        TFolderEnvironment env;
        std::string expected;
    };
    const std::string home = temp / "home";
    const Case cases[] = {
        {"clean config home", {home, temp / "config", ""}, temp / "config/Celwright/3.0/"},
        {"config home ending in /", {home, temp / "config2/", ""}, temp / "config2/Celwright/3.0/"},
        {"Celwright/ already there", {home, temp / "old", ""}, temp / "old/Celwright/3.0/"},
        {"no config home", {home, "", ""}, temp / "home/.config/Celwright/3.0/"},
        {"relative config home", {home, "config", ""}, temp / "home/.config/Celwright/3.0/"},
        {"cannot be created", {home, temp / "file/config", ""}, ""},
        {"no home either", {"", "", ""}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(UserFolder(c.env), c.expected);
        if (!c.expected.empty()) {
            EXPECT_TRUE(fs::is_directory(c.expected));
            EXPECT_EQ(UserFolder(c.env), c.expected); // found again, not re-created
        }
    }
    EXPECT_TRUE(fs::exists(temp.Path() / "old/Celwright/profiles.ini"));
}

TEST(Folders, DocumentsFolderFollowsUserDirsThenDocumentsThenHome) {
    struct Case {
        const char* userDirs; // nullptr: no user-dirs.dirs; "@" stands for the home folder
        bool documentsExists;
        std::string expected; // under the home folder
    };
    const Case cases[] = {
        {"XDG_DOCUMENTS_DIR=\"$HOME/Docs\"\n", true, "/Docs"},
        {"# comment\nXDG_DESKTOP_DIR=\"$HOME/Desk\"\n  XDG_DOCUMENTS_DIR = \"$HOME/My Docs/\"\n", false,
         "/My Docs"},
        {"XDG_DOCUMENTS_DIR=\"@/Docs\"\r\n", false, "/Docs"},
        {"XDG_DOCUMENTS_DIR=\"$HOME/Say \\\"hi\\\"\"\n", false, "/Say \"hi\""},
        {"XDG_DOCUMENTS_DIR=\"$HOME/Docs\"\nXDG_DOCUMENTS_DIR=\"$HOME/My Docs\"\n", false, "/My Docs"},
        {"XDG_DOCUMENTS_DIR=\"$HOME/\"\n", true, ""},
        {"XDG_DOCUMENTS_DIR=\"$HOME/Gone\"\n", true, "/Documents"},
        {"XDG_DOCUMENTS_DIR=\"Docs\"\n", true, "/Documents"},
        {"XDG_DOCUMENTS_DIR=\"$HOME/Docs\n", false, ""},
        {"XDG_DOCUMENTS_DIR=$HOME/Docs\n", false, ""},
        {nullptr, true, "/Documents"},
        {nullptr, false, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.userDirs ? c.userDirs : "(no user-dirs.dirs)");
        TTempFolder temp;
        const std::string home = temp / "home";
        for (const char* folder : {"Docs", "My Docs", "Say \"hi\""})
            fs::create_directories(fs::path(home) / folder);
        if (c.documentsExists)
            fs::create_directories(fs::path(home) / "Documents");
        fs::create_directories(temp.Path() / "config");
        if (c.userDirs) {
            std::string text = c.userDirs;
            if (const auto at = text.find('@'); at != std::string::npos)
                text.replace(at, 1, home);
            WriteText(temp.Path() / "config/user-dirs.dirs", text);
        }
        EXPECT_EQ(DocumentsFolder({home + "/", temp / "config", ""}), home + c.expected);
    }
}

TEST(Folders, SystemTempFolderIsTmpdirWhenUsableElseTmp) {
    TTempFolder temp;
    WriteText(temp.Path() / "file", "");
    const std::string cases[][2] = {
        {temp.Path().string(), temp / ""}, {temp / "", temp / ""}, {temp / "missing", "/tmp/"},
        {temp / "file", "/tmp/"},          {"relative", "/tmp/"},  {"", "/tmp/"},
    };
    for (const auto& [tmpdir, expected] : cases)
        EXPECT_EQ(SystemTempFolder({"/home/nobody", "", tmpdir}), expected) << tmpdir;
}

TEST(Folders, DefaultAndWorkingFoldersFallBackWhenTheirFolderIsGone) {
    TTempFolder temp;
    fs::create_directories(temp.Path() / "home/Documents");
    fs::create_directories(temp.Path() / "work");
    const TFolderEnvironment env{temp / "home", temp / "config", ""};
    EXPECT_EQ(DefaultFolder(temp / "work", env), temp / "work");
    EXPECT_EQ(DefaultFolder(temp / "gone", env), temp / "home/Documents");
    EXPECT_EQ(DefaultFolder("", env), temp / "home/Documents");

    const auto previous = fs::current_path();
    fs::current_path(temp.Path() / "work");
    EXPECT_EQ(WorkingFolder("/default/"), fs::canonical(temp.Path() / "work").string() + "/");
    fs::remove(temp.Path() / "work");
    EXPECT_EQ(WorkingFolder("/default/"), "/default/");
    fs::current_path(previous);
}

TEST(Folders, ProgramFolderIsBesideTheProgramOnlyWithLanguages) {
    TTempFolder temp;
    fs::create_directories(temp.Path() / "build/Languages");
    fs::create_directories(temp.Path() / "bin");
    fs::create_directories(temp.Path() / "prefix/bin");
    fs::create_directories(temp.Path() / "prefix/share/celwright/Languages");
    EXPECT_EQ(ProgramFolder(temp.Path() / "build/celwright"), temp / "build/");
    EXPECT_EQ(ProgramFolder(temp.Path() / "prefix/bin/celwright"), temp / "prefix/share/celwright/");
    EXPECT_EQ(ProgramFolder(temp.Path() / "bin/celwright"), InstalledDataFolder());

    const std::string installed = InstalledDataFolder();
    EXPECT_EQ(installed.front(), '/');
    EXPECT_TRUE(installed.ends_with("/share/celwright/")) << installed;
}
