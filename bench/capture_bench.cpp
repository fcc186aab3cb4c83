// Capture on the test camera at 640 x 480: the time from the Capture request to the cel on the
// sheet (grab, the file written, the cel placed), without averaging; and the live picture's frame
// rate and the CPU time it costs. The reference measured in the same run is the camera's frame
// interval: a capture waits for a frame that begins after the request, so about one interval is
// the floor.
#include "capture/CaptureRules.h"
#include "capture/VideoGrabber.h"
#include "document/XsDocument.h"
#include "testsupport/TempFolder.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <sys/resource.h>
#include <vector>

namespace {
constexpr int kCaptures = 20;
constexpr int kPreviewMs = 3000;

void RunEvents(const std::function<bool()>& done, int ms) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void Bench(double rate) {
    TTempFolder folder;
    TXsDocument sheet;
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
    RunEvents([] { return false; }, kPreviewMs);
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
} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    for (const double rate : {15.0, 30.0})
        Bench(rate);
    return 0;
}
