#include "CaptureWindowFixture.h"
#include "app/tests/DialogScript.h"
#include "FakeCamera.h"
#include "ui/ErrorBox.h"
#include "ui/PictureImage.h"
#include "ui/AlertPrompt.h"
#include "app/MainWindow.h"
#include "capture/VideoSettingsDialog.h"
#include "capture/VideoView.h"
#include "capture/CaptureWindow.h"
#include "ui/PlacementPanel.h"
#include "imaging/PictureCodecs.h"
#include "settings/OnionSkinSettings.h"
#include "sheetview/SheetView.h"
#include "testsupport/RecordedGPhoto.h"
#include "testsupport/TempFolder.h"

#include <QScreen>
#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMap>
#include <QShortcut>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <array>
#include <cstdlib>
#include <gtest/gtest.h>

namespace {
class CaptureWindowTest : public TCaptureWindowFixture {
protected:
    TCaptureWindow& Open() {
        Part(*Window, "VideoCaptureAction")->trigger();
        TCaptureWindow& capture = *Window->findChild<TCaptureWindow*>();
        EXPECT_TRUE(WaitFor([&] { return capture.ButtonCapture->isEnabled(); })) << "no live picture";
        return capture;
    }

    // Answers the alert prompt with one of its buttons once it opens (the capture asks only when
    // its frame has arrived).
    void AnswerPrompt(QPushButton* TAlertPrompt::*button) {
        auto* poll = new QTimer(Window.get());
        QObject::connect(poll, &QTimer::timeout, Window.get(), [this, poll, button] {
            if (!Window->findChild<TAlertPrompt*>()->isVisible())
                return;
            poll->deleteLater();
            poll->stop();
            (Window->findChild<TAlertPrompt*>()->*button)->click();
        });
        poll->start(20);
    }
};
} // namespace

namespace {
// Takes every shortcut a key press sets off before its command runs, noting the action or
// shortcut it reached and whether the toolkit found more than one command for the key.
class TShortcutCatcher : public QObject {
public:
    struct TDelivery {
        QObject* Receiver;
        bool Ambiguous;
    };
    QList<TDelivery> Deliveries;

    TShortcutCatcher() { qApp->installEventFilter(this); }
    ~TShortcutCatcher() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Shortcut)
            return false;
        Deliveries.append({watched, static_cast<QShortcutEvent*>(event)->isAmbiguous()});
        return true;
    }
};

// The window an action or shortcut belongs to: that of the nearest widget holding it that is not
// a menu (a menu is a window of its own).
QWidget* OwningWindow(const QObject* item) {
    for (QObject* up = item->parent(); up; up = up->parent()) {
        auto* widget = qobject_cast<QWidget*>(up);
        if (widget && !qobject_cast<QMenu*>(widget))
            return widget->window();
    }
    return nullptr;
}

// Every key sequence of the enabled actions and the shortcuts in the open windows, with the
// windows that offer it.
QMap<QKeySequence, QList<QWidget*>> ShortcutsOfOpenWindows() {
    QMap<QKeySequence, QList<QWidget*>> keys;
    auto note = [&](const QObject* item, const QList<QKeySequence>& sequences) {
        QWidget* window = OwningWindow(item);
        if (!window || !window->isVisible())
            return;
        for (const QKeySequence& sequence : sequences) {
            if (!sequence.isEmpty() && !keys[sequence].contains(window))
                keys[sequence].append(window);
        }
    };
    for (QWidget* window : QApplication::topLevelWidgets()) {
        for (const QAction* action : window->findChildren<QAction*>()) {
            if (action->isEnabled())
                note(action, action->shortcuts());
        }
        for (const QShortcut* shortcut : window->findChildren<QShortcut*>())
            note(shortcut, shortcut->keys());
    }
    return keys;
}
} // namespace

