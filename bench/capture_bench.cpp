// Capture on the test camera at 640 x 480: the time from the Capture request to the cel on the
// sheet (grab, the file written, the cel placed), without averaging; and the live picture's frame
// rate and the CPU time it costs. The reference measured in the same run is the camera's frame
// interval: a capture waits for a frame that begins after the request, so about one interval is
// the floor. Then the live picture at 640 x 480 with the onion skin off and on (three frames back):
// frames shown, CPU and the blend's time per frame, against the same camera without it. Last, the
// live picture painted in the capture window's video view (offscreen unless a display is named)
// with the guides and the onion skin off and on. The bench waits in the event loop's own sleep,
// so its CPU figures are the pipeline's and the painting's, not the waiting's.
#include "capture/CaptureRules.h"
#include "capture/LiveGuides.h"
#include "capture/OnionSkin.h"
#include "capture/VideoGrabber.h"
#include "capture/VideoView.h"
#include "document/SheetDocument.h"
#include "imaging/PictureCodecs.h"
#include "testsupport/TempFolder.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <sys/resource.h>
#include <vector>

namespace {
constexpr int kCaptures = 20;
constexpr int kPreviewMs = 3000;

// Runs the event loop until `done` holds (looked at every millisecond, so a timing ends within one
// of the event) or `ms` have passed; the loop sleeps between events.
void RunEvents(const std::function<bool()>& done, int ms) {
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    deadline.start(ms);
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    poll.setTimerType(Qt::PreciseTimer);
    poll.start(1);
    if (!done())
        loop.exec();
}

// Runs the event loop for `ms` without looking at anything.
void RunFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void Bench(double rate) {
    TTempFolder folder;
    TSheetDocument sheet;
    sheet.AddLayer("Ink", folder / "", sheet.DefaultColors);
    TVideoGrabber grabber(true, false);
    grabber.SetVideoDevice(grabber.VideoDevicesCount() - 1);
    grabber.SetVideoSize(grabber.FindVideoSize(640, 480));
    grabber.SetFrameRate(rate);
    bool started = false;
    grabber.OnPreviewStarted = [&](TVideoGrabber&) { started = true; };
    grabber.StartPreview();
    RunEvents([&] { return started; }, 5000);

    // Live picture: frames delivered and CPU used over a few seconds.
    std::int64_t painted = 0;
    grabber.OnPreviewFrame = [&](TVideoGrabber&, const TPicture&) { ++painted; };
    const std::int64_t seenBefore = grabber.FramesSeen();
    const double cpuBefore = CpuSeconds();
    RunFor(kPreviewMs);
    const double seconds = kPreviewMs / 1000.0;
    std::printf(
        "%.0f fps asked: live picture %.1f fps from the camera, %.1f fps painted, CPU %.1f %% of one core\n",
        rate, double(grabber.FramesSeen() - seenBefore) / seconds, double(painted) / seconds,
        100.0 * (CpuSeconds() - cpuBefore) / seconds);

    // Capture to cel.
    std::vector<double> times;
    for (int i = 1; i <= kCaptures; ++i) {
        QElapsedTimer clock;
        bool placed = false;
        grabber.OnFrameCaptureCompleted = [&](TVideoGrabber&, const TPicture& frame) {
            TPicture picture = frame;
            ProcessCapture(picture, {});
            const std::string name = CaptureFileName("Ink", PadNumber(i), TcwImageFormat::png);
            WriteCapture(folder / name, picture, TcwImageFormat::png, false);
            PlaceCapture(sheet, 1, i, name, 1);
            placed = true;
        };
        clock.start();
        grabber.GrabFrame();
        RunEvents([&] { return placed; }, 6000);
        times.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    std::printf("%.0f fps asked: Capture to cel %.1f ms median, %.1f ms worst of %d (frame interval %.1f ms, "
                "median / interval %.2f)\n",
                rate, times[times.size() / 2], times.back(), kCaptures, 1000.0 / rate,
                times[times.size() / 2] / (1000.0 / rate));
}
// What the capture window does with each live frame, with the onion skin off or on (three frames
// back, half opaque), over a layer of three 640 x 480 drawings before the capture frame.
struct TOnionSkinScene {
    TTempFolder Folder;
    TSheetDocument Sheet;
    TOnionSkin Onion{Sheet};

    TOnionSkinScene() {
        Sheet.AddLayer("Ink", Folder / "", Sheet.DefaultColors);
        for (int frame = 1; frame <= 3; ++frame) {
            TPicture drawing(640, 480, TPixelFormat::pf24bit);
            drawing.Fill(255);
            for (int y = 200; y < 280; ++y)
                std::fill_n(drawing.Row(y) + 3 * (100 + 120 * frame), 3 * 80, std::uint8_t{40});
            const std::string name = "Ink_000" + std::to_string(frame) + ".png";
            WritePng(Folder / name, drawing);
            Sheet.PlaceCelAt(1, frame, name, 1);
        }
        Onion.SetCount(3);
        Onion.SetOpacity(50);
    }
};

// The test camera live at 640 x 480 and 30 fps.
void StartTestCamera(TVideoGrabber& grabber) {
    grabber.SetVideoDevice(grabber.VideoDevicesCount() - 1);
    grabber.SetVideoSize(grabber.FindVideoSize(640, 480));
    grabber.SetFrameRate(30.0);
    bool started = false;
    grabber.OnPreviewStarted = [&](TVideoGrabber&) { started = true; };
    grabber.StartPreview();
    RunEvents([&] { return started; }, 5000);
}

void BenchOnionSkin() {
    TOnionSkinScene scene;

    TVideoGrabber grabber(true, false);
    StartTestCamera(grabber);

    double cpuOff = 0;
    for (const bool on : {false, true}) {
        std::int64_t shown = 0;
        std::vector<double> blendUs;
        TPicture last;
        TPicture composed;
        grabber.OnPreviewFrame = [&](TVideoGrabber&, const TPicture& frame) {
            last = frame; // the window keeps the last live frame either way
            if (on) {
                QElapsedTimer clock;
                clock.start();
                scene.Onion.Update(1, 4, frame.Width(), frame.Height());
                scene.Onion.Compose(frame, composed);
                blendUs.push_back(double(clock.nsecsElapsed()) / 1e3);
            }
            ++shown;
        };
        const std::int64_t seenBefore = grabber.FramesSeen();
        const double cpuBefore = CpuSeconds();
        RunFor(kPreviewMs);
        const double seconds = kPreviewMs / 1000.0;
        const double cpu = 100.0 * (CpuSeconds() - cpuBefore) / seconds;
        std::printf(
            "640 x 480, onion skin %s: live picture %.1f fps from the camera, %.1f fps shown, CPU %.1f %% "
            "of one core",
            on ? "on (3 frames)" : "off", double(grabber.FramesSeen() - seenBefore) / seconds,
            double(shown) / seconds, cpu);
        if (on) {
            std::sort(blendUs.begin(), blendUs.end());
            // The slowest frame is the one that rendered the onion frames; the median is the blend alone.
            std::printf(", blend %.0f us median, slowest %.0f us, frames rendered %lld time(s), "
                        "CPU on / off %.2f",
                        blendUs.empty() ? 0.0 : blendUs[blendUs.size() / 2],
                        blendUs.empty() ? 0.0 : blendUs.back(),
                        static_cast<long long>(scene.Onion.Frames().Renders()), cpuOff > 0 ? cpu / cpuOff : 0.0);
        }
        std::printf("\n");
        cpuOff = cpu;
    }
    grabber.StopPreview();
}

// The live picture as the capture window shows it: each frame (with the onion skin blended in when
// on) given to the video view, which paints it with the guides over it. CPU of the whole process
// against the camera alone in the same run.
void BenchLiveView() {
    TOnionSkinScene scene;
    TLiveGuides guides;
    TVideoView view;
    view.resize(640, 480);
    view.SetOverlays(&guides, nullptr);
    view.show();

    TVideoGrabber grabber(true, false);
    StartTestCamera(grabber);
    std::int64_t painted = 0;
    view.OnFrameShown = [&](std::int32_t) { ++painted; };
    struct TRun {
        const char* What;
        bool Shown;
        bool Guides;
        bool Onion;
    };
    double cpuAlone = 0;
    for (const TRun& run : {TRun{"camera alone, nothing shown", false, false, false},
                            TRun{"shown, guides off, onion skin off", true, false, false},
                            TRun{"shown, guides on, onion skin off", true, true, false},
                            TRun{"shown, guides off, onion skin on", true, false, true},
                            TRun{"shown, guides on, onion skin on", true, true, true}}) {
        guides.Settings = run.Guides ? TLiveGuideSettings{.Grid = true, .Mask = TAspectMask::am239, .TitleSafe = true,
                                                          .ActionSafe = true, .CentreCross = true}
                                     : TLiveGuideSettings{};
        TPicture composed;
        grabber.OnPreviewFrame = [&](TVideoGrabber&, const TPicture& frame) {
            if (!run.Shown)
                return;
            if (run.Onion) {
                scene.Onion.Update(1, 4, frame.Width(), frame.Height());
                scene.Onion.Compose(frame, composed);
                view.ShowFrame(composed);
            } else {
                view.ShowFrame(frame);
            }
        };
        RunFor(300); // the onion frames are rendered before the measuring starts
        painted = 0;
        const std::int64_t seenBefore = grabber.FramesSeen();
        const double cpuBefore = CpuSeconds();
        RunFor(kPreviewMs);
        const double seconds = kPreviewMs / 1000.0;
        const double cpu = 100.0 * (CpuSeconds() - cpuBefore) / seconds;
        if (!run.Shown)
            cpuAlone = cpu;
        std::printf("640 x 480 live view, %s: %.1f fps from the camera, %.1f fps shown, CPU %.1f %% of one core",
                    run.What, double(grabber.FramesSeen() - seenBefore) / seconds, double(painted) / seconds, cpu);
        if (run.Shown)
            std::printf(" (%+.1f points over the camera alone)", cpu - cpuAlone);
        std::printf("\n");
    }
    grabber.StopPreview();
}
} // namespace

int main(int argc, char** argv) {
    // Offscreen painting costs what painting into a window costs, short of the display's own work.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    for (const double rate : {15.0, 30.0})
        Bench(rate);
    BenchOnionSkin();
    BenchLiveView();
    return 0;
}
