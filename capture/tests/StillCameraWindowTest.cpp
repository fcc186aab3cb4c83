#include "CaptureWindowFixture.h"
#include "ui/ErrorBox.h"
#include "app/MainWindow.h"
#include "capture/VideoSettingsDialog.h"
#include "capture/VideoView.h"
#include "capture/CaptureWindow.h"
#include "imaging/PictureCodecs.h"
#include "sheetview/SheetView.h"
#include "testsupport/RecordedGPhoto.h"
#include "testsupport/TempFolder.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <cstdlib>
#include <gtest/gtest.h>

namespace {
// The pixel's colour as B, G, R.
std::array<int, 3> PixelAt(const TPicture& picture, int x, int y) {
    const std::uint8_t* p = picture.Row(y) + 3 * x;
    return {p[0], p[1], p[2]};
}

bool Near(std::array<int, 3> a, std::array<int, 3> b) {
    for (int i = 0; i < 3; ++i) {
        if (std::abs(a[i] - b[i]) > 40)
            return false;
    }
    return true;
}

constexpr std::array<int, 3> kRed{0, 0, 255}, kGreen{0, 255, 0}, kBlue{255, 0, 0};

// The capture window's fixture with a DSLR whose answers are played back.
class StillCameraWindowTest : public TCaptureWindowFixture {
protected:
    StillCameraWindowTest()
        : TCaptureWindowFixture(
              [](const std::filesystem::path& user) { return RecordedDslr(user / "scratch.jpg"); }) {}

    // Opens the capture window and picks the DSLR from the Cameras menu.
    TCaptureWindow& OpenDslr() {
        Part(*Window, "VideoCaptureAction")->trigger();
        TCaptureWindow& capture = *Window->findChild<TCaptureWindow*>();
        QStringList cameras;
        for (QAction* item : capture.Source1->actions())
            cameras << item->text();
        EXPECT_EQ(cameras, (QStringList{"Canon EOS 550D", "Test pattern"}));
        capture.Source1->actions()[0]->trigger();
        EXPECT_TRUE(WaitFor([&] { return capture.ButtonCapture->isEnabled(); })) << "no live view";
        return capture;
    }
};
} // namespace

TEST_F(StillCameraWindowTest, LiveViewThenAFullPictureScaledForTheSheetWithItsOriginalsKept) {
    TCaptureWindow& capture = OpenDslr();
    EXPECT_EQ(capture.windowTitle(), "Capture: Canon EOS 550D");
    // The live view is the live picture, at the camera's live-view size.
    ASSERT_TRUE(WaitFor([&] { return capture.VideoGrabber1->Frame().width() == 640; }));
    const QImage live = capture.VideoGrabber1->Frame();
    EXPECT_EQ(live.height(), 424);
    const auto colour = [&](int x, int y) {
        const QRgb pixel = live.pixel(x, y);
        return std::array<int, 3>{qBlue(pixel), qGreen(pixel), qRed(pixel)};
    };
    EXPECT_TRUE(Near(colour(100, 200), kRed));
    EXPECT_TRUE(Near(colour(540, 200), kBlue));
    // The live view's shape, as large as the screen lets it be beside the column.
    EXPECT_GT(capture.VideoGrabber1->width(), 320);
    EXPECT_NEAR(double(capture.VideoGrabber1->width()) / capture.VideoGrabber1->height(), 640.0 / 424.0, 0.02);

    // The Size menu: the sheet's picture size; the camera's picture is cut to 4:3 and scaled.
    QStringList sizes;
    for (QAction* item : capture.Size1->actions())
        sizes << item->text();
    EXPECT_EQ(sizes, (QStringList{"default", "320 x 240", "640 x 480", "720 x 480", "720 x 576", "1280 x 720",
                                  "1920 x 1080"}));
    capture.Size1->actions()[2]->trigger();
    ASSERT_TRUE(WaitFor([&] { return capture.ButtonCapture->isEnabled(); }));
    Capture(capture);
    EXPECT_TRUE(Errors.isEmpty()) << Errors.join("\n").toStdString();
    EXPECT_EQ(Recorded->Captures, 1);
    EXPECT_EQ(Sheet().Document().CelName(1, 1), "Ink_0001.png");
    TPicture cel;
    ReadPng(Ink / "Ink_0001.png", cel);
    ASSERT_EQ(cel.Width(), 640);
    ASSERT_EQ(cel.Height(), 480);
    // 1500 x 1000 cut to its middle 1333 x 1000: the bands' edges land at x = 200 and 440.
    EXPECT_TRUE(Near(PixelAt(cel, 190, 240), kRed));
    EXPECT_TRUE(Near(PixelAt(cel, 210, 240), kGreen));
    EXPECT_TRUE(Near(PixelAt(cel, 430, 240), kGreen));
    EXPECT_TRUE(Near(PixelAt(cel, 450, 240), kBlue));
    // The camera's own files, named like the cel, in raw/.
    EXPECT_EQ(ReadPictureFile(Ink.Path() / "raw/Ink_0001.cr2"), Recorded->CaptureFiles[0].Bytes);
    EXPECT_EQ(ReadPictureFile(Ink.Path() / "raw/Ink_0001.jpg"), Recorded->CaptureFiles[1].Bytes);

    // "default": the live view's size.
    capture.Size1->actions()[0]->trigger();
    ASSERT_TRUE(WaitFor([&] { return capture.ButtonCapture->isEnabled(); }));
    Capture(capture);
    ReadPng(Ink / "Ink_0002.png", cel);
    EXPECT_EQ(cel.Width(), 640);
    EXPECT_EQ(cel.Height(), 424);
    EXPECT_TRUE(std::filesystem::is_regular_file(Ink.Path() / "raw/Ink_0002.cr2"));
}