TEST_F(CaptureWindowTest, EveryShortcutOfEveryOpenWindowReachesOneCommand) {
    Window->show();
    Open();
    Part(*Window, "ScannerAction")->trigger();
    const QMap<QKeySequence, QList<QWidget*>> keys = ShortcutsOfOpenWindows();
    ASSERT_TRUE(keys.contains(QKeySequence("Ctrl+O"))) << "the main window's Open";
    QList<QWidget*> windows;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->isVisible() && !qobject_cast<QMenu*>(window))
            windows.append(window);
    }
    ASSERT_GE(windows.size(), 3) << "the main, capture and scanner windows";
    // No two open windows share a key.
    for (auto key = keys.begin(); key != keys.end(); ++key)
        EXPECT_EQ(key.value().size(), 1) << key.key().toString().toStdString();

    TShortcutCatcher catcher;
    for (QWidget* window : windows) {
        for (auto key = keys.begin(); key != keys.end(); ++key) {
            const bool own = key.value().contains(window);
            // The offscreen platform may hand the activation to another window between two keys,
            // a little later under load: a key of the window's own that reached nothing is sent again
            // once the window is active once more.
            for (int attempt = 0; attempt < 3; ++attempt) {
                QApplication::processEvents(); // a change of the active window still on its way
                if (QApplication::activeWindow() != window) {
                    window->activateWindow();
                    ASSERT_TRUE(QTest::qWaitForWindowActive(window)) << window->windowTitle().toStdString();
                }
                catcher.Deliveries.clear();
                QWidget* target = window->focusWidget() ? window->focusWidget() : window;
                QTest::keyClick(target, key.key()[0].key(), key.key()[0].keyboardModifiers());
                if (!own || !catcher.Deliveries.isEmpty())
                    break;
            }
            const std::string what =
                key.key().toString().toStdString() + " in " + window->windowTitle().toStdString();
            for (const TShortcutCatcher::TDelivery& delivery : catcher.Deliveries)
                EXPECT_FALSE(delivery.Ambiguous) << what;
            // A window's own shortcut runs its own command.
            if (own) {
                ASSERT_EQ(catcher.Deliveries.size(), 1) << what;
                EXPECT_EQ(OwningWindow(catcher.Deliveries[0].Receiver), window) << what;
            }
        }
    }
}

TEST_F(CaptureWindowTest, StandardCaptureGrowsTheSheetAndMovesTheSelection) {
    TCaptureWindow& capture = Open();
    EXPECT_EQ(capture.windowTitle(), "Capture: Test pattern");
    EXPECT_TRUE(capture.OverlayPanel->isHidden());
    EXPECT_EQ(capture.Placement->NameEdit->text(), "Ink");
    EXPECT_FALSE(capture.SquarePxlBtn->isEnabled());

    Sheet().SelectCell(1, 10);
    capture.Placement->HoldItems[1]->click(); // Two
    EXPECT_EQ(Window->Settings().Current.Capture.Hold, 2);
    capture.Placement->FrameItem->click();
    EXPECT_EQ(capture.Placement->NumberEdit->text(), "0010");
    Capture(capture);
    EXPECT_TRUE(Errors.isEmpty()) << Errors.join("\n").toStdString();
    EXPECT_EQ(Sheet().FrameCount(), 12);
    EXPECT_EQ(Sheet().Document().CelName(1, 10), "Ink_0010.png");
    EXPECT_EQ(Sheet().Document().CelName(1, 11), "Ink_0010.png");
    EXPECT_EQ(Sheet().CurrentFrame(), 12);
    EXPECT_EQ(capture.Placement->NumberEdit->text(), "0012"); // frame numbering follows the selection
    EXPECT_TRUE(std::filesystem::is_regular_file(Ink / "Ink_0010.png"));

    // One undo step takes the capture back.
    Part(*Window, "UndoAction")->trigger();
    EXPECT_EQ(Sheet().Document().CelName(1, 10), "");
}

TEST_F(CaptureWindowTest, SequentialNumbersFormatsFiltersAndTheEnterKey) {
    TCaptureWindow& capture = Open();
    capture.Placement->SequentialItem->click();
    EXPECT_EQ(Window->Settings().Current.Capture.Numbering, "sequential");
    capture.SetMode(TCapMode::cmXSheet); // building the layout starts the sequence at 0001
    EXPECT_EQ(capture.Placement->NumberEdit->text(), "0001");
    capture.Placement->HoldItems[0]->click();
    Capture(capture);
    EXPECT_EQ(capture.Placement->NumberEdit->text(), "0002");
    const std::pair<const char*, const char*> numbers[] = {
        {"0009", "0010"}, {"12a", "0012b"}, {"0007z", "0007z"}};
    for (const auto& [before, after] : numbers) {
        capture.Placement->NumberEdit->setText(before);
        QTest::keyClick(capture.Placement->NumberEdit, Qt::Key_Return); // Enter captures from any control
        EXPECT_TRUE(WaitFor([&] { return capture.ButtonCapture->isEnabled(); }));
        EXPECT_EQ(capture.Placement->NumberEdit->text(), after);
    }
    EXPECT_TRUE(std::filesystem::is_regular_file(Ink / "Ink_12a.png"));

    // Black and white, upside down and averaged, as a JPEG.
    Window->SetImageFormat(TcwImageFormat::jpg);
    capture.BWBtn->click();
    capture.OneEightyBtn->click();
    capture.FrameAvgBtn->click();
    capture.Placement->NumberEdit->setText("0100");
    Capture(capture);
    TPicture picture;
    ReadJpeg(Ink / "Ink_0100.jpg", picture);
    EXPECT_EQ(picture.PixelFormat(), TPixelFormat::pf8bit);
    EXPECT_TRUE(Errors.isEmpty()) << Errors.join("\n").toStdString();
}

