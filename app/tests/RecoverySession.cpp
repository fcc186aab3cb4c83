// The program in a scripted session of editing, capturing and scanning, for the kill test: the
// test kills it with SIGKILL somewhere along the way, then starts it again to recover.
//
//   celwright-recovery-session run WORK SEED STEPS   opens WORK/shoot.xps, runs STEPS seeded steps
//   celwright-recovery-session recover WORK          starts, answers Recover, tells what came back
//
// WORK holds the sheet, its layer folders, the user folder and the recovery folder (state/). Lines
// on stdout, each flushed at once:
//   ready MS HASH             the session starts (MS: CLOCK_MONOTONIC in milliseconds)
//   done STEP MS HASH KIND    step STEP finished; HASH is the sheet's text as a save writes it,
//                             KIND "picture" for a capture or a scan, else "edit"
//   recovered HASH|none       what the restarted program has (none: nothing was offered)
#include "app/MainWindow.h"
#include "app/SheetFiles.h"
#include "capture/CaptureWindow.h"
#include "document/XpsFile.h"
#include "scanner/ScannerWindow.h"
#include "sheetview/CellEditor.h"
#include "sheetview/SheetGrid.h"
#include "sheetview/SheetView.h"
#include "testsupport/WaitFor.h"
#include "ui/AlertPrompt.h"

#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <random>

namespace fs = std::filesystem;

namespace {
long long MonotonicMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1'000'000;
}

std::string SheetHash(TMainWindow& window) {
    TXpsSettings settings;
    window.Settings().GetDocumentSettings(settings);
    const std::string text = TXpsFile::SheetText(window.Sheet().Document(), settings);
    std::uint64_t hash = 14695981039346656037ull;
    for (const unsigned char c : text)
        hash = (hash ^ c) * 1099511628211ull;
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
    return hex;
}

TAppFolders Folders(const fs::path& work) {
    TAppFolders folders;
    folders.ProgramFolder = QString(CELWRIGHT_SOURCE_DIR) + "/";
    folders.UserFolder = QString::fromStdString((work / "user/Celwright/3.0/").string());
    folders.RecoveryFolder = QString::fromStdString((work / "state/celwright/recovery/").string());
    return folders;
}

// A user at the sheet: clicks, double-clicks, keys and drags on the grid.
class TUser {
public:
    explicit TUser(TMainWindow& window) : Window(window), Sheet(window.Sheet()), Grid(window.Sheet().Grid()) {}

    QPoint Cell(int layer, int frame, int dx = 30, int dy = 5) const {
        return {(layer - 1) * Sheet.GridWidth() + dx - Sheet.HorzPos(),
                (frame - 1) * Sheet.GridHeight() + dy - Sheet.VertPos()};
    }
    void Click(int layer, int frame) { QTest::mouseClick(&Grid, Qt::LeftButton, {}, Cell(layer, frame)); }
    void TypeName(int layer, int frame, const QString& name) {
        Click(layer, frame);
        QTest::mouseDClick(&Grid, Qt::LeftButton, {}, Cell(layer, frame));
        QTest::mouseRelease(&Grid, Qt::LeftButton, {}, Cell(layer, frame));
        QTest::keyClicks(&Sheet.Editor(), name);
        QTest::keyClick(&Sheet.Editor(), Qt::Key_Return);
    }
    void Key(int layer, int frame, Qt::Key key) {
        Click(layer, frame);
        QTest::keyClick(&Sheet, key, Qt::KeypadModifier);
    }
    void Drag(int layer, int fromFrame, int toFrame) {
        const QPoint from = Cell(layer, fromFrame);
        const QPoint to = Cell(layer, toFrame);
        QTest::mousePress(&Grid, Qt::LeftButton, {}, from);
        for (int i = 1; i <= 4; ++i)
            QTest::mouseMove(&Grid, from + (to - from) * i / 4);
        QTest::mouseRelease(&Grid, Qt::LeftButton, {}, to);
    }

private:
    TMainWindow& Window;
    TSheetView& Sheet;
    TSheetGrid& Grid;
};

