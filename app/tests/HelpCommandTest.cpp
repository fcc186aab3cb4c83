#include "ui/ErrorBox.h"
#include "app/HelpWindow.h"
#include "app/MainWindow.h"
#include "testsupport/MainWindowFixture.h"
#include "testsupport/TempFolder.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QTest>
#include <QUrl>
#include <cstdlib>
#include <gtest/gtest.h>

namespace {
// Stands in for the desktop's browser: notes each file the program hands to it.
class TOpenedUrls : public QObject {
    Q_OBJECT
public:
    QList<QUrl> Urls;
public slots:
    void Open(const QUrl& url) { Urls.append(url); }
};
} // namespace

TEST(HelpCommand, F1AndTheHelpMenuOpenTheGuideInTheBrowser) {
    TTempFolder user;
    TAppFolders folders;
    folders.ProgramFolder = QString(CELWRIGHT_SOURCE_DIR) + "/";
    folders.UserFolder = QString::fromStdString(user / "");
    QStringList errors;
    ErrorBoxOverride() = [&](const QString& text) { errors.append(text); };
    TOpenedUrls browser;
    QDesktopServices::setUrlHandler("file", &browser, "Open");

    TMainWindow window(folders);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QTest::keyClick(&window, Qt::Key_F1);
    Part(window, "HelpAction")->trigger();

    QDesktopServices::unsetUrlHandler("file");
    ErrorBoxOverride() = nullptr;
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    const QString guide = QString(CELWRIGHT_SOURCE_DIR) + "/Help/Celwright_Help.htm";
    ASSERT_EQ(browser.Urls.size(), 2);
    for (const QUrl& url : browser.Urls)
        EXPECT_EQ(url, QUrl::fromLocalFile(guide));
    EXPECT_TRUE(QFileInfo(guide).isFile());
}

TEST(HelpCommand, WithNoBrowserTheGuideOpensInAWindowOfItsOwn) {
    TTempFolder user;
    TTempFolder noPrograms;
    TAppFolders folders;
    folders.ProgramFolder = QString(CELWRIGHT_SOURCE_DIR) + "/";
    folders.UserFolder = QString::fromStdString(user / "");
    QStringList errors;
    ErrorBoxOverride() = [&](const QString& text) { errors.append(text); };
    // No program the desktop could open the guide with can be found.
    const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
    setenv("PATH", noPrograms.Path().c_str(), 1);

    TMainWindow window(folders);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QTest::keyClick(&window, Qt::Key_F1);
    setenv("PATH", path.c_str(), 1);
    ErrorBoxOverride() = nullptr;

    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    auto* guide = window.findChild<THelpWindow*>();
    ASSERT_NE(guide, nullptr);
    EXPECT_TRUE(guide->isVisible());
    EXPECT_TRUE(guide->isWindow());
    EXPECT_EQ(guide->windowTitle(), "Celwright Help");
    EXPECT_EQ(guide->source(), QUrl::fromLocalFile(QString(CELWRIGHT_SOURCE_DIR) + "/Help/Celwright_Help.htm"));
    EXPECT_TRUE(guide->toPlainText().contains("Celwright")) << guide->toPlainText().left(200).toStdString();

    // F1 again brings the same window forward.
    setenv("PATH", noPrograms.Path().c_str(), 1);
    Part(window, "HelpAction")->trigger();
    setenv("PATH", path.c_str(), 1);
    EXPECT_EQ(window.findChildren<THelpWindow*>().size(), 1);
}

#include "HelpCommandTest.moc"