TEST_F(CaptureWindowTest, AnExistingFileAsksAndCancelPlacesNothing) {
    TCaptureWindow& capture = Open();
    capture.Placement->FrameItem->click();
    WriteText(Ink / "Ink_0001.png", "keep me");
    AnswerPrompt(&TAlertPrompt::NegBtn);
    Capture(capture);
    EXPECT_EQ(ReadText(Ink / "Ink_0001.png"), "keep me");
    EXPECT_EQ(Sheet().Document().CelName(1, 1), "");
    EXPECT_EQ(Sheet().CurrentFrame(), 1);

    // A layer folder that is gone: the message, nothing grabbed, Capture still there.
    Sheet().SetLayerFolder(1, Ink / "gone/");
    capture.ButtonCapture->click();
    ASSERT_EQ(Errors.size(), 1);
    EXPECT_TRUE(
        Errors[0].startsWith("Capture cannot be completed. Path for the selected Layer does not exist."));
    EXPECT_TRUE(capture.ButtonCapture->isEnabled());
    EXPECT_FALSE(capture.Grabber.GrabPending());
}

TEST_F(CaptureWindowTest, InStopMotionLeftAndRightMoveTheTextCursorOfTheFocusedField) {
    TCaptureWindow& capture = Open();
    capture.SetMode(TCapMode::cmStopMotion);
    capture.Placement->HoldItems[0]->click();
    for (int i = 0; i < 3; ++i)
        Capture(capture);
    capture.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&capture));
    for (QLineEdit* field : {capture.Placement->NameEdit, capture.Placement->NumberEdit}) {
        SCOPED_TRACE(field->objectName().toStdString());
        field->setFocus();
        field->setCursorPosition(field->text().size());
        const int end = field->cursorPosition();
        QTest::keyClick(field, Qt::Key_Left);
        QTest::keyClick(field, Qt::Key_Left);
        QTest::keyClick(field, Qt::Key_Right);
        EXPECT_EQ(field->cursorPosition(), end - 1);
        EXPECT_EQ(capture.FrameBar->value(), 24) << "the review stays on the live picture";
    }
    // Elsewhere the keys step through the review.
    capture.ButtonCapture->setFocus();
    QTest::keyClick(capture.ButtonCapture, Qt::Key_Left);
    EXPECT_EQ(capture.FrameBar->value(), 23);
}

TEST_F(CaptureWindowTest, AHoldPastTheLastFrameIsCutAndThePicturePlaced) {
    TCaptureWindow& capture = Open();
    TDialogScript noDialog; // the capture asks nothing
    capture.Placement->FrameItem->click();
    Sheet().AddFrames(kMaxFrames);
    struct TCase {
        std::int32_t Frame;
        const char* TypedHold;
        std::int32_t KeptHold;
        std::int32_t PlacedHold;
    };
    const TCase cases[] = {{1630, "1637", 1637, 8}, {1637, "2", 2, 1}};
    for (const TCase& c : cases) {
        Sheet().SelectCell(1, c.Frame);
        capture.Placement->HoldItems[3]->click(); // Other
        capture.Placement->HoldEdit->clear();
        QTest::keyClicks(capture.Placement->HoldEdit, c.TypedHold);
        EXPECT_EQ(Window->Settings().Current.Capture.Hold, c.KeptHold);
        Capture(capture);
        const std::string name = "Ink_" + std::to_string(c.Frame) + ".png";
        EXPECT_TRUE(std::filesystem::is_regular_file(Ink / name)) << name;
        ASSERT_NE(Sheet().Document().CelAt(1, c.Frame), nullptr) << name;
        EXPECT_EQ(Sheet().Document().CelAt(1, c.Frame)->Name, name);
        EXPECT_EQ(Sheet().Document().CelAt(1, c.Frame)->Duration, c.PlacedHold) << name;
    }
    EXPECT_EQ(Sheet().FrameCount(), kMaxFrames);
    EXPECT_TRUE(noDialog.Unexpected.isEmpty()) << noDialog.Unexpected.join(", ").toStdString();
    EXPECT_TRUE(Errors.isEmpty()) << Errors.join("\n").toStdString();
}

