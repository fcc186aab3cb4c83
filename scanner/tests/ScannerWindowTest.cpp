// The scanner window from the main window's Scanner command to the file on disk and the cel on the
// sheet, scanning from SANE's test scanners.
#include "scanner/ScannerWindow.h"

#include "app/MainWindow.h"
#include "app/tests/DialogScript.h"
#include "imaging/PictureCodecs.h"
#include "sheetview/LayerHeader.h"
#include "sheetview/SheetView.h"
#include "testsupport/MainWindowFixture.h"
#include "testsupport/ModalAnswer.h"
#include "testsupport/SaneTestBackend.h"
#include "testsupport/TempFolder.h"
#include "ui/AlertPrompt.h"
#include "ui/ErrorBox.h"
#include "ui/PlacementPanel.h"
#include "testsupport/SheetTestAccess.h"

#include <QAction>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

class ScanWindowTest : public TMainWindowFixture {
protected:
    ScanWindowTest() {
        UseSaneTestBackend();
        ::setenv("XDG_CONFIG_HOME", (User / "").c_str(), 1);
        fs::create_directories(Files.Path() / "ink");
        ErrorBoxOverride() = [this](const QString& text) { Errors.append(text); };
        Sheet = Files / "s.xps";
        WriteText(Sheet, "<xsheet version=\"4.0\">\r\n<settings>\r\n\t<fps>24</fps>\r\n</settings>\r\n"
                         "<audio>\r\n</audio>\r\n<layers cols=\"1\">\r\n"
                         "\t<layer col=\"1\" caption=\"Ink\" dir=\"" +
                             Files / "ink/" +
                             "\" color=\"0\" visible=\"1\">\r\n\t</layer>\r\n</layers>\r\n</xsheet>\r\n");
    }
    ~ScanWindowTest() override { ErrorBoxOverride() = nullptr; }

    std::unique_ptr<TMainWindow> OpenWindow() {
        auto window = NewWindow();
        window->Files().AskSaveFile = [](const QString&, const QString&, const QString&) {
            return QString();
        };
        window->SetActivity(TMainWindow::TActivity::Idle);
        window->Files().OpenDocument(QString::fromStdString(Sheet));
        window->show();
        return window;
    }

    // Drags a selection over the preview along `path`: pressed at its first point, released at
    // its last.
    static void Select(TScanImage* image, const QList<QPoint>& path) {
        QTest::mousePress(image, Qt::LeftButton, {}, path.first());
        for (const QPoint& to : path.sliced(1)) {
            QMouseEvent move(QEvent::MouseMove, to, image->mapToGlobal(to), Qt::NoButton, Qt::LeftButton, {});
            QApplication::sendEvent(image, &move);
        }
        QTest::mouseRelease(image, Qt::LeftButton, {}, path.last());
    }

    TTempFolder Files;
    std::string Sheet;
    QStringList Errors;
};