int Run(const fs::path& work, unsigned seed, int steps) {
    TMainWindow window(Folders(work));
    window.show();
    window.Files().OpenDocument(QString::fromStdString((work / "shoot.xps").string()));
    window.SetActivity(TMainWindow::TActivity::Idle);

    window.findChild<QAction*>("VideoCaptureAction")->trigger();
    auto* capture = window.findChild<TCaptureWindow*>();
    if (!capture || !WaitFor([&] { return capture->ButtonCapture->isEnabled(); }, 20000)) {
        std::fprintf(stderr, "no live picture from the test camera\n");
        return 1;
    }
    window.findChild<QAction*>("ScannerAction")->trigger();
    auto* scanner = window.findChild<TScannerWindow*>();
    QTest::mouseClick(scanner->PreviewBtn1, Qt::LeftButton);
    QTest::mousePress(scanner->ScanImage1, Qt::LeftButton, {}, {20, 30});
    QMouseEvent move(QEvent::MouseMove, QPointF(180, 200), scanner->ScanImage1->mapToGlobal(QPointF(180, 200)),
                     Qt::NoButton, Qt::LeftButton, {});
    QApplication::sendEvent(scanner->ScanImage1, &move);
    QTest::mouseRelease(scanner->ScanImage1, Qt::LeftButton, {}, {180, 200});

    TUser user(window);
    std::mt19937 random(seed);
    const auto pick = [&](int first, int last) { return std::uniform_int_distribution(first, last)(random); };
    std::printf("ready %lld %s\n", MonotonicMs(), SheetHash(window).c_str());
    std::fflush(stdout);
    for (int step = 1; step <= steps; ++step) {
        const int kind = pick(0, 5);
        switch (kind) {
        case 0:
            user.TypeName(pick(1, 2), pick(1, 12), QString("typed_%1.png").arg(step));
            break;
        case 1:
            user.Key(pick(1, 2), pick(1, 6), static_cast<Qt::Key>(Qt::Key_1 + pick(0, 3)));
            break;
        case 2:
            user.Key(pick(1, 2), pick(1, 6), pick(0, 1) ? Qt::Key_Plus : Qt::Key_Minus);
            break;
        case 3:
            user.Drag(pick(1, 2), pick(1, 6), pick(1, 12));
            break;
        case 4:
            user.Click(1, pick(1, 12));
            capture->ButtonCapture->click();
            WaitFor([&] { return capture->ButtonCapture->isEnabled(); }, 10000);
            break;
        default:
            user.Click(2, pick(1, 12));
            QTest::mouseClick(scanner->ScanBtn1, Qt::LeftButton);
            break;
        }
        std::printf("done %d %lld %s %s\n", step, MonotonicMs(), SheetHash(window).c_str(),
                    kind >= 4 ? "picture" : "edit");
        std::fflush(stdout);
        WaitFor([] { return false; }, pick(0, 150));
    }
    // Nothing saved: the record stays for the next start.
    return 0;
}

int Recover(const fs::path& work) {
    TMainWindow window(Folders(work));
    bool asked = false;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        if (auto* prompt = qobject_cast<TAlertPrompt*>(QApplication::activeModalWidget())) {
            asked = true;
            prompt->PosBtn->click();
        }
    });
    answer.start(10);
    window.show();
    std::printf("recovered %s\n", asked ? SheetHash(window).c_str() : "none");
    std::fflush(stdout);
    return window.Files().Modified() == asked ? 0 : 1;
}
} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() == 5 && args[1] == "run")
        return Run(args[2].toStdString(), args[3].toUInt(), args[4].toInt());
    if (args.size() == 3 && args[1] == "recover")
        return Recover(args[2].toStdString());
    std::fprintf(stderr, "usage: celwright-recovery-session run WORK SEED STEPS | recover WORK\n");
    return 2;
}