TEST_F(CaptureWindowTest, StopMotionReviewsEarlierFramesAndReCapturesThem) {
    TCaptureWindow& capture = Open();
    capture.SetMode(TCapMode::cmStopMotion);
    EXPECT_EQ(capture.windowTitle(), "Stop Motion Capture: Test pattern");
    EXPECT_EQ(capture.FrameBar->minimum(), 24); // frame 1: nothing to review
    EXPECT_EQ(capture.FrameBar->maximum(), 24);
    capture.Placement->HoldItems[0]->click();
    for (int i = 0; i < 6; ++i)
        Capture(capture);
    ASSERT_EQ(Sheet().CurrentFrame(), 7);
    EXPECT_EQ(capture.FrameBar->minimum(), 18);
    EXPECT_EQ(capture.Placement->NumberEdit->text(), "0007");

    // One back: reviewing shows the buffered frame; arming takes its name and number.
    QTest::keyClick(capture.FrameBar, Qt::Key_Left);
    EXPECT_EQ(capture.FrameBar->value(), 23);
    EXPECT_EQ(capture.ButtonCapture->text(), "Re-Capture");
    EXPECT_EQ(capture.FrameLbl->text(), "6");
    EXPECT_FALSE(capture.FrameImage->isHidden());
    capture.Placement->NumberEdit->setText("0007");
    capture.ButtonCapture->click(); // arms
    EXPECT_TRUE(capture.RecaptureArmed);
    EXPECT_EQ(capture.Placement->NumberEdit->text(), "0006");
    EXPECT_EQ(capture.ButtonCapture->text(), "Capture");
    capture.BWBtn->click();
    AnswerPrompt(&TAlertPrompt::PosBtn); // Ink_0006.png is there: overwrite
    Capture(capture);
    EXPECT_EQ(Sheet().CurrentFrame(), 7);
    EXPECT_EQ(capture.Placement->NumberEdit->text(), "0007");
    EXPECT_EQ(capture.ButtonCapture->text(), "Re-Capture");
    EXPECT_EQ(capture.Buffer.Slot(1).PixelFormat(), TPixelFormat::pf8bit); // the new grey picture
    EXPECT_EQ(capture.Buffer.Slot(2).PixelFormat(), TPixelFormat::pf24bit);
    EXPECT_EQ(Sheet().Document().CelAt(1, 6)->Duration, 1);

    // Three back with hold 2: frames 4 and 5, slots 3 and 2.
    capture.FrameBar->setValue(21);
    capture.Placement->HoldItems[1]->click();
    const TPicture slot4 = capture.Buffer.Slot(4);
    capture.ButtonCapture->click();
    EXPECT_EQ(capture.Placement->NumberEdit->text(), "0004");
    AnswerPrompt(&TAlertPrompt::PosBtn);
    Capture(capture);
    EXPECT_EQ(Sheet().Document().CelAt(1, 4)->Duration, 2);
    EXPECT_EQ(Sheet().Document().CelName(1, 5), "Ink_0004.png");
    EXPECT_TRUE(capture.Buffer.Slot(3) == capture.Buffer.Slot(2));
    EXPECT_EQ(capture.Buffer.Slot(3).PixelFormat(), TPixelFormat::pf8bit);
    EXPECT_TRUE(capture.Buffer.Slot(4) == slot4);
    EXPECT_EQ(capture.FrameBar->value(), 21);
    EXPECT_EQ(capture.ButtonCapture->text(), "Re-Capture");
    EXPECT_EQ(Sheet().CurrentFrame(), 7);
    EXPECT_TRUE(Errors.isEmpty()) << Errors.join("\n").toStdString();

    // Back to the live picture; far frames reach back 24 at most.
    capture.FrameBar->setValue(24);
    EXPECT_EQ(capture.ButtonCapture->text(), "Capture");
    Sheet().AddFrames(30);
    Sheet().SelectCell(1, 30);
    EXPECT_EQ(capture.FrameBar->minimum(), 0);
    Sheet().SelectCell(1, 5);
    EXPECT_EQ(capture.FrameBar->minimum(), 20);

    if (const char* shots = std::getenv("CELWRIGHT_SCREENSHOTS")) {
        capture.grab().save(QString(shots) + "/capture-stop-motion.png");
        capture.SetMode(TCapMode::cmXSheet);
        WaitFor([] { return false; }, 300);
        capture.grab().save(QString(shots) + "/capture-standard.png");
    }
}

