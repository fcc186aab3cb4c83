#include "CaptureWindowFixture.h"
#include "capture/CaptureWindow.h"
#include "capture/TimeLapsePanel.h"
#include "app/PreferencesDialog.h"
#include "app/SheetFiles.h"
#include "capture/CaptureViewMenu.h"
#include "capture/VideoView.h"
#include "testsupport/ModalAnswer.h"
#include "testsupport/WaitFor.h"
#include "ui/WindowPlacement.h"
#include "ui/PlacementPanel.h"

#include <QAction>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <array>
#include <set>

namespace {
class CaptureStationTest : public TCaptureWindowFixture {
protected:
    // The pictures in the layer's folder and the pictures the layer's cels name.
    std::set<std::string> PictureFiles() {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(Ink.Path()))
            names.insert(entry.path().filename().string());
        return names;
    }
    std::set<std::string> CelNames() {
        std::set<std::string> names;
        for (std::int32_t frame = 1; frame <= Sheet().FrameCount(); ++frame) {
            if (const std::string name = Sheet().Document().CelName(1, frame); !name.empty())
                names.insert(name);
        }
        return names;
    }

    static void StartTimeLapse(TCaptureWindow& capture, int seconds, int count) {
        capture.TimeLapse->IntervalBox->setValue(seconds);
        capture.TimeLapse->CountBox->setValue(count);
        capture.TimeLapse->StartButton->click();
    }
};
} // namespace

TEST_F(CaptureStationTest, ATimeLapseTakesItsFramesAtTheIntervalEachPlacedAsACapture) {
    TCaptureWindow& capture = OpenLive();
    capture.Placement->HoldItems[0]->click(); // ones
    QElapsedTimer clock;
    clock.start();
    StartTimeLapse(capture, 1, 3);
    EXPECT_EQ(capture.TimeLapse->StartButton->text(), "Stop");
    EXPECT_FALSE(capture.TimeLapse->IntervalBox->isEnabled());
    ASSERT_TRUE(WaitFor([&] { return !capture.TimeLapse->Schedule.Running(); }, 10000));
    EXPECT_GE(clock.elapsed(), 1900); // three shots, one second apart
    EXPECT_TRUE(Errors.isEmpty()) << Errors.join("\n").toStdString();
    EXPECT_EQ(capture.TimeLapse->ProgressLabel->text(), "3 of 3 taken");
    EXPECT_EQ(capture.TimeLapse->StartButton->text(), "Start");
    for (int frame = 1; frame <= 3; ++frame)
        EXPECT_EQ(Sheet().Document().CelName(1, frame), "Ink_000" + std::to_string(frame) + ".png");
    EXPECT_EQ(PictureFiles(), CelNames());
    EXPECT_EQ(Sheet().CurrentFrame(), 4);

    // Until stopped: Stop ends it after the picture under way.
    StartTimeLapse(capture, 1, 0);
    ASSERT_TRUE(WaitFor([&] { return capture.TimeLapse->Schedule.Taken() == 1; }));
    EXPECT_EQ(capture.TimeLapse->ProgressLabel->text(), "1 taken");
    if (const char* shots = std::getenv("CELWRIGHT_SCREENSHOTS"))
        capture.grab().save(QString(shots) + "/capture-time-lapse.png");
    capture.TimeLapse->StartButton->click();
    EXPECT_FALSE(capture.TimeLapse->Schedule.Running());
    WaitFor([] { return false; }, 1500);
    EXPECT_EQ(CelNames().size(), 4u);
    EXPECT_EQ(PictureFiles(), CelNames());
}

