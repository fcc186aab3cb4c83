#include "capture/VideoGrabber.h"

#include "testsupport/RecordedGPhoto.h"
#include "testsupport/TempFolder.h"
#include "testsupport/WaitFor.h"

#include <QCoreApplication>
#include <QThread>
#include <gtest/gtest.h>

namespace {
class TCoreAppEnvironment : public testing::Environment {
public:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "capture_core_tests";
        static char* argv[] = {name, nullptr};
        App = new QCoreApplication(argc, argv);
        // No still camera: what is plugged into this machine's USB does not change the tests.
        GPhotoPort() = std::make_shared<TRecordedGPhoto>();
    }
    void TearDown() override { delete App; }

private:
    QCoreApplication* App = nullptr;
};
[[maybe_unused]] testing::Environment* const kEnvironment =
    testing::AddGlobalTestEnvironment(new TCoreAppEnvironment);

// Runs the event loop until `done` holds, at most `ms` milliseconds.
std::int32_t TestCameraIndex(const TVideoGrabber& grabber) {
    return grabber.VideoDevicesCount() - 1;
}
} // namespace

TEST(VideoGrabber, TheTestCameraIsListedOnlyWhenTheSettingsFileAsks) {
    TTempFolder user;
    EXPECT_FALSE(TVideoGrabber::TestCameraEnabled(user / ""));
    WriteText(user.Path() / "celwright.ini", "[capture devices]\ntest camera=0\n");
    EXPECT_FALSE(TVideoGrabber::TestCameraEnabled(user / ""));
    WriteText(user.Path() / "celwright.ini",
              "[general preferences]\nfps=24\n[Capture Devices]\ntest camera=1\n");
    EXPECT_TRUE(TVideoGrabber::TestCameraEnabled(user / ""));

    const TVideoGrabber without(false, false);
    EXPECT_EQ(without.VideoDevices().find("Test pattern"), std::string::npos);
    TVideoGrabber with(true, false);
    ASSERT_GE(with.VideoDevicesCount(), 1);
    EXPECT_TRUE(with.VideoDevices().ends_with("Test pattern\n"));
    with.SetVideoDevice(TestCameraIndex(with));
    EXPECT_EQ(with.VideoDeviceName(), "Test pattern");
    EXPECT_EQ(with.VideoSizes(), "default\n320 x 240 (30 fps)\n640 x 480 (30 fps)\n1280 x 720 (30 fps)\n");
    EXPECT_EQ(with.FindVideoSize(640, 480), 2);
    EXPECT_EQ(with.FindVideoSize(800, 600), -1);
}

TEST(VideoGrabber, TheTestCameraFaultsComeFromTheSettingsFile) {
    TTempFolder user;
    const struct {
        const char* Settings;
        std::int64_t FailAfter;
        std::int32_t RefusedWidth, RefusedHeight;
    } cases[] = {
        {"", 0, 0, 0},
        {"test camera fails after=30\ntest camera refuses=1280x720\n", 30, 1280, 720},
        {"test camera fails after=-4\ntest camera refuses=wide\n", 0, 0, 0},
    };
    for (const auto& c : cases) {
        WriteText(user.Path() / "celwright.ini", std::string("[capture devices]\n") + c.Settings);
        const TTestCameraFaults faults = TVideoGrabber::TestCameraFaults(user / "");
        EXPECT_EQ(faults.FailAfterFrames, c.FailAfter) << c.Settings;
        EXPECT_EQ(faults.RefusedWidth, c.RefusedWidth) << c.Settings;
        EXPECT_EQ(faults.RefusedHeight, c.RefusedHeight) << c.Settings;
    }
}

TEST(VideoGrabber, PreviewsAndGrabsAFrameOfTheChosenSize) {
    TVideoGrabber grabber(true, false);
    grabber.SetVideoDevice(TestCameraIndex(grabber));
    grabber.SetVideoSize(2);
    grabber.SetFrameRate(15.0);
    EXPECT_EQ(grabber.FrameRate(), 15.0);
    int started = 0;
    int previewFrames = 0;
    grabber.OnPreviewStarted = [&](TVideoGrabber&) { ++started; };
    grabber.OnPreviewFrame = [&](TVideoGrabber&, const TPicture&) { ++previewFrames; };
    grabber.StartPreview();
    ASSERT_TRUE(WaitFor([&] { return started > 0; }));
    EXPECT_EQ(grabber.VideoWidth(), 640);
    EXPECT_EQ(grabber.VideoHeight(), 480);

    TPicture grabbed;
    grabber.OnFrameCaptureCompleted = [&](TVideoGrabber&, const TPicture& frame) { grabbed = frame; };
    grabber.GrabFrame();
    ASSERT_TRUE(WaitFor([&] { return !grabbed.Empty(); }));
    EXPECT_EQ(grabbed.Width(), 640);
    EXPECT_EQ(grabbed.Height(), 480);
    EXPECT_EQ(grabbed.PixelFormat(), TPixelFormat::pf24bit);
    // The top-left bar of the pattern is white.
    EXPECT_EQ(grabbed.Row(0)[0] + grabbed.Row(0)[1] + grabbed.Row(0)[2], 3 * 255);
    EXPECT_EQ(started, 1);
    EXPECT_GT(previewFrames, 0);
    grabber.StopPreview();
    EXPECT_FALSE(grabber.PreviewRunning());
}