TEST_F(CaptureWindowTest, EveryReCaptureMarksTheSheetModified) {
    const std::string sheetPath = Ink / "walk.xps";
    Window->Files().AskSaveFile = [&](const QString&, const QString&, const QString&) {
        return QString::fromStdString(sheetPath);
    };
    TCaptureWindow& capture = Open();
    capture.SetMode(TCapMode::cmStopMotion);
    capture.Placement->HoldItems[0]->click();
    for (int i = 0; i < 3; ++i)
        Capture(capture);
    // A new name, and the same name written over: either is a change to keep.
    for (const char* name : {"Take2", "Take2"}) {
        Part(*Window, "SaveAction")->trigger();
        ASSERT_FALSE(Window->Files().Modified());
        capture.FrameBar->setValue(capture.FrameBar->maximum() - 2); // frame 2
        capture.ButtonCapture->click();                              // arms
        capture.Placement->NameEdit->setText(name);
        if (std::filesystem::exists(Ink / "Take2_0002.png"))
            AnswerPrompt(&TAlertPrompt::PosBtn);
        Capture(capture);
        EXPECT_EQ(Sheet().Document().CelName(1, 2), "Take2_0002.png");
        EXPECT_TRUE(Window->Files().Modified()) << name;
    }
    Part(*Window, "SaveAction")->trigger();
    EXPECT_NE(ReadText(sheetPath).find("Take2_0002.png"), std::string::npos);
    EXPECT_TRUE(Errors.isEmpty()) << Errors.join("\n").toStdString();
}

TEST_F(CaptureWindowTest, ASizeFromTheMenuSizesThePictureTheWindowAndTheThumbnail) {
    TCaptureWindow& capture = Open();
    const QList<QAction*> sizes = capture.Size1->actions();
    ASSERT_EQ(sizes.size(), 4);
    EXPECT_TRUE(sizes[0]->isChecked());
    EXPECT_EQ(sizes[3]->text(), "1280 x 720 (30 fps)");
    sizes[3]->trigger();
    ASSERT_TRUE(
        WaitFor([&] { return capture.ButtonCapture->isEnabled() && capture.Grabber.VideoWidth() == 1280; }));
    EXPECT_TRUE(sizes[3]->isChecked());
    // The window follows the camera's shape, as large as the screen lets it be.
    const QSize shown = capture.VideoGrabber1->size();
    EXPECT_GT(shown.width(), 320);
    EXPECT_NEAR(double(shown.width()) / shown.height(), 1280.0 / 720.0, 0.02);
    EXPECT_LE(capture.frameGeometry().width(), capture.screen()->availableGeometry().width());
    EXPECT_EQ(Part<QLabel>(*Window, "ThumbnailView")->height(), 73); // 129 x 720 / 1280
    Capture(capture);
    TPicture picture;
    ReadPng(Ink / "Ink_0001.png", picture);
    EXPECT_EQ(picture.Width(), 1280);
}

TEST_F(CaptureWindowTest, ACameraThatGoesAwaySaysSoAndComesBack) {
    TCaptureWindow& capture = Open();
    TVideoSourceInfo desk = TestPatternSource(); // stands in for a webcam on a USB cable
    desk.Name = "Desk camera";
    bool plugged = true;
    capture.Grabber.ListSources = [&] {
        return plugged ? std::vector{desk} : std::vector<TVideoSourceInfo>{};
    };
    capture.Grabber.DevicesChanged(); // plugged in: listed before the test camera
    ASSERT_EQ(capture.Source1->actions().size(), 2);
    capture.Source1->actions()[0]->trigger();
    ASSERT_TRUE(WaitFor([&] { return capture.ButtonCapture->isEnabled(); }));
    EXPECT_EQ(capture.windowTitle(), "Capture: Desk camera");

    plugged = false;
    capture.Grabber.DevicesChanged();
    EXPECT_FALSE(capture.ButtonCapture->isEnabled());
    EXPECT_FALSE(capture.OverlayPanel->isHidden());
    EXPECT_EQ(capture.OverlayPanel->text().toStdString(),
              "Desk camera was disconnected. It is taken up again when it returns.");
    EXPECT_EQ(capture.Source1->actions().size(), 1);

    plugged = true;
    capture.Grabber.DevicesChanged();
    ASSERT_TRUE(WaitFor([&] { return capture.ButtonCapture->isEnabled(); }));
    EXPECT_TRUE(capture.OverlayPanel->isHidden());
    EXPECT_TRUE(capture.Source1->actions()[0]->isChecked());
}

TEST_F(CaptureWindowTest, ClosingRemembersTheCameraAndTheMode) {
    TCaptureWindow& capture = Open();
    capture.SetMode(TCapMode::cmStopMotion);
    capture.close();
    EXPECT_EQ(capture.RememberedCamera, "Test pattern");
    EXPECT_FALSE(capture.Grabber.PreviewRunning());
    TCaptureWindow& again = Open();
    EXPECT_EQ(&again, &capture);
    EXPECT_EQ(again.ActiveMode, TCapMode::cmStopMotion);
    EXPECT_TRUE(again.Source1->actions().last()->isChecked());
}

