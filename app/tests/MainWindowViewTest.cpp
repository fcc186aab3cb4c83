// What the main window shows and where the keys go: focus, the path line, the window's place,
// Qt's own texts, the current layer's path and drawing.
#include "app/ElidedLabel.h"
#include "ui/AlertPrompt.h"
#include "app/MainWindow.h"
#include "app/tests/DialogScript.h"
#include "base/TextUtil.h"
#include "sheetview/LayerHeader.h"
#include "sheetview/SheetCorner.h"
#include "sheetview/SheetView.h"
#include "testsupport/TempFolder.h"
#include "testsupport/MainWindowFixture.h"

#include <QAction>
#include <QDialog>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <filesystem>
#include <gtest/gtest.h>

namespace {
const QString kSampleSheet = CELWRIGHT_SAMPLE_SHEET;

class MainWindowViewTest : public TMainWindowFixture {
protected:
    MainWindowViewTest() {
    }

    std::unique_ptr<TMainWindow> ShowWindow() {
        auto window = NewWindow();
        window->show();
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
        return window;
    }

    TNewLayerAnswer NewLayers;
};
} // namespace

TEST_F(MainWindowViewTest, TheSheetTakesTheKeysAtStartAndAfterADialog) {
    auto window = ShowWindow();
    window->Files().OpenDocument(kSampleSheet);
    EXPECT_EQ(QApplication::focusWidget(), &window->Sheet());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    EXPECT_EQ(window->Sheet().CurrentFrame(), 2);

    TDialogScript script;
    script.Then<QDialog>([](QDialog& about) { about.accept(); });
    Part(*window, "AboutAction")->trigger();
    ASSERT_TRUE(script.Done());
    EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
    EXPECT_EQ(QApplication::focusWidget(), &window->Sheet());
}

TEST_F(MainWindowViewTest, ALongFolderIsElidedInTheMiddleAndDoesNotWidenTheWindow) {
    auto window = ShowWindow();
    Part(*window, "NewAction")->trigger();
    const std::string folder = "/" + std::string(345, 'f') + "/end/";
    window->Sheet().SetLayerFolder(1, folder);
    window->Sheet().SelectCell(1, 1);
    EXPECT_LT(window->minimumSizeHint().width(), 1000);
    EXPECT_LT(Part<TElidedLabel>(*window, "LayerPathLabel")->minimumSizeHint().width(), 100);
    EXPECT_EQ(Part<TElidedLabel>(*window, "LayerPathLabel")->toolTip(), Part<TElidedLabel>(*window, "LayerPathLabel")->FullText());
    EXPECT_TRUE(Part<TElidedLabel>(*window, "LayerPathLabel")->FullText().endsWith(QString::fromStdString(folder)));
    EXPECT_TRUE(Part<TElidedLabel>(*window, "LayerPathLabel")->text().contains(QChar(0x2026))) << "elided";
    EXPECT_TRUE(Part<TElidedLabel>(*window, "LayerPathLabel")->text().endsWith("end/"));
}

TEST_F(MainWindowViewTest, TheWindowOpensOnMostOfTheScreenThenWhereItWasClosed) {
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QRect closedAt;
    {
        auto window = ShowWindow();
        EXPECT_NEAR(window->width(), screen.width() * 0.8, 2);
        EXPECT_NEAR(window->height(), screen.height() * 0.8, 2);
        EXPECT_NEAR(window->geometry().center().x(), screen.center().x(), 2);
        window->resize(640, 480);
        window->move(screen.topLeft() + QPoint(30, 40));
        closedAt = QRect(window->pos(), window->size());
        EXPECT_TRUE(window->close());
    }
    {
        auto window = ShowWindow();
        EXPECT_EQ(QRect(window->pos(), window->size()), closedAt);
        window->showMaximized();
        EXPECT_TRUE(window->close());
    }
    auto window = ShowWindow();
    EXPECT_TRUE(window->isMaximized());
}

// A celwright.ini that cannot be read (here a link that leads round in a circle) is left as it is
// when the window closes, not replaced by a file holding only the window's place.
TEST_F(MainWindowViewTest, ASettingsFileThatCannotBeReadIsLeftAsItIs) {
    const std::filesystem::path ini = User / "Celwright/3.0/celwright.ini";
    std::filesystem::create_directories(ini.parent_path());
    std::filesystem::create_symlink("celwright.ini", ini);
    EXPECT_TRUE(ShowWindow()->close());
    EXPECT_TRUE(std::filesystem::is_symlink(ini));
}

TEST_F(MainWindowViewTest, QtsOwnTextsFollowTheLanguage) {
    auto window = ShowWindow();
    window->SelectLanguage("German");
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), "Abbrechen");
    window->SelectLanguage("French");
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), "Annuler");
    EXPECT_GE(window->Sheet().IndexWidth(),
              window->Sheet().Corner().fontMetrics().horizontalAdvance("Image") + 8)
        << "the frame heading fits its text";
    window->SelectLanguage("English");
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), "Cancel");
}

TEST_F(MainWindowViewTest, ThePathLineFollowsEveryChangeOfTheCurrentLayer) {
    auto window = ShowWindow();
    window->Files().OpenDocument(kSampleSheet);
    TSheetView& sheet = window->Sheet();
    auto shows = [&](const char* caption) { return Part<TElidedLabel>(*window, "LayerPathLabel")->FullText().startsWith(caption); };
    ASSERT_TRUE(shows("Background"));

    // Shift-click on the second header.
    QTest::mouseClick(&sheet.Header(), Qt::LeftButton, Qt::ShiftModifier, QPoint(sheet.GridWidth() + 10, 10));
    EXPECT_EQ(sheet.CurrentLayer(), 2);
    EXPECT_TRUE(shows("Ball")) << Part<TElidedLabel>(*window, "LayerPathLabel")->FullText().toStdString();

    // Delete Layer: the cursor's layer is another one.
    sheet.SelectCell(1, 1);
    Part(*window, "DeleteLayerAction")->trigger();
    EXPECT_TRUE(shows("Ball")) << Part<TElidedLabel>(*window, "LayerPathLabel")->FullText().toStdString();

    // Insert Frame moves the drawing under the cursor: the thumbnail follows it.
    sheet.SelectCell(1, 1);
    const QImage before = Part<QLabel>(*window, "ThumbnailView")->pixmap().toImage();
    Part(*window, "InsertFrameAction")->trigger();
    EXPECT_NE(Part<QLabel>(*window, "ThumbnailView")->pixmap().toImage(), before);
}