TEST(VideoGrabber, TheSizeMenuListsEachSizeWithItsRateAndFormats) {
    TVideoSourceInfo webcam;
    webcam.Name = "Webcam";
    webcam.DevicePath = "/dev/video9";
    webcam.Modes = VideoModesFromCaps(
        "video/x-raw, format=YUY2, width=640, height=480, framerate={ 30/1, 15/1 }; "
        "image/jpeg, width=640, height=480, framerate=30/1; "
        "image/jpeg, width=1280, height=720, framerate=[ 5/1, 60/1 ]; "
        "video/x-raw, format={ NV12, YUY2 }, width=320, height=240; "
        "video/x-raw, format=YUY2, width=[ 1, 4096 ], height=[ 1, 2160 ]");
    TVideoGrabber grabber(false, false);
    grabber.ListSources = [&] { return std::vector{webcam}; };
    grabber.RefreshDevices();
    grabber.SetVideoDevice(0);
    EXPECT_EQ(grabber.VideoSizes(), "default\n640 x 480 (30 fps; YUY2, MJPG)\n1280 x 720 (60 fps; MJPG)\n"
                                    "320 x 240 (NV12, YUY2)\n");
}

TEST(VideoGrabber, ACameraPulledOutIsLostAndTakenUpAgainWhenItReturns) {
    TVideoSourceInfo desk = TestPatternSource(); // stands in for a webcam on a USB cable
    desk.Name = "Desk camera";
    bool plugged = true;
    TVideoGrabber grabber(false, false);
    grabber.ListSources = [&] { return plugged ? std::vector{desk} : std::vector<TVideoSourceInfo>{}; };
    int started = 0;
    int lost = 0;
    int changes = 0;
    grabber.OnPreviewStarted = [&](TVideoGrabber&) { ++started; };
    grabber.OnDeviceLost = [&](TVideoGrabber&) { ++lost; };
    grabber.OnDeviceArrivalOrRemoval = [&](TVideoGrabber&) { ++changes; };
    grabber.DevicesChanged();
    ASSERT_EQ(grabber.VideoDevices(), "Desk camera\n");
    grabber.SetVideoDevice(0);
    grabber.SetVideoSize(2);
    grabber.StartPreview();
    ASSERT_TRUE(WaitFor([&] { return started == 1; }));

    plugged = false;
    grabber.DevicesChanged();
    EXPECT_EQ(lost, 1);
    EXPECT_EQ(changes, 2);
    EXPECT_FALSE(grabber.PreviewRunning());
    EXPECT_EQ(grabber.VideoDevice(), -1);

    plugged = true;
    grabber.DevicesChanged();
    ASSERT_TRUE(WaitFor([&] { return started == 2; }));
    EXPECT_EQ(grabber.VideoDeviceName(), "Desk camera");
    EXPECT_EQ(grabber.VideoWidth(), 640); // with the size it had
    EXPECT_EQ(lost, 1);
}

TEST(VideoGrabber, AGrabWithoutALivePictureFailsWithAMessage) {
    TVideoGrabber grabber(true, false);
    std::string message;
    bool completed = false;
    grabber.OnFrameCaptureFailed = [&](TVideoGrabber&, const std::string& text) { message = text; };
    grabber.OnFrameCaptureCompleted = [&](TVideoGrabber&, const TPicture&) { completed = true; };
    grabber.GrabFrame();
    EXPECT_EQ(message, "No camera is running.");
    EXPECT_FALSE(grabber.GrabPending());
    QCoreApplication::processEvents();
    EXPECT_FALSE(completed);
}

TEST(VideoGrabber, TheGrabbedFrameBeganAfterTheRequestEvenWhenTheUiWasBusy) {
    TGstVideoStream stream(TestPatternSource(), 320, 240, 30.0);
    std::int32_t previews = 0;
    stream.OnPreviewFrame = [&](const TPicture&) { ++previews; };
    std::string reason;
    ASSERT_TRUE(stream.Start(reason)) << reason;
    ASSERT_TRUE(WaitFor([&] { return previews > 2; }));

    for (int round = 0; round < 3; ++round) {
        std::int64_t start = -1;
        stream.OnFrame = [&](const TPicture&, std::int64_t ns) { start = ns; };
        const std::int64_t requested = stream.RequestFrame();
        // Frames keep coming while the user-interface thread is busy; none may be from before.
        QThread::msleep(150);
        ASSERT_TRUE(WaitFor([&] { return start >= 0; }));
        EXPECT_GE(start, requested);
        EXPECT_GT(requested, 0);
    }
}