TEST_F(CaptureWindowTest, VideoSettingsReportAndSliders) {
    TCaptureWindow& capture = Open();
    TVideoSettingsDialog& panel = *capture.VideoSettings;
    capture.VideoSettings1->trigger();
    ASSERT_TRUE(panel.isVisible());
    // The test camera has no controls.
    const QStringList lines = panel.Debug->toPlainText().split('\n');
    EXPECT_EQ(lines,
              (QStringList{"Test pattern.", "Source: Other.", "Number of inputs: 1.",
                           "Overlay not available.", "FPS: 15", "Crossbar: no.", "Brightness: no.",
                           "Contrast: no.", "Gamma: no.", "White balance: no.", "Hue: no.",
                           "Device dialog: no.", "Crossbar dialog: no.", "Videostream dialog: no.",
                           "VfwFormat dialog: no.", "VfwSource dialog: no.", "VfwDisplay dialog: no."}));
    EXPECT_FALSE(panel.VideoOverlaySelect->isEnabled());

    // A camera with controls (through the ioctl seam): sliders follow it, Reset writes defaults.
    TFakeCamera camera;
    capture.Grabber.SetControlDevice(camera.Device());
    panel.Refresh();
    EXPECT_TRUE(panel.Debug->toPlainText().contains("Brightness: yes.\nContrast: yes.\nGamma: no."));
    EXPECT_TRUE(panel.Debug->toPlainText().contains("Hue: no.\nDevice dialog: yes."));
    EXPECT_EQ(panel.Devicedialogs1->actions().size(), 1);
    if (const char* shots = std::getenv("CELWRIGHT_SCREENSHOTS"))
        panel.grab().save(QString(shots) + "/video-settings.png");
    EXPECT_TRUE(camera.Writes.empty()); // filling the sliders writes nothing
    QSlider* hue = panel.TrackBars[3];
    EXPECT_FALSE(hue->isEnabled());
    EXPECT_EQ(hue->value(), 0);
    QSlider* contrast = panel.TrackBars[1];
    EXPECT_EQ(contrast->maximum(), 95);
    contrast->setValue(50);
    EXPECT_EQ(camera.Controls[V4L2_CID_CONTRAST].Value, 50);
    camera.Writes.clear();
    panel.Button2->click();
    EXPECT_EQ(camera.Controls[V4L2_CID_CONTRAST].Value, 32);
    for (const auto& [id, value] : camera.Writes)
        EXPECT_NE(id, static_cast<std::uint32_t>(V4L2_CID_HUE));

    capture.close();
    EXPECT_FALSE(panel.isVisible());
}

TEST_F(CaptureWindowTest, VideoSettingsNeedACamera) {
    Part(*Window, "VideoCaptureAction")->trigger();
    TCaptureWindow& capture = *Window->findChild<TCaptureWindow*>();
    capture.CameraChosen = false;
    capture.VideoSettings1->trigger();
    EXPECT_EQ(Errors, QStringList{"Select a Camera first."});
}

namespace {
// The capture window on the test camera over a layer whose frames 1, 2 and 3 hold drawings of a
// ball (red, green, blue) moving right, at the live picture's size; each live frame is logged as
// the camera gave it and as the window showed it.
class OnionSkinWindowTest : public CaptureWindowTest {
protected:
    OnionSkinWindowTest() { Sheet().SelectCell(1, 4); }

    TCaptureWindow& OpenLogged() {
        TCaptureWindow& capture = Open();
        const QColor colors[] = {Qt::red, Qt::green, Qt::blue};
        const QSize size(capture.Grabber.VideoWidth(), capture.Grabber.VideoHeight());
        for (int frame = 1; frame <= 3; ++frame) {
            QImage& drawing = Drawings[frame - 1];
            drawing = QImage(size, QImage::Format_RGB888);
            drawing.fill(Qt::white);
            QPainter painter(&drawing);
            painter.setPen(QPen(Qt::black, 3));
            painter.setBrush(colors[frame - 1]);
            const int radius = size.height() / 5;
            painter.drawEllipse(BallCentre(frame, size), radius, radius);
            painter.end();
            const std::string name = "Ink_000" + std::to_string(frame) + ".png";
            EXPECT_TRUE(drawing.save(QString::fromStdString(Ink / name)));
            Sheet().PlaceCelAt(1, frame, name, 1);
        }
        Sheet().SelectCell(1, 4);
        auto show = capture.Grabber.OnPreviewFrame;
        capture.Grabber.OnPreviewFrame = [this, &capture, show](TVideoGrabber& sender,
                                                                const TPicture& frame) {
            show(sender, frame);
            Raw = PictureToImage(frame).copy();
            Shown = capture.VideoGrabber1->Frame().copy();
            ++LiveFrames;
        };
        return capture;
    }

