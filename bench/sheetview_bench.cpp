// Repainting the sheet control on a full sheet: 1637 frames x 24 layers with a cel on every frame,
// in a 1280 x 800 control. Each figure is the time from the change to the end of the synchronous
// repaint of the control, as median and best of many runs.
#include "sheetview/SheetGrid.h"
#include "sheetview/SheetView.h"

#include <QApplication>
#include <QTest>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {
constexpr int kLayers = 24;
constexpr int kRuns = 60;

struct TTiming {
    double Median = 0;
    double Best = 0;
};

TTiming Measure(const std::function<void(int run)>& work) {
    std::vector<double> times;
    for (int run = 0; run < kRuns; ++run) {
        const auto start = std::chrono::steady_clock::now();
        work(run);
        const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
        times.push_back(took.count());
    }
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], times.front()};
}

void Report(const char* what, const TTiming& timing) {
    std::printf("%-34s median %7.3f ms   best %7.3f ms\n", what, timing.Median, timing.Best);
}
} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    TSheetView sheet;
    sheet.resize(1280, 800);
    sheet.show();
    if (!QTest::qWaitForWindowExposed(&sheet)) {
        std::fprintf(stderr, "the control was never shown\n");
        return 1;
    }
    sheet.SetUpdateMode(TSheetDocument::TUpdateMode::Bulk);
    for (int layer = 1; layer <= kLayers; ++layer) {
        sheet.AddLayer("", "", sheet.Document().DefaultColors);
        for (int frame = 1; frame <= kMaxFrames; ++frame)
            sheet.PlaceCelAt(layer, frame, "drawing_" + std::to_string(frame) + ".png", 1);
    }
    sheet.SetUpdateMode(TSheetDocument::TUpdateMode::Normal);
    sheet.RefreshAll();
    sheet.repaint();
    std::printf("sheet of %d frames x %d layers in a %d x %d control, grid %d x %d\n", sheet.FrameCount(),
                sheet.LayerCount(), sheet.width(), sheet.height(), sheet.Grid().width(),
                sheet.Grid().height());

    TSheetScrollBar& vertical = sheet.VertBar();
    const double start = 400 * sheet.GridHeight();
    vertical.SetPosition(start);
    Report("scroll one row down", Measure([&](int run) {
               vertical.SetPosition(start + (run + 1) * sheet.GridHeight());
               sheet.repaint();
           }));
    vertical.SetPosition(start);
    Report("scroll one wheel step (8 px)", Measure([&](int run) {
               vertical.SetPosition(start + (run + 1) * vertical.Increment());
               sheet.repaint();
           }));
    sheet.HorzBar().SetPosition(0);
    Report("scroll one layer across", Measure([&](int run) {
               sheet.HorzBar().SetPosition((run % 10 + 1) * sheet.GridWidth());
               sheet.repaint();
           }));
    sheet.HorzBar().SetPosition(0);

    // A cel typed over one cell in view (the model's own work included, the undo snapshot not).
    const int firstRow = sheet.VertPos() / sheet.GridHeight() + 1;
    Report("one-cell edit", Measure([&](int run) {
               sheet.PlaceCelAt(3, firstRow + 5 + run % 20, "edit_" + std::to_string(run) + ".png", 1);
               sheet.repaint();
           }));
    Report("RefreshAll", Measure([&](int) {
               sheet.RefreshAll();
               sheet.repaint();
           }));
    return 0;
}