TEST_F(ScanWindowTest, PreviewSelectAndScanWritesTheCelAndPlacesIt) {
    auto window = OpenWindow();
    Part(*window, "ScannerAction")->trigger();
    TScannerWindow* scanner = window->findChild<TScannerWindow*>();
    ASSERT_NE(scanner, nullptr);
    ASSERT_TRUE(scanner->isVisible());
    EXPECT_EQ(scanner->windowTitle(), "Scan - Noname frontend-tester (test:0)");
    EXPECT_EQ(scanner->Placement->NameEdit->text(), "Ink");
    EXPECT_EQ(scanner->Placement->NumberEdit->text(), "0001");
    EXPECT_EQ(scanner->SizeCombo->currentText(), "320x240");

    // Nothing selected yet.
    QTest::mouseClick(scanner->ScanBtn1, Qt::LeftButton);
    EXPECT_EQ(Errors, QStringList{"You must select an area before scanning."});

    const QSize before = scanner->size();
    QTest::mouseClick(scanner->PreviewBtn1, Qt::LeftButton);
    EXPECT_TRUE(Errors.size() == 1) << Errors.join("\n").toStdString();
    // The test scanner's glass is 200 mm square: 314 pixels at 40 per inch, in the place the
    // blank page had.
    EXPECT_NEAR(scanner->ScanImage1->width(), 315, 1);
    scanner->layout()->activate();
    EXPECT_EQ(scanner->size(), before);
    EXPECT_FALSE(scanner->ScanImage1->Preview().isNull());

    Select(scanner->ScanImage1, {{20, 30}, {180, 200}});
    EXPECT_EQ(scanner->ScanImage1->Selection.Rect, (TScanRect{20, 30, 180, 150}));
    QTest::mouseClick(scanner->ScanBtn1, Qt::LeftButton);
    ASSERT_EQ(Errors.size(), 1) << Errors.join("\n").toStdString();
    TPicture picture;
    ReadPng(Files / "ink/Ink_0001.png", picture);
    EXPECT_EQ(picture.Width(), 320);
    EXPECT_EQ(picture.Height(), 240);
    EXPECT_EQ(window->Sheet().Document().CelName(1, 1), "Ink_0001.png");
    EXPECT_EQ(scanner->Placement->NumberEdit->text(), "0002");
    EXPECT_EQ(window->Sheet().CurrentFrame(), 3); // moved on by the hold of 2

    // Portrait "160x120" writes 120 x 160; the same name asks before overwriting.
    scanner->OrientCombo->setCurrentIndex(1);
    QMetaObject::invokeMethod(scanner->OrientCombo, "activated", Q_ARG(int, 1));
    scanner->SizeCombo->setCurrentIndex(2);
    QMetaObject::invokeMethod(scanner->SizeCombo, "activated", Q_ARG(int, 2));
    scanner->Placement->NumberEdit->setText("0001");
    WhenShown<TAlertPrompt>([](TAlertPrompt& prompt) { prompt.PosBtn->click(); });
    Select(scanner->ScanImage1, {{200, 200}, {260, 230}});
    EXPECT_EQ(scanner->ScanImage1->Selection.Rect, (TScanRect{200, 200, 260, 280}));
    QTest::mouseClick(scanner->ScanBtn1, Qt::LeftButton);
    ReadPng(Files / "ink/Ink_0001.png", picture);
    EXPECT_EQ(picture.Width(), 120);
    EXPECT_EQ(picture.Height(), 160);

    // The window's picture for the documentation, when asked for.
    if (const char* folder = std::getenv("CELWRIGHT_SCREENSHOTS"))
        scanner->grab().save(QString(folder) + "/scanner-window.png");
}

// Drawn with the mouse and taken back across its start, the selection runs from the start to the
// pointer, in the frame's ratio, whichever way it crossed.
TEST_F(ScanWindowTest, ASelectionDrawnBackAcrossItsStartRunsFromTheStartToThePointer) {
    auto window = OpenWindow();
    Part(*window, "ScannerAction")->trigger();
    TScannerWindow* scanner = window->findChild<TScannerWindow*>();
    ASSERT_NE(scanner, nullptr);
    const struct {
        const char* Way;
        QList<QPoint> Path;
        TScanRect Rect;
    } cases[] = {
        {"down right, then up left across both axes",
         {{200, 150}, {300, 250}, {100, 50}},
         {100, 75, 200, 150}},
        {"down right, then left level with the start",
         {{200, 150}, {300, 250}, {120, 150}},
         {120, 150, 200, 210}},
        {"up right, then further right level with the start",
         {{200, 150}, {260, 100}, {300, 150}},
         {200, 75, 300, 150}},
        {"up left, then down right across both axes",
         {{200, 150}, {100, 60}, {280, 200}},
         {200, 150, 280, 210}},
        {"level with the start all along", {{200, 150}, {280, 150}}, {200, 150, 280, 210}},
    };
    for (const auto& c : cases) {
        // A small frame in the corner first, so that the press starts a new frame, not a move.
        Select(scanner->ScanImage1, {QPoint(430, 330), QPoint(439, 339)});
        Select(scanner->ScanImage1, c.Path);
        EXPECT_EQ(scanner->ScanImage1->Selection.Rect, c.Rect) << c.Way;
    }
}

TEST_F(ScanWindowTest, TheWindowFollowsTheLanguageAndALayerChosenByItsHeader) {
    auto window = OpenWindow();
    TSheetView& sheet = window->Sheet();
    WritableData(sheet.Document()).AddLayer("Pencil", Files / "ink/", LayerColorScheme(1), sheet.FrameCount());
    sheet.RefreshAll();
    sheet.SelectCell(1, 1);
    Part(*window, "ScannerAction")->trigger();
    TScannerWindow* scanner = window->findChild<TScannerWindow*>();
    ASSERT_NE(scanner, nullptr);
    EXPECT_EQ(scanner->Placement->NameEdit->text(), "Ink");

    // Shift and a click on the second layer's header choose that layer without selecting a cell.
    QTest::mouseClick(&sheet.Header(), Qt::LeftButton, Qt::ShiftModifier, QPoint(sheet.GridWidth() + 10, 5));
    ASSERT_EQ(sheet.CurrentLayer(), 2);
    EXPECT_EQ(scanner->Placement->NameEdit->text(), "Pencil");

    window->SelectLanguage("German");
    EXPECT_EQ(scanner->windowTitle(), "Scannen - Noname frontend-tester (test:0)");
    EXPECT_EQ(scanner->PreviewBtn1->text(), "Vorschau");
    EXPECT_EQ(scanner->ScanBtn1->text(), "Scannen");
    EXPECT_EQ(scanner->Settings1->title(), "Einstellungen");
    window->SelectLanguage("English");
    EXPECT_EQ(scanner->ScanBtn1->text(), "Scan");
}