    static QPoint BallCentre(int frame, QSize size) {
        return {size.width() * (25 + 20 * (frame - 1)) / 100, size.height() / 2};
    }

    // Waits for the next live frame.
    void NextLiveFrame() {
        const int seen = LiveFrames;
        EXPECT_TRUE(WaitFor([&] { return LiveFrames > seen; }));
    }

    // A key as the user presses it in the capture window (menu shortcuts included).
    static void Press(TCaptureWindow& capture, Qt::Key key,
                      Qt::KeyboardModifiers modifiers = Qt::ControlModifier | Qt::ShiftModifier) {
        QWidget* target = capture.focusWidget() ? capture.focusWidget() : capture.Placement->NameEdit;
        QTest::keyClick(target, key, modifiers);
    }

    QImage Drawings[3];
    QImage Raw;
    QImage Shown;
    int LiveFrames = 0;
};
} // namespace

TEST_F(OnionSkinWindowTest, OnionSkinAndDifferenceOverTheLivePicture) {
    TCaptureWindow& capture = OpenLogged();
    capture.activateWindow();
    const std::int64_t framesBefore = capture.Grabber.FramesSeen();
    Press(capture, Qt::Key_O);
    ASSERT_TRUE(capture.OnionSkin1->isChecked());

    struct TCase {
        const char* What;
        std::int32_t Frame; // the capture frame
        std::int32_t Count;
        std::int32_t Opacity;
        bool Difference;
        std::array<int, 3> Weights; // of frames 3, 2 and 1 in what lies over the live picture
        const char* Screenshot = nullptr;
    };
    const TCase cases[] = {
        {"opacity 0", 4, 1, 0, false, {1, 0, 0}},
        {"opacity 50", 4, 1, 50, false, {1, 0, 0}},
        {"opacity 100", 4, 1, 100, false, {1, 0, 0}},
        {"three back", 4, 3, 100, false, {3, 2, 1}}, // the nearer frames stronger
        {"three back, half", 4, 3, 50, false, {3, 2, 1}, "capture-onion-skin.png"},
        {"frame 1", 1, 3, 100, false, {0, 0, 0}},
        {"difference", 4, 3, 100, true, {1, 0, 0}, "capture-onion-difference.png"}, // the last frame alone
        {"difference, half", 4, 1, 50, true, {1, 0, 0}},
        {"difference on frame 1", 1, 1, 100, true, {0, 0, 0}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.What);
        Sheet().SelectCell(1, c.Frame);
        capture.FramesBackBox->setValue(c.Count);
        capture.OpacityBar->setValue(c.Opacity);
        if (capture.Difference1->isChecked() != c.Difference)
            Press(capture, Qt::Key_D);
        ASSERT_EQ(capture.Difference1->isChecked(), c.Difference);
        NextLiveFrame();
        ASSERT_EQ(Shown.size(), Raw.size());
        int wrong = 0;
        for (int y = 0; y < Raw.height(); y += 7) {
            for (int x = 0; x < Raw.width(); x += 7) {
                const QColor live = Raw.pixelColor(x, y);
                const QColor shown = Shown.pixelColor(x, y);
                const int lives[] = {live.red(), live.green(), live.blue()};
                const int showns[] = {shown.red(), shown.green(), shown.blue()};
                const int weights = c.Weights[0] + c.Weights[1] + c.Weights[2];
                for (int i = 0; i < 3; ++i) {
                    int expected = lives[i];
                    if (weights > 0) {
                        int onion = 0;
                        for (int back = 1; back <= 3; ++back) {
                            const QColor drawn = Drawings[3 - back].pixelColor(x, y);
                            const int channels[] = {drawn.red(), drawn.green(), drawn.blue()};
                            onion += c.Weights[back - 1] * channels[i];
                        }
                        onion = (onion + weights / 2) / weights;
                        const int over = c.Difference ? std::abs(lives[i] - onion) : onion;
                        expected = lives[i] + (over - lives[i]) * c.Opacity / 100;
                    }
                    wrong += std::abs(showns[i] - expected) > 2;
                }
            }
        }
        EXPECT_EQ(wrong, 0);
        if (const char* shots = std::getenv("CELWRIGHT_SCREENSHOTS"); shots && c.Screenshot) {
            WaitFor([] { return false; }, 300);
            capture.grab().save(QString(shots) + "/" + c.Screenshot);
        }
    }

    // Off again: the live picture as the camera gives it. None of this restarted the camera.
    Press(capture, Qt::Key_O);
    NextLiveFrame();
    EXPECT_EQ(Shown, Raw);
    EXPECT_GT(capture.Grabber.FramesSeen(), framesBefore);
    EXPECT_TRUE(Errors.isEmpty()) << Errors.join("\n").toStdString();

    // The settings are kept in celwright.ini when the window closes.
    capture.close();
    const TOnionSkinSettings kept = LoadOnionSkinSettings(User / "Celwright/3.0/celwright.ini");
    EXPECT_EQ(kept, (TOnionSkinSettings{
                        .Enabled = false, .Opacity = 100, .Frames = 1, .Difference = true, .PlayFrames = 6}));
}

