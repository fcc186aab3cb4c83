// Recovery records on a full sheet (1637 frames x 24 layers, a cel on every frame but the last of
// the edited layer, so that a longer hold still fits), through the main window: 1000 keypad edits
// a user might make, one every 10 ms.
//  - the time from each change to its record on disk (median and worst);
//  - the time of a keypad edit with recovery records kept and without them (median);
//  - the memory 1000 undo levels take on that sheet.
#include "app/MainWindow.h"
#include "app/SheetFiles.h"
#include "app/SheetRecovery.h"
#include "document/SheetUndo.h"
#include "document/XpsFile.h"
#include "recovery/RecoveryRecorder.h"
#include "sheetview/SheetView.h"

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using TClock = std::chrono::steady_clock;

namespace {
constexpr int kLayers = 24;
constexpr int kEditedLayer = 3;
constexpr int kEdits = 1000;
constexpr auto kPace = std::chrono::milliseconds(10);

double Ms(TClock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

long ResidentKiB() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

void WriteFullSheet(const fs::path& path) {
    std::string text = "<xsheet version=\"4.0\">\r\n<settings>\r\n\t<fps>24</fps>\r\n</settings>\r\n<audio>\r\n"
                       "</audio>\r\n<layers cols=\"24\">\r\n";
    for (int layer = 1; layer <= kLayers; ++layer) {
        text += "\t<layer col=\"" + std::to_string(layer) + "\" caption=\"L" + std::to_string(layer) +
                "\" dir=\"/tmp/\" color=\"0\" visible=\"1\">\r\n";
        for (int frame = 1; frame <= kMaxFrames - (layer == kEditedLayer ? 1 : 0); ++frame)
            text += "\t\t<cel col=\"" + std::to_string(layer) + "\" row=\"" + std::to_string(frame) +
                    "\" duration=\"1\">drawing_" + std::to_string(frame) + ".png</cel>\r\n";
        text += "\t</layer>\r\n";
    }
    text += "</layers>\r\n</xsheet>\r\n";
    std::ofstream(path, std::ios::binary) << text;
}

struct TSession {
    std::vector<double> EditMs;
    std::vector<double> ToDiskMs;
};

// Keypad "2" and "1" (the hold) on frame 10 of the edited layer, one edit every 10 ms.
TSession Edit(const fs::path& sheet, const QString& recoveryFolder) {
    TAppFolders folders;
    folders.RecoveryFolder = recoveryFolder;
    TMainWindow window(folders);
    window.show();
    window.Files().OpenDocument(QString::fromStdString(sheet.string()));
    TSheetView& view = window.Sheet();
    view.SelectCell(kEditedLayer, 10);

    TSession session;
    std::mutex guard;
    std::vector<std::pair<std::uint64_t, TClock::time_point>> written;
    TSheetRecovery* recovery = window.Recovery();
    if (recovery) {
        recovery->Recorder().OnWritten = [&](std::uint64_t tag) {
            std::lock_guard lock(guard);
            written.emplace_back(tag, TClock::now());
        };
    }
    std::vector<std::pair<std::uint64_t, TClock::time_point>> changed; // the change count after each edit
    for (int edit = 0; edit < kEdits; ++edit) {
        const auto start = TClock::now();
        QTest::keyClick(&view, edit % 2 ? Qt::Key_1 : Qt::Key_2, Qt::KeypadModifier);
        const auto end = TClock::now();
        session.EditMs.push_back(Ms(end - start));
        changed.emplace_back(recovery ? recovery->ChangeCount() : 0, end);
        while (TClock::now() - start < kPace)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    if (!recovery)
        return session;
    const std::uint64_t last = recovery->ChangeCount();
    const auto deadline = TClock::now() + std::chrono::seconds(5);
    for (;;) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        std::lock_guard lock(guard);
        if ((!written.empty() && written.back().first >= last) || TClock::now() > deadline)
            break;
    }
    // An edit is on disk with the first record that counts its change.
    for (const auto& [count, at] : changed) {
        const auto on = std::find_if(written.begin(), written.end(), [&](const auto& w) { return w.first >= count; });
        if (on != written.end())
            session.ToDiskMs.push_back(Ms(on->second - at));
    }
    window.Files().SetModified(false);
    return session;
}
} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // A message box would wait for an answer that never comes: stop instead of hanging.
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [] {
        if (QWidget* box = QApplication::activeModalWidget()) {
            std::fprintf(stderr, "stopped: a window asks \"%s\"\n", qPrintable(box->windowTitle()));
            std::_Exit(1);
        }
    });
    watch.start(500);
    const fs::path folder = fs::temp_directory_path() / ("celwright-recovery-bench-" + std::to_string(getpid()));
    fs::create_directories(folder);
    const fs::path sheet = folder / "full.xps";
    WriteFullSheet(sheet);

    const TSession with = Edit(sheet, QString::fromStdString((folder / "recovery/").string()));
    const TSession without = Edit(sheet, {});
    std::printf("%d keypad edits on a 1637 x 24 sheet, one every %d ms\n", kEdits, static_cast<int>(kPace.count()));
    std::printf("  change to record on disk:   median %7.1f ms   worst %7.1f ms   (%zu of %d measured)\n",
                Median(with.ToDiskMs), *std::max_element(with.ToDiskMs.begin(), with.ToDiskMs.end()),
                with.ToDiskMs.size(), kEdits);
    std::printf("  keypad edit with records:   median %7.3f ms\n", Median(with.EditMs));
    std::printf("  keypad edit without:        median %7.3f ms\n", Median(without.EditMs));
    {
        // What the window itself does for a record, once per write: the sheet's text.
        TAppFolders folders;
        TMainWindow window(folders);
        window.Files().OpenDocument(QString::fromStdString(sheet.string()));
        std::vector<double> times;
        for (int run = 0; run < 20; ++run) {
            const auto start = TClock::now();
            const std::string text = TXpsFile::SheetText(window.Sheet().Document(), TXpsSettings{});
            times.push_back(Ms(TClock::now() - start));
        }
        std::printf("  record text, in the window: median %7.1f ms per write (at most one per 500 ms)\n",
                    Median(times));
    }

    {
        TAppFolders folders;
        TMainWindow window(folders);
        window.Files().OpenDocument(QString::fromStdString(sheet.string()));
        TSheetView& view = window.Sheet();
        view.Document().UndoManager().SetDepth(1000);
        view.SelectCell(kEditedLayer, 10);
        const long before = ResidentKiB();
        for (int edit = 0; edit < 1000; ++edit)
            QTest::keyClick(&view, edit % 2 ? Qt::Key_1 : Qt::Key_2, Qt::KeypadModifier);
        const long after = ResidentKiB();
        std::printf("  1000 undo levels:           %ld MiB more resident memory (%zu steps kept)\n",
                    (after - before) / 1024, view.Document().UndoManager().UndoCount());
        // What a step would cost if it copied the whole sheet.
        std::vector<std::unique_ptr<TSheetSnapshot>> copies;
        const long beforeCopies = ResidentKiB();
        for (int copy = 0; copy < 50; ++copy)
            copies.push_back(TSheetUndo::TakeSnapshot(view.Document()));
        std::printf("  a whole copy of the sheet:  %.1f MiB (the mean of 50)\n",
                    static_cast<double>(ResidentKiB() - beforeCopies) / 1024.0 / 50.0);
        window.Files().SetModified(false);
    }
    fs::remove_all(folder);
    return 0;
}