// Each fault of a camera gives one message, leaves no picture without its cel, and the window goes
// on: the camera chosen again gives a picture.
TEST_F(CaptureStationTest, CameraFaults) {
    const struct {
        const char* Fault;
        TTestCameraFaults Faults;
        std::function<void(TCaptureWindow&)> Act;
        const char* Message; // the start of the one message
        bool Boxed;          // in an error box; else over the live picture
    } cases[] = {
        {"a size the camera refuses", {.RefusedWidth = 1280, .RefusedHeight = 720},
         [](TCaptureWindow& capture) {
             capture.Size1->actions()[3]->trigger();
             EXPECT_TRUE(WaitFor([&] { return capture.ButtonCapture->isEnabled(); }));
             EXPECT_EQ(capture.Grabber.VideoWidth(), 320); // the live picture stays at its size
             EXPECT_TRUE(capture.Size1->actions()[0]->isChecked());
         },
         "The camera \"Test pattern\" refused the size 1280 x 720: ", true},
        {"the camera stops during live view", {.FailAfterFrames = 20},
         [](TCaptureWindow& capture) {
             EXPECT_TRUE(WaitFor([&] { return !capture.OverlayPanel->isHidden(); }));
             EXPECT_FALSE(capture.Source1->actions().last()->isChecked()); // no longer live
         },
         "The camera \"Test pattern\" stopped: ", false},
        {"the camera stops during a time-lapse", {.FailAfterFrames = 25},
         [](TCaptureWindow& capture) {
             StartTimeLapse(capture, 1, 0);
             EXPECT_TRUE(WaitFor([&] { return !capture.TimeLapse->Schedule.Running(); }));
         },
         "The camera \"Test pattern\" stopped: ", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Fault);
        Errors.clear();
        TCaptureWindow& capture = OpenLive();
        capture.Placement->FrameItem->click(); // each picture named by its frame
        capture.Grabber.TestFaults = c.Faults;
        capture.Source1->actions().last()->trigger(); // the camera starts again with the fault
        ASSERT_TRUE(WaitFor([&] { return capture.ButtonCapture->isEnabled(); }));
        c.Act(capture);
        const QString shown = c.Boxed ? Errors.value(0) : capture.OverlayPanel->text();
        EXPECT_TRUE(shown.startsWith(c.Message)) << shown.toStdString();
        EXPECT_EQ(Errors.size(), c.Boxed ? 1 : 0) << Errors.join("\n").toStdString();
        EXPECT_EQ(capture.OverlayPanel->isHidden(), c.Boxed);
        EXPECT_EQ(PictureFiles(), CelNames());

        // The camera back in order and chosen again.
        capture.Grabber.TestFaults = {};
        capture.Source1->actions().last()->trigger();
        ASSERT_TRUE(WaitFor([&] { return capture.ButtonCapture->isEnabled(); }));
        EXPECT_TRUE(capture.OverlayPanel->isHidden());
        const std::size_t before = CelNames().size();
        Capture(capture);
        EXPECT_EQ(CelNames().size(), before + 1);
        EXPECT_EQ(PictureFiles(), CelNames());
        EXPECT_EQ(Errors.size(), c.Boxed ? 1 : 0);
        capture.close();
    }
}

TEST_F(CaptureStationTest, TheWindowOpensBesideTheSheetAndComesBackWhereItWas) {
    const QRect screen = Window->screen()->availableGeometry();
    Window->setGeometry(screen.left(), screen.top(), screen.width() / 3, screen.height());
    TCaptureWindow& capture = OpenLive();
    const QRect main = Window->frameGeometry();
    const int columns = Sheet().mapToGlobal(QPoint(Sheet().IndexWidth(), 0)).x();
    EXPECT_TRUE(capture.geometry().left() > main.right() || capture.geometry().right() < columns)
        << "over the layer columns";
    EXPECT_TRUE(screen.contains(capture.geometry()));

    const QRect moved(capture.geometry().topLeft() + QPoint(-20, 10), capture.size());
    capture.setGeometry(moved);
    QCoreApplication::processEvents();
    capture.close();
    EXPECT_EQ(OpenLive().geometry(), moved);
    EXPECT_NE(ReadText(User.Path() / "Celwright/3.0/celwright.ini").find("[window places]"), std::string::npos);
}

// Without room beside the main window the capture window lies over the thumbnail panel, narrowed
// to end before the layer columns, and still shows the whole live picture; on the screen here and
// on a large and a small screen with the sheet filling it or leaving room beside it.
TEST_F(CaptureStationTest, TheWindowNeverCoversTheLayerColumns) {
    const QRect screen = Window->screen()->availableGeometry();
    Window->setGeometry(screen);
    Window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Window.get()));
    TCaptureWindow& capture = OpenLive();
    const int columns = Sheet().mapToGlobal(QPoint(Sheet().IndexWidth(), 0)).x();
    EXPECT_LT(capture.frameGeometry().right(), columns) << "over the layer columns";
    EXPECT_TRUE(capture.centralWidget()->rect().contains(capture.VideoGrabber1->geometry()));
    if (const char* shots = std::getenv("CELWRIGHT_SCREENSHOTS"))
        capture.grab().save(QString(shots) + "/capture-narrow.png");

    const int columnsFromLeft = columns - Window->frameGeometry().left();
    const QSize wanted = capture.size();
    const int least = std::max(capture.minimumWidth(), capture.minimumSizeHint().width());
    for (const QSize size : {QSize(1600, 1000), QSize(1024, 768)}) {
        for (const int mainWidth : {size.width(), size.width() * 2 / 3}) {
            SCOPED_TRACE(std::to_string(size.width()) + " x " + std::to_string(size.height()) + ", sheet " +
                         std::to_string(mainWidth) + " wide");
            const QRect main(0, 0, mainWidth, size.height());
            const int mainColumns = main.left() + columnsFromLeft;
            const QRect place = PlaceBesideSheet({QPoint(0, 0), size}, main, mainColumns, wanted, least);
            EXPECT_TRUE(place.right() < mainColumns || place.left() > main.right()) << "over the layer columns";
            capture.setGeometry(QRect(screen.topLeft(), place.size()));
            QCoreApplication::processEvents();
            EXPECT_EQ(capture.width(), place.width()) << "the window is wider than its place";
            const QRect picture = capture.VideoGrabber1->geometry();
            EXPECT_TRUE(capture.centralWidget()->rect().contains(picture));
            EXPECT_NEAR(double(picture.width()) / picture.height(), 4.0 / 3.0, 0.02);
        }
    }
}