TEST_F(OnionSkinWindowTest, FlipShowsTheLastFrameUntilPressedAgain) {
    TCaptureWindow& capture = OpenLogged();
    capture.activateWindow();
    Press(capture, Qt::Key_F);
    ASSERT_TRUE(capture.Flip1->isChecked());
    EXPECT_EQ(capture.VideoGrabber1->Shown(), 3);
    NextLiveFrame(); // live frames go on arriving but are not shown
    EXPECT_EQ(capture.VideoGrabber1->Shown(), 3);
    EXPECT_EQ(capture.VideoGrabber1->Frame().pixelColor(BallCentre(3, Shown.size())), QColor(Qt::blue));
    Press(capture, Qt::Key_F);
    EXPECT_FALSE(capture.Flip1->isChecked());
    EXPECT_EQ(capture.VideoGrabber1->Shown(), TVideoView::kLive);

    // Frame 1 has no frame before it: the live picture stays.
    Sheet().SelectCell(1, 1);
    Press(capture, Qt::Key_F);
    EXPECT_FALSE(capture.Flip1->isChecked());
    EXPECT_EQ(capture.VideoGrabber1->Shown(), TVideoView::kLive);
}

TEST_F(OnionSkinWindowTest, PlayWithLiveLoopsTheLastFramesIntoLiveUntilAKeyOrClick) {
    TCaptureWindow& capture = OpenLogged();
    capture.activateWindow();
    Sheet().SetFps(24);
    capture.PlayFramesBox->setValue(3);
    std::vector<std::int32_t> shown; // sheet frames shown, a run of live frames once
    capture.VideoGrabber1->OnFrameShown = [&](std::int32_t frame) {
        if (frame != TVideoView::kLive || shown.empty() || shown.back() != TVideoView::kLive)
            shown.push_back(frame);
        if (frame != TVideoView::kLive) {
            const QColor colors[] = {Qt::red, Qt::green, Qt::blue};
            const QImage& image = capture.VideoGrabber1->Frame();
            EXPECT_EQ(image.pixelColor(BallCentre(frame, image.size())), colors[frame - 1]) << frame;
        }
    };

    const std::function<void()> stops[] = {
        [&] { Press(capture, Qt::Key_A, Qt::NoModifier); },                // a key, not typed
        [&] { QTest::mouseClick(capture.ButtonCapture, Qt::LeftButton); }, // a click, no capture
        [&] { Press(capture, Qt::Key_P); },                                // its own shortcut
        [&] { Press(capture, Qt::Key_O); },                                // another command's key
    };
    for (std::size_t i = 0; i < std::size(stops); ++i) {
        SCOPED_TRACE(i);
        shown.clear();
        Press(capture, Qt::Key_P);
        ASSERT_TRUE(capture.Player.Playing());
        ASSERT_TRUE(WaitFor([&] { return shown.size() >= 9; }));
        const std::vector<std::int32_t> twoLoops(shown.begin(), shown.begin() + 9);
        EXPECT_EQ(twoLoops, (std::vector<std::int32_t>{1, 2, 3, 0, 1, 2, 3, 0, 1}));
        stops[i]();
        EXPECT_FALSE(capture.Player.Playing());
        shown.clear();
        NextLiveFrame();
        NextLiveFrame();
        EXPECT_EQ(shown, std::vector<std::int32_t>{TVideoView::kLive}); // ends on live, stays there
    }
    EXPECT_EQ(capture.Placement->NameEdit->text(), "Ink");
    EXPECT_EQ(Sheet().Document().CelName(1, 4), "");
    EXPECT_FALSE(capture.OnionSkin1->isChecked());
    EXPECT_TRUE(Errors.isEmpty()) << Errors.join("\n").toStdString();
}
