// Drawings handed to an external image editor: launchers read safely, each existing PNG opened once.
#include "ui/ImageEditing.h"

#include "base/Error.h"
#include "testsupport/TempFolder.h"
#include "testsupport/WaitFor.h"

#include <QTest>
#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>

namespace fs = std::filesystem;

TEST(ImageEditing, ALauncherRunsItsCommandWithTheDrawing) {
    TTempFolder temp;
    struct TCase {
        const char* Exec;
        QString Program;
        QStringList Arguments;
    };
    const QString file = "/anim/walk 1/a.png";
    const TCase cases[] = {
        {"paint %f", "paint", {file}},
        {"paint --new-window %U", "paint", {"--new-window", file}},
        {"\"/opt/my paint/bin/paint\" %i %c", "/opt/my paint/bin/paint", {file}},
        {"paint --title=%%c", "paint", {"--title=%c", file}},
        {"sh -c \"exec paint \\\"\\$1\\\"\" x %f", "sh", {"-c", "exec paint \"$1\"", "x", file}},
    };
    for (const TCase& c : cases) {
        WriteText(temp / "paint.desktop", std::string("[Desktop Entry]\nName=Paint\nExec[de]=falsch\nExec=") +
                                              c.Exec + "\n[Other]\nExec=x\n");
        const TProgramCommand command = ProgramCommand(QString::fromStdString(temp / "paint.desktop"), file);
        EXPECT_EQ(command.Program, c.Program) << c.Exec;
        EXPECT_EQ(command.Arguments, c.Arguments) << c.Exec;
    }
    // A field code that is not an argument of its own, or that a shell would run, is refused
    // with the launcher's name: the drawing's name must never become a command.
    for (const char* exec : {"sh -c \"paint %f\"", "paint \"%f\"", "paint --file=%f", "paint x%U",
                             "sh -c %f", "/bin/bash %f", "sh -e -c %F", "paint \"--title=%c\" %f"}) {
        WriteText(temp / "paint.desktop", std::string("[Desktop Entry]\nExec=") + exec + "\n");
        try {
            ProgramCommand(QString::fromStdString(temp / "paint.desktop"), file);
            ADD_FAILURE() << exec << " was accepted";
        } catch (const ECwError& error) {
            EXPECT_NE(std::string(error.what()).find(temp / "paint.desktop"), std::string::npos) << error.what();
        }
    }
    const TProgramCommand plain = ProgramCommand("/usr/bin/paint", file);
    EXPECT_EQ(plain.Program, "/usr/bin/paint");
    EXPECT_EQ(plain.Arguments, QStringList{file});
    EXPECT_TRUE(ProgramCommand(QString::fromStdString(temp / "none.desktop"), file).Program.isEmpty());
}

TEST(ImageEditing, EachExistingPngGoesToTheEditorAndMissingFilesAreListed) {
    TTempFolder temp;
    fs::create_directories(temp / "started");
    // The editor notes how many arguments it had and the first, in a file named after the drawing.
    WriteText(temp / "editor.sh", "#!/bin/sh\nprintf '%s|%s' \"$#\" \"$1\" > '" + (temp / "started/") +
                                      "'\"$(basename \"$1\")\"\n");
    fs::permissions(temp / "editor.sh", fs::perms::owner_all);
    for (const char* name : {"a.png", "b.PNG", "c.jpg"})
        WriteText(temp / name, "x");
    auto path = [&](const char* name) { return QString::fromStdString(temp / name); };
    const QStringList paths{path("a.png"), path("c.jpg"), path("gone.png"), path("b.PNG"), path("gone.bmp")};
    EXPECT_EQ(EditImages(path("editor.sh"), paths), "gone.png, gone.bmp, ");
    ASSERT_TRUE(WaitFor([&] {
        return !ReadText(temp / "started/a.png").empty() && !ReadText(temp / "started/b.PNG").empty();
    }));
    EXPECT_EQ(ReadText(temp / "started/a.png"), "1|" + (temp / "a.png"));
    EXPECT_EQ(ReadText(temp / "started/b.PNG"), "1|" + (temp / "b.PNG"));
    QTest::qWait(100);
    EXPECT_EQ(std::distance(fs::directory_iterator(temp / "started"), fs::directory_iterator()), 2)
        << "the .jpg is not handed over";
}

TEST(ImageEditing, DrawingNamesThatLookLikeCommandsReachTheEditorOnceAsTheyAre) {
    TTempFolder temp;
    fs::create_directories(temp / "Layer 1");
    // The editor appends the arguments after its option to a log, one line per start.
    WriteText(temp / "editor.sh", "#!/bin/sh\nshift\nprintf '%s|%s\\n' \"$#\" \"$1\" >> '" + (temp / "log") + "'\n");
    fs::permissions(temp / "editor.sh", fs::perms::owner_all);
    WriteText(temp / "editor.desktop", "[Desktop Entry]\nExec=\"" + (temp / "editor.sh") + "\" --new %f\n");
    QStringList paths;
    std::vector<std::string> expected;
    for (const char* name : {"a;touch X;.png", "$(touch Y).png", "`touch Z`.png", "with blank.png"}) {
        WriteText(temp / ("Layer 1/" + std::string(name)), "x");
        const QString path = QString::fromStdString(temp / ("Layer 1/" + std::string(name)));
        paths << path << path; // two cels showing one drawing
        expected.push_back("1|" + (temp / ("Layer 1/" + std::string(name))));
    }
    EXPECT_EQ(EditImages(QString::fromStdString(temp / "editor.desktop"), paths), "");
    ASSERT_TRUE(WaitFor([&] { return std::ranges::count(ReadText(temp / "log"), '\n') >= 4; }));
    QTest::qWait(200);
    std::vector<std::string> started;
    std::istringstream log(ReadText(temp / "log"));
    for (std::string line; std::getline(log, line);)
        started.push_back(line);
    std::ranges::sort(started);
    std::ranges::sort(expected);
    EXPECT_EQ(started, expected) << "one editor per drawing, each given the name whole";
    for (const char* made : {"X", "Y", "Z"})
        EXPECT_FALSE(fs::exists(temp / ("Layer 1/" + std::string(made))) || fs::exists(made)) << made;
}
