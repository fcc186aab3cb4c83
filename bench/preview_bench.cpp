// The preview window on a sheet: rendering its frames through Build (wall and CPU time of the
// best of RUNS, each in a fresh window on a freshly opened sheet, so that no drawing is already
// read), then playing them forwards for SECONDS and timing the playback ticks: the intervals
// between the frames the slider steps to, against the timer interval of the sheet's frame rate.
//
// Prints three lines for bench/bench_preview.sh to read:
//   render FRAMES WIDTH HEIGHT WALL_S CPU_S
//   ticks COUNT INTERVAL_MS MEAN_MS SD_MS MIN_MS MAX_MS
//   bare COUNT INTERVAL_MS MEAN_MS SD_MS MIN_MS MAX_MS
//   step MEDIAN_MS MAX_MS
// the last for a bare timer of the same kind and interval run right after, doing nothing: the
// reference for what the machine's scheduling alone costs; the last for one playback step done
// directly (the slider to the next frame, painting included), 240 times.
//
// Usage: celwright-preview-bench SHEET.xps [RUNS] [SECONDS]
#include "document/SheetLoading.h"
#include "document/SheetDocument.h"
#include "imaging/Compositor.h"
#include "preview/PreviewWindow.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <memory>
#include <numeric>
#include <string>
#include <vector>

namespace {

double CpuSeconds() {
    timespec now{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// A sheet opened from its file, with the compositor and the preview window on it, as the main
// window makes them: Darken, the sheet's frame rate, no auto render.
struct TOpenPreview {
    TSheetDocument Sheet;
    TXpsSettings Loaded;
    std::unique_ptr<TCompositor> Rostrum;
    std::unique_ptr<TPreviewWindow> Window;

    explicit TOpenPreview(const std::string& path) {
        LoadSheet(Sheet, path, Loaded);
        Rostrum = std::make_unique<TCompositor>(Sheet);
        Rostrum->CompositeMode = [] { return TComp::cDarken; };
        TPreviewHost host;
        host.CurrentSettings = [this] {
            TSettings settings;
            settings.General.Fps = Loaded.Fps;
            settings.General.CompositeMode = TComp::cDarken;
            settings.Preview.AutoBuild = false;
            return settings;
        };
        Window = std::make_unique<TPreviewWindow>(Sheet, *Rostrum, host);
        Window->show();
    }
    bool Ready() {
        return QTest::qWaitFor([this] { return Window->State() == TPreviewWindow::TState::psStopped; }, 10000);
    }
};

// The times of ticks, and what their intervals say.
class TTicks {
public:
    explicit TTicks(int seconds) {
        Times.reserve(static_cast<std::size_t>(seconds) * 100);
        Clock.start();
    }
    void Tick() { Times.push_back(Clock.nsecsElapsed()); }
    // "NAME COUNT INTERVAL_MS MEAN_MS SD_MS MIN_MS MAX_MS"; false with fewer than three ticks.
    bool Print(const char* name, int interval) const {
        if (Times.size() < 3)
            return false;
        std::vector<double> intervals;
        for (std::size_t i = 1; i < Times.size(); ++i)
            intervals.push_back(static_cast<double>(Times[i] - Times[i - 1]) / 1e6);
        const double n = static_cast<double>(intervals.size());
        const double mean = std::accumulate(intervals.begin(), intervals.end(), 0.0) / n;
        double squares = 0;
        for (const double value : intervals)
            squares += (value - mean) * (value - mean);
        const auto [shortest, longest] = std::minmax_element(intervals.begin(), intervals.end());
        std::printf("%s %zu %d %.3f %.3f %.3f %.3f\n", name, Times.size(), interval, mean,
                    std::sqrt(squares / n), *shortest, *longest);
        return true;
    }

private:
    QElapsedTimer Clock;
    std::vector<qint64> Times;
};

void RunFor(int seconds) {
    QEventLoop loop;
    QTimer::singleShot(seconds * 1000, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: celwright-preview-bench SHEET.xps [RUNS] [SECONDS]\n");
        return 2;
    }
    const std::string sheet = argv[1];
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    const int seconds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 10;

    double bestWall = 0, bestCpu = 0;
    std::size_t frames = 0;
    std::int32_t width = 0, height = 0;
    for (int run = 0; run < runs; ++run) {
        TOpenPreview open(sheet);
        if (!open.Ready()) {
            std::fprintf(stderr, "the preview never became ready\n");
            return 1;
        }
        QElapsedTimer wall;
        const double cpu = CpuSeconds();
        wall.start();
        open.Window->Build1->trigger();
        const double took = static_cast<double>(wall.nsecsElapsed()) / 1e9, used = CpuSeconds() - cpu;
        if (!open.Window->Rendered()) {
            std::fprintf(stderr, "the preview did not render\n");
            return 1;
        }
        frames = open.Window->Frames().size();
        width = open.Window->Frames()[0]->Width();
        height = open.Window->Frames()[0]->Height();
        if (run == 0 || took < bestWall) {
            bestWall = took;
            bestCpu = used;
        }
    }
    std::printf("render %zu %d %d %.3f %.3f\n", frames, width, height, bestWall, bestCpu);

    // Playback: the slider steps once per tick and the new frame is painted at once; the time is
    // taken after the painting, when the frame is there to be seen.
    TOpenPreview open(sheet);
    if (!open.Ready())
        return 1;
    open.Window->Build1->trigger();
    // What one tick costs: stepping the slider to the next frame, painting included.
    std::vector<double> steps;
    for (int i = 0; i < 240; ++i) {
        QElapsedTimer step;
        step.start();
        QSlider& slider = *open.Window->TrackBar1;
        slider.setValue((slider.value() + 1) % (slider.maximum() + 1));
        steps.push_back(static_cast<double>(step.nsecsElapsed()) / 1e6);
    }
    std::sort(steps.begin(), steps.end());
    TTicks played(seconds);
    QObject::connect(open.Window->TrackBar1, &QSlider::valueChanged, [&played](int) { played.Tick(); });
    open.Window->Play(false);
    RunFor(seconds);
    open.Window->Stop();
    // The reference: a bare timer of the same kind and interval in the same process, doing nothing.
    TTicks bare(seconds);
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    timer.setInterval(open.Window->Timer1->interval());
    QObject::connect(&timer, &QTimer::timeout, [&bare] { bare.Tick(); });
    timer.start();
    RunFor(seconds);
    timer.stop();
    if (!played.Print("ticks", timer.interval()) || !bare.Print("bare", timer.interval())) {
        std::fprintf(stderr, "the preview did not play\n");
        return 1;
    }
    std::printf("step %.3f %.3f\n", steps[steps.size() / 2], steps.back());
    return 0;
}