TEST_F(ScanWindowTest, AHoldPastTheLastFrameIsCutAndTheScanPlaced) {
    auto window = OpenWindow();
    window->Sheet().AddFrames(kMaxFrames);
    window->Sheet().SelectCell(1, 1636);
    Part(*window, "ScannerAction")->trigger();
    TScannerWindow* scanner = window->findChild<TScannerWindow*>();
    ASSERT_NE(scanner, nullptr);
    scanner->Placement->FrameItem->click();
    scanner->Placement->HoldItems[3]->click(); // Other
    scanner->Placement->HoldEdit->clear();
    QTest::keyClicks(scanner->Placement->HoldEdit, "5");
    QTest::mouseClick(scanner->PreviewBtn1, Qt::LeftButton);
    Select(scanner->ScanImage1, {{20, 30}, {180, 200}});
    TDialogScript noDialog; // the scan asks nothing
    QTest::mouseClick(scanner->ScanBtn1, Qt::LeftButton);
    EXPECT_TRUE(fs::is_regular_file(Files / "ink/Ink_1636.png"));
    const TCel* cel = window->Sheet().Document().CelAt(1, 1636);
    ASSERT_NE(cel, nullptr);
    EXPECT_EQ(cel->Name, "Ink_1636.png");
    EXPECT_EQ(cel->Duration, 2);
    EXPECT_EQ(window->Sheet().FrameCount(), kMaxFrames);
    EXPECT_TRUE(noDialog.Unexpected.isEmpty()) << noDialog.Unexpected.join(", ").toStdString();
    EXPECT_TRUE(Errors.isEmpty()) << Errors.join("\n").toStdString();
}

TEST_F(ScanWindowTest, AStuckDriverEndsTheScanWithAMessageWhileTheWindowKeepsAnswering) {
    ::setenv("CELWRIGHT_SCAN_PAGE_SECONDS", "1", 1);
    ::setenv("CELWRIGHT_SCAN_CLOSING_SECONDS", "1", 1);
    auto window = OpenWindow();
    // Stuck reading the page, and stuck closing the device after the page came.
    for (const char* failing : {"read", "close"}) {
        SCOPED_TRACE(failing);
        UseStuckSaneBackend(failing);
        Errors.clear();
        Part(*window, "ScannerAction")->trigger();
        TScannerWindow* scanner = window->findChild<TScannerWindow*>();
        ASSERT_NE(scanner, nullptr);
        EXPECT_EQ(scanner->windowTitle(), "Scan - Stuck Flatbed");
        scanner->ScanImage1->SetPreview(QImage(), 1, 1);

        int ticks = 0;
        QTimer ticker;
        QObject::connect(&ticker, &QTimer::timeout, [&ticks] { ++ticks; });
        ticker.start(50);
        QElapsedTimer clock;
        clock.start();
        QTest::mouseClick(scanner->PreviewBtn1, Qt::LeftButton);
        EXPECT_LT(clock.elapsed(), 5000);
        // Events went on while the driver hung (a tick every 50 ms).
        EXPECT_GE(ticks, 5);
        EXPECT_EQ(Errors.join("\n").toStdString(), "The scanner did not answer within 1 seconds: the scan was stopped.");
        EXPECT_TRUE(scanner->ScanImage1->Preview().isNull());
        EXPECT_FALSE(scanner->Busy());
    }
    // A driver that answers again scans at once, in a helper of its own.
    UseStuckSaneBackend("");
    Errors.clear();
    TScannerWindow* scanner = window->findChild<TScannerWindow*>();
    scanner->ScanImage1->SetPreview(QImage(), 1, 1);
    QTest::mouseClick(scanner->PreviewBtn1, Qt::LeftButton);
    EXPECT_FALSE(scanner->ScanImage1->Preview().isNull());
    EXPECT_TRUE(Errors.isEmpty()) << Errors.join("\n").toStdString();
    ::unsetenv("CELWRIGHT_SCAN_PAGE_SECONDS");
    ::unsetenv("CELWRIGHT_SCAN_CLOSING_SECONDS");
}

} // namespace
