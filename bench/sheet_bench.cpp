// Opening, saving and undoing on a full sheet: 1637 frames x 24 layers with a cel on every frame.
// Prints the best of several runs of each, and the time to merely read and split the same file
// into lines as a reference measured in the same run.
#include "document/SheetLoading.h"
#include "base/TextUtil.h"
#include "document/SheetDocument.h"
#include "document/XpsFile.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>

namespace {
constexpr int kLayers = 24;
constexpr int kRuns = 7;

// The best time of `work` over several runs, each after an untimed `prepare`.
double BestMilliseconds(const std::function<void()>& work, const std::function<void()>& prepare = {}) {
    double best = 1e300;
    for (int run = 0; run < kRuns; ++run) {
        if (prepare)
            prepare();
        const auto start = std::chrono::steady_clock::now();
        work();
        const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count());
    }
    return best;
}

void FillSheet(TSheetDocument& doc) {
    for (int layer = 1; layer <= kLayers; ++layer) {
        doc.AddLayer("", "/anim/layer" + std::to_string(layer) + "/", doc.DefaultColors);
        for (int frame = 1; frame <= kMaxFrames; ++frame)
            doc.PlaceCelAt(layer, frame, "drawing_" + std::to_string(frame) + ".png", 1);
    }
}
} // namespace

int main() {
    const auto path = std::filesystem::temp_directory_path() / "celwright-bench-sheet.xps";
    TSheetDocument source;
    FillSheet(source);
    const TXpsSettings settings;

    const double save = BestMilliseconds([&] { TXpsFile::SaveSheet(path, source, settings); });
    const double open = BestMilliseconds([&] {
        TSheetDocument doc;
        TXpsSettings loaded;
        LoadSheet(doc, path, loaded);
    });
    // An edit step that changes nothing costs what every edit pays for its undo step.
    const auto takeStep = [&] {
        TEditStep step(source.UndoManager());
        step.Commit();
    };
    const double snapshot = BestMilliseconds(takeStep);
    const double undo = BestMilliseconds([&] { source.Undo(); }, takeStep);

    const double reference = BestMilliseconds([&] { SplitLines(DecodeText(*ReadFileBytes(path))); });

    std::printf("sheet of %d frames x %d layers, %zu bytes\n", kMaxFrames, kLayers,
                static_cast<std::size_t>(std::filesystem::file_size(path)));
    std::printf("save:      %8.2f ms  (%.1fx reading the file)\n", save, save / reference);
    std::printf("open:      %8.2f ms  (%.1fx reading the file)\n", open, open / reference);
    std::printf("read only: %8.2f ms\n", reference);
    std::printf("Undo step:     %8.2f ms\n", snapshot);
    std::printf("Undo:          %8.2f ms\n", undo);
    std::filesystem::remove(path);
    return 0;
}