// Preferences forget, on OK, what celwright.ini keeps of window places, the cameras' guides and the
// sheets' reference pictures, each on its own; Cancel forgets nothing.
TEST_F(CaptureStationTest, PreferencesForgetWindowPlacesGuidesAndReferencePictures) {
    const std::string ini = User / "Celwright/3.0/celwright.ini";
    Window->Files().AskSaveFile = [this](const QString&, const QString&, const QString&) {
        return QString::fromStdString(Ink / "walk.xps");
    };
    Window->Files().SaveAs();
    QImage set(32, 24, QImage::Format_RGB32);
    set.fill(Qt::red);
    ASSERT_TRUE(set.save(QString::fromStdString(Ink / "set.png")));
    TCaptureWindow& capture = OpenLive();
    capture.ViewMenu->GridAction->trigger();
    capture.ViewMenu->OpenReferenceFile(Ink / "set.png");
    capture.close(); // its place is kept
    auto kept = [&ini](const char* section) { return ReadText(ini).find(section) != std::string::npos; };
    ASSERT_TRUE(kept("[window places]") && kept("[live guides: Test pattern]") && kept("[reference picture "));

    const struct {
        const char* What;
        QCheckBox* TPreferencesDialog::*Check;
        bool Ok;
        std::array<bool, 3> Kept; // window places, guides, reference pictures
    } cases[] = {
        {"Cancel", &TPreferencesDialog::ForgetPlacesCheck, false, {true, true, true}},
        {"window places", &TPreferencesDialog::ForgetPlacesCheck, true, {false, true, true}},
        {"guides", &TPreferencesDialog::ForgetGuidesCheck, true, {false, false, true}},
        {"reference pictures", &TPreferencesDialog::ForgetReferencesCheck, true, {false, false, false}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        WhenShown<TPreferencesDialog>([&c](TPreferencesDialog& dialog) {
            (dialog.*c.Check)->setChecked(true);
            (c.Ok ? dialog.OkBtn : dialog.CancelBtn)->click();
        });
        Part(*Window, "PreferencesAction")->trigger();
        EXPECT_EQ(kept("[window places]"), c.Kept[0]);
        EXPECT_EQ(kept("[live guides: Test pattern]"), c.Kept[1]);
        EXPECT_EQ(kept("[reference picture "), c.Kept[2]);
    }
    // The capture window shows what is kept now: no guides, no reference picture.
    OpenLive();
    EXPECT_FALSE(capture.ViewMenu->GridAction->isChecked());
    EXPECT_TRUE(capture.ViewMenu->Reference.Picture().isNull());
    EXPECT_TRUE(Errors.isEmpty()) << Errors.join("\n").toStdString();
}

// A size larger than the screen: the window follows the camera, scaled down to the screen, in the
// camera's shape; the captured file has the camera's size.
TEST_F(CaptureStationTest, ALargeCameraSizeOpensTheWindowNoLargerThanTheScreen) {
    const QRect screen = Window->screen()->availableGeometry();
    TCaptureWindow& capture = OpenLive();
    capture.Placement->FrameItem->click();
    capture.Size1->actions().last()->trigger(); // 1280 x 720, wider than the screen beside the column
    ASSERT_TRUE(WaitFor([&] { return capture.ButtonCapture->isEnabled() && capture.Grabber.VideoWidth() == 1280; }));
    const QRect picture = capture.VideoGrabber1->geometry();
    EXPECT_GT(picture.width(), 320) << "the window did not follow the camera";
    EXPECT_NEAR(double(picture.width()) / picture.height(), 16.0 / 9.0, 0.02);
    EXPECT_LE(capture.frameGeometry().width(), screen.width());
    EXPECT_LE(capture.frameGeometry().height(), screen.height());
    Capture(capture);
    EXPECT_EQ(QImage(QString::fromStdString(Ink / capture.FileName.toStdString())).size(), QSize(1280, 720));
    EXPECT_TRUE(Errors.isEmpty()) << Errors.join("\n").toStdString();
}