TEST_F(StillCameraWindowTest, BusyRawOnlyAndUnpluggedCamerasSaySo) {
    TCaptureWindow& capture = OpenDslr();
    Recorded->CaptureResult = GP_ERROR_CAMERA_BUSY;
    Capture(capture);
    ASSERT_EQ(Errors.size(), 1);
    EXPECT_TRUE(Errors[0].startsWith("The camera \"Canon EOS 550D\" is busy")) << Errors[0].toStdString();
    EXPECT_EQ(Sheet().Document().CelName(1, 1), "");

    // A camera set to RAW alone gives nothing to draw with.
    Recorded->CaptureResult = GP_OK;
    Recorded->CaptureFiles.resize(1);
    Capture(capture);
    ASSERT_EQ(Errors.size(), 2);
    EXPECT_EQ(
        Errors[1].toStdString(),
        "The camera \"Canon EOS 550D\" saved the picture only as IMG_0042.CR2, which cannot be made into a "
        "drawing. Set the camera's image quality to JPEG or RAW + JPEG.");
    EXPECT_FALSE(std::filesystem::exists(Ink.Path() / "raw"));

    // Unplugged: the live view gives up after a few seconds and the window says why.
    Recorded->PreviewResult = GP_ERROR_IO_USB_FIND;
    ASSERT_TRUE(WaitFor([&] { return !capture.OverlayPanel->isHidden(); }, 10000));
    EXPECT_TRUE(capture.OverlayPanel->text().startsWith("The camera \"Canon EOS 550D\" is not connected"))
        << capture.OverlayPanel->text().toStdString();
    EXPECT_FALSE(capture.ButtonCapture->isEnabled());
    EXPECT_FALSE(capture.Grabber.PreviewRunning());
    // It stops once: the camera is asked no more and nothing else is said.
    const int asked = Recorded->Previews;
    WaitFor([] { return false; }, 1000);
    EXPECT_EQ(Recorded->Previews, asked);
    EXPECT_EQ(Errors.size(), 2);
}

TEST_F(StillCameraWindowTest, TheDeviceDialogOffersTheCamerasSettingsAndWritesThem) {
    TCaptureWindow& capture = OpenDslr();
    capture.VideoSettings1->trigger();
    TVideoSettingsDialog& panel = *capture.VideoSettings;
    ASSERT_TRUE(panel.isVisible());
    EXPECT_TRUE(panel.Debug->toPlainText().contains("Device dialog: yes."));
    ASSERT_EQ(panel.Devicedialogs1->actions().size(), 1);

    QStringList rows;
    QString busyMessage;
    QTimer::singleShot(0, &panel, [&] {
        auto* dialog = dynamic_cast<TCameraControlsDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        for (QComboBox* box : dialog->findChildren<QComboBox*>())
            rows << box->objectName() + "=" + box->currentText() + (box->isEnabled() ? "" : " (fixed)");
        if (const char* shots = std::getenv("CELWRIGHT_SCREENSHOTS")) {
            dialog->resize(420, 260);
            dialog->grab().save(QString(shots) + "/still-camera-settings.png");
        }
        auto* iso = dialog->findChild<QComboBox*>("ISO");
        iso->setCurrentIndex(iso->findText("1600"));
        emit iso->activated(iso->currentIndex());
        auto* balance = dialog->findChild<QComboBox*>("White balance");
        Recorded->SetConfigResult = GP_ERROR_CAMERA_BUSY;
        balance->setCurrentIndex(balance->findText("Cloudy"));
        emit balance->activated(balance->currentIndex());
        dialog->reject();
    });
    panel.Devicedialogs1->actions()[0]->trigger();
    EXPECT_EQ(rows, (QStringList{"ISO=400", "Shutter speed=1/60", "Aperture=8", "White balance=Auto"}));
    EXPECT_EQ(Recorded->Written, (std::vector<std::pair<std::string, std::string>>{{"iso", "1600"}}));
    ASSERT_EQ(Errors.size(), 1);
    EXPECT_TRUE(Errors[0].startsWith("The camera \"Canon EOS 550D\" is busy")) << Errors[0].toStdString();
}
