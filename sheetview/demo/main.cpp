// Shows the exposure sheet control on a sheet file (the bundled sample by default), until the
// main window takes its place.
//
//   celwright-sheet-demo [sheet.xps] [--grab FILE.png] [--size WxH] [--scroll X,Y]
//
// With --grab the control is drawn off-screen at the given size and scroll positions (pixels),
// saved as a PNG and the program ends.
#include "document/SheetLoading.h"
#include "sheetview/SheetView.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMessageBox>
#include <QPixmap>
#include <QStringList>
#include <QVBoxLayout>
#include <QWidget>
#include <cstdio>

namespace {
struct TOptions {
    QString Sheet = QStringLiteral(CELWRIGHT_SAMPLE_SHEET);
    QString Grab;
    QSize Size{900, 600};
    QPoint Scroll;
};

bool ParseOptions(const QStringList& args, TOptions& options) {
    for (int i = 1; i < args.size(); ++i) {
        const QString& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == "--grab" && hasValue) {
            options.Grab = args[++i];
        } else if (arg == "--size" && hasValue) {
            const QStringList parts = args[++i].split('x');
            if (parts.size() != 2)
                return false;
            options.Size = {parts[0].toInt(), parts[1].toInt()};
        } else if (arg == "--scroll" && hasValue) {
            const QStringList parts = args[++i].split(',');
            if (parts.size() != 2)
                return false;
            options.Scroll = {parts[0].toInt(), parts[1].toInt()};
        } else if (arg.startsWith("--")) {
            return false;
        } else {
            options.Sheet = arg;
        }
    }
    return true;
}

QMenu* MakeGridMenu(QWidget* owner, TSheetView& sheet) {
    auto* menu = new QMenu(owner);
    auto add = [&](const char* text, const QKeySequence& keys, auto action) {
        QAction* item = menu->addAction(QString::fromUtf8(text));
        item->setShortcut(keys);
        item->setShortcutContext(Qt::WindowShortcut);
        QObject::connect(item, &QAction::triggered, owner, action);
        owner->addAction(item);
    };
    add("Cut", QKeySequence::Cut, [&sheet] { sheet.CutSelection(); });
    add("Copy", QKeySequence::Copy, [&sheet] { sheet.CopySelection(); });
    add("Paste", QKeySequence::Paste, [&sheet] { sheet.PasteAtSelection(); });
    menu->addSeparator();
    add("Insert Frame", QKeySequence(Qt::Key_Insert), [&sheet] { sheet.InsertFrame(); });
    add("Delete Frames", QKeySequence(Qt::CTRL | Qt::Key_Delete), [&sheet] { sheet.DeleteFrames(); });
    add("Add 10 Frames", QKeySequence(), [&sheet] { sheet.AddFrames(10); });
    menu->addSeparator();
    add("Undo", QKeySequence::Undo, [&sheet] { sheet.Undo(); });
    add("Redo", QKeySequence::Redo, [&sheet] { sheet.Redo(); });
    return menu;
}

QMenu* MakeLayerMenu(QWidget* owner, TSheetView& sheet) {
    auto* menu = new QMenu(owner);
    QObject::connect(menu->addAction("Layer Name"), &QAction::triggered, owner,
                     [&sheet] { sheet.EditLayerCaption(sheet.CurrentLayer()); });
    QObject::connect(menu->addAction("Add Layer"), &QAction::triggered, owner,
                     [&sheet] { sheet.AppendLayer(""); });
    QObject::connect(menu->addAction("Delete Layer"), &QAction::triggered, owner,
                     [&sheet] { sheet.DeleteLayer(sheet.CurrentLayer()); });
    return menu;
}
} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    TOptions options;
    if (!ParseOptions(app.arguments(), options)) {
        std::fprintf(
            stderr,
            "usage: celwright-sheet-demo [sheet.xps] [--grab FILE.png] [--size WxH] [--scroll X,Y]\n");
        return 2;
    }

    QWidget window;
    window.setWindowTitle("Celwright - " + options.Sheet);
    auto* sheet = new TSheetView(&window);
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(sheet);
    sheet->PopupMenu = MakeGridMenu(&window, *sheet);
    sheet->PopupMenuHeader = MakeLayerMenu(&window, *sheet);
    sheet->OnMaxFrameError = [&window](QObject&) {
        QMessageBox::warning(&window, "Celwright", "The Xsheet has a maximum of 1637 frames.");
    };
    sheet->OnMessage = [&window](QObject&, const std::string& text) {
        QMessageBox::information(&window, "Celwright", QString::fromStdString(text));
    };
    window.resize(options.Size);
    sheet->resize(options.Size);
    sheet->Loaded();

    try {
        TXpsSettings settings;
        sheet->SetUpdateMode(TSheetDocument::TUpdateMode::Bulk);
        LoadSheet(sheet->Document(), options.Sheet.toStdString(), settings);
        sheet->SetUpdateMode(TSheetDocument::TUpdateMode::Normal);
    } catch (const std::exception& error) {
        sheet->SetUpdateMode(TSheetDocument::TUpdateMode::Normal);
        std::fprintf(stderr, "%s: %s\n", qPrintable(options.Sheet), error.what());
        return 1;
    }
    sheet->RefreshAll();

    if (!options.Grab.isEmpty()) {
        window.show();
        QApplication::processEvents();
        sheet->HorzBar().SetPosition(options.Scroll.x());
        sheet->VertBar().SetPosition(options.Scroll.y());
        if (!sheet->grab().save(options.Grab)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(options.Grab));
            return 1;
        }
        return 0;
    }
    window.show();
    sheet->setFocus();
    return app.exec();
}
