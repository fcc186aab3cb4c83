#include "ui/ErrorBox.h"
#include "app/HelpWindow.h"
#include "app/MainWindow.h"
#include "testsupport/MainWindowFixture.h"
#include "testsupport/TempFolder.h"

#include <QTest>
#include <QUrl>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <optional>

namespace {
const QString kGuide = QString(CELWRIGHT_SOURCE_DIR) + "/Help/Celwright_Help.htm";

// The desktop as the tests see it: PATH holds only an xdg-open that notes what it is asked to open
// and exits with `exitCode`, or no xdg-open at all.
class TDesktopOpener {
public:
    explicit TDesktopOpener(std::optional<int> exitCode)
        : SavedPath(std::getenv("PATH") ? std::getenv("PATH") : "") {
        if (exitCode) {
            const std::filesystem::path script = Programs / "xdg-open";
            std::ofstream(script) << "#!/bin/sh\necho \"$1\" >> '" << (Programs / "opened")
                                  << "'\nexit " << *exitCode << "\n";
            std::filesystem::permissions(script, std::filesystem::perms::owner_all);
        }
        setenv("PATH", Programs.Path().c_str(), 1);
    }
    ~TDesktopOpener() { setenv("PATH", SavedPath.c_str(), 1); }
    TDesktopOpener(const TDesktopOpener&) = delete;
    TDesktopOpener& operator=(const TDesktopOpener&) = delete;

    // What xdg-open was asked to open, a line a call.
    std::string Opened() const {
        std::ifstream in(Programs / "opened");
        return {std::istreambuf_iterator<char>(in), {}};
    }

private:
    TTempFolder Programs;
    const std::string SavedPath;
};
} // namespace

// F1 and Help > Celwright Help hand the guide to xdg-open; when there is none, or it finds nothing to
// open the page with, the guide opens in a window of the program's own, the same one each time.
TEST(HelpCommand, TheGuideOpensInTheBrowserOrElseInAWindowOfItsOwn) {
    const struct {
        const char* Case;
        bool HasOpener;
        int OpenerExit;
        bool OwnWindow;
    } cases[] = {
        {"a browser answers", true, 0, false},
        {"xdg-open finds no browser", true, 3, true},
        {"no xdg-open", false, 0, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Case);
        TTempFolder user;
        TAppFolders folders;
        folders.ProgramFolder = QString(CELWRIGHT_SOURCE_DIR) + "/";
        folders.UserFolder = QString::fromStdString(user / "");
        QStringList errors;
        ErrorBoxOverride() = [&](const QString& text) { errors.append(text); };
        const TDesktopOpener desktop(c.HasOpener ? std::optional<int>(c.OpenerExit) : std::nullopt);

        TMainWindow window(folders);
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        QTest::keyClick(&window, Qt::Key_F1);
        Part(window, "HelpAction")->trigger();

        const std::string twice = (kGuide + "\n" + kGuide + "\n").toStdString();
        if (c.HasOpener) {
            EXPECT_TRUE(QTest::qWaitFor([&] { return desktop.Opened() == twice; }, 10000))
                << desktop.Opened();
        }
        if (c.OwnWindow) {
            EXPECT_TRUE(QTest::qWaitFor(
                [&] {
                    auto* guide = window.findChild<THelpWindow*>();
                    return guide && guide->isVisible();
                },
                10000));
            auto* guide = window.findChild<THelpWindow*>();
            ASSERT_NE(guide, nullptr);
            EXPECT_TRUE(guide->isWindow());
            EXPECT_EQ(guide->windowTitle(), "Celwright Help");
            EXPECT_EQ(guide->source(), QUrl::fromLocalFile(kGuide));
            EXPECT_TRUE(guide->toPlainText().contains("Celwright")) << guide->toPlainText().left(200).toStdString();
            QTest::qWait(200);
            EXPECT_EQ(window.findChildren<THelpWindow*>().size(), 1);
        } else {
            QTest::qWait(200);
            EXPECT_EQ(window.findChild<THelpWindow*>(), nullptr);
        }
        ErrorBoxOverride() = nullptr;
        EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    }
}
