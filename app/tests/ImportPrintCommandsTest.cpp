#include "app/MainWindow.h"
#include "export/ExportDialog.h"
#include "imaging/PictureCodecs.h"
#include "import/ImportWindow.h"
#include "preview/PreviewWindow.h"
#include "sheetview/SheetView.h"
#include "app/tests/DialogScript.h"
#include "testsupport/CommandOutput.h"
#include "testsupport/MainWindowFixture.h"
#include "testsupport/ModalAnswer.h"
#include "testsupport/TempFolder.h"
#include "ui/AlertPrompt.h"
#include "ui/ErrorBox.h"
#include "ui/TextLabel.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPrinterInfo>
#include <QPushButton>
#include <cstdio>
#include <gtest/gtest.h>

namespace {
// A main window on a fresh user folder with the bundled sample sheet open.
class ImportPrintCommandsTest : public TMainWindowFixture {
protected:
    ImportPrintCommandsTest() {
        ErrorBoxOverride() = [this](const QString& text) { Errors.append(text); };
        Window = NewWindow();
        Window->Files().OpenDocument(CELWRIGHT_SAMPLE_SHEET);
    }
    ~ImportPrintCommandsTest() override { ErrorBoxOverride() = nullptr; }

    // New, its layer drawing from Files, where `drawing` is a black picture.
    void NewSheetWithDrawing(const std::string& drawing) {
        TPicture picture(8, 8, TPixelFormat::pf24bit);
        picture.Fill(0);
        WritePng(Files / drawing, picture, TPngIndexedMode::Palette);
        TNewLayerAnswer newLayer;
        Part(*Window, "NewAction")->trigger();
        Window->Sheet().SetLayerFolder(1, Files / "");
    }

    TTempFolder Files;
    QStringList Errors;
    std::unique_ptr<TMainWindow> Window;
};
} // namespace

TEST_F(ImportPrintCommandsTest, ImportImagesOpensTheImportWindowOnTheLayersFolder) {
    Window->Sheet().SelectCell(2, 3);
    Part(*Window, "ImportImagesAction")->trigger();
    TImportWindow* import = Window->findChild<TImportWindow*>();
    ASSERT_TRUE(import->isVisible());
    EXPECT_EQ(import->BrowsedFolder().toStdString(), Window->Sheet().LayerFolder(2));
    EXPECT_EQ(import->LayerSelect->currentText(), "Import to Selected Layer");
    EXPECT_EQ(Window->Sheet().CurrentFrame(), 3);
    // While the import changes the sheet, the main window knows it is not the user's doing.
    TMainWindow::TActivity activity = TMainWindow::TActivity::Starting;
    Window->Sheet().OnLayerAdded = [&](QObject&) { activity = Window->Activity(); };
    import->LayerSelect->setCurrentIndex(1);
    import->ShellListView1->item(0)->setSelected(true);
    import->ButtonAddClick();
    import->ButtonImportClick();
    EXPECT_EQ(activity, TMainWindow::TActivity::Loading);
    EXPECT_EQ(Window->Activity(), TMainWindow::TActivity::Idle);
    EXPECT_EQ(Window->Sheet().LayerCount(), 3);
    EXPECT_TRUE(Errors.isEmpty());
}

TEST_F(ImportPrintCommandsTest, TheThumbnailShowsTheImportedDrawingAtOnce) {
    NewSheetWithDrawing("ink.png");
    Window->Sheet().SelectCell(1, 1);
    Part(*Window, "ImportImagesAction")->trigger();
    TImportWindow* import = Window->findChild<TImportWindow*>();
    ASSERT_EQ(import->BrowsedFolder().toStdString(), Files / "");
    import->ShellListView1->item(0)->setSelected(true);
    import->ButtonAddClick();
    import->ButtonImportClick();
    ASSERT_EQ(Window->Sheet().CelName(1, 1), "ink.png");
    const QImage thumbnail = Part<QLabel>(*Window, "ThumbnailView")->pixmap().toImage();
    EXPECT_EQ(thumbnail.pixelColor(thumbnail.rect().center()), QColor(Qt::black));
    EXPECT_TRUE(Errors.isEmpty()) << Errors.join("\n").toStdString();
}

TEST_F(ImportPrintCommandsTest, PrintWithoutPrinterAsksForAPdfFile) {
    if (!QPrinterInfo::availablePrinters().isEmpty())
        GTEST_SKIP() << "a printer is installed: the print dialog would open";
    const QString pdf = QString::fromStdString(Files / "bounce.pdf");
    QString suggested;
    Window->Files().AskSaveFile = [&](const QString&, const QString& name, const QString&) {
        suggested = name;
        return pdf;
    };
    Part(*Window, "PrintAction")->trigger();
    EXPECT_TRUE(Errors.isEmpty()) << Errors.join("\n").toStdString();
    EXPECT_EQ(suggested, "bounce.pdf");
    const std::string text = CommandOutput("pdftotext -layout '" + pdf.toStdString() + "' -");
    const std::string line = text.substr(0, text.find('\n'));
    ASSERT_FALSE(line.empty());
    EXPECT_NE(line.find("bounce.xps - Celwright Exposure Sheet"), std::string::npos) << line;
}

TEST_F(ImportPrintCommandsTest, AnUnnamedSheetExportsAndPrintsUnderTheShownName) {
    if (!QPrinterInfo::availablePrinters().isEmpty())
        GTEST_SKIP() << "a printer is installed: the print dialog would open";
    for (const auto& [language, untitled] : {std::pair{"English", "Untitled"}, std::pair{"German", "Unbenannt"}}) {
        SCOPED_TRACE(language);
        Window->SelectLanguage(language);
        NewSheetWithDrawing("a.png");
        Window->Sheet().PlaceCelAt(1, 1, "a.png", 1);

        QString movie;
        WhenShown<TExportDialog>([&](TExportDialog& dialog) {
            movie = dialog.FileName->text();
            dialog.reject();
        });
        Part(*Window, "ExportAction")->trigger();
        EXPECT_EQ(movie, QString(untitled) + ".avi");

        QString suggested;
        const QString pdf = QString::fromStdString(Files / "sheet.pdf");
        Window->Files().AskSaveFile = [&](const QString&, const QString& name, const QString&) {
            suggested = name;
            return pdf;
        };
        Part(*Window, "PrintAction")->trigger();
        EXPECT_EQ(suggested, QString(untitled) + ".pdf");
        const std::string text = CommandOutput("pdftotext -layout '" + pdf.toStdString() + "' -");
        const std::string header = text.substr(0, text.find('\n'));
        EXPECT_NE(header.find(untitled + std::string(" - Celwright")), std::string::npos) << header;
        Window->Files().SetModified(false);
    }
    Window->SelectLanguage("English");
    EXPECT_TRUE(Errors.isEmpty()) << Errors.join("\n").toStdString();
}

TEST_F(ImportPrintCommandsTest, MissingDrawingsAreListedBeforePreviewAndExport) {
    NewSheetWithDrawing("a.png");
    Window->Sheet().SetLayerCaption(1, "Ink");
    Window->Sheet().PlaceCelAt(1, 1, "a.png", 1);
    Window->Sheet().PlaceCelAt(1, 2, "gone.png", 2);

    // The info panel names the missing drawing of the cel chosen.
    Window->Sheet().SelectCell(1, 3);
    EXPECT_TRUE(Part<QPlainTextEdit>(*Window, "InfoPanel")->toPlainText().contains("gone.png not found in Ink folder."))
        << Part<QPlainTextEdit>(*Window, "InfoPanel")->toPlainText().toStdString();

    struct TCase {
        const char* Command;
        std::function<bool()> Opened;
    };
    const TCase cases[] = {
        {"ExportAction", [&] { return Window->findChild<TExportDialog*>() != nullptr; }},
        {"PreviewAction", [&] {
             const auto* preview = Window->findChild<TPreviewWindow*>();
             return preview && preview->isVisible();
         }},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Command);
        for (const bool goOn : {false, true}) {
            QString message;
            WhenShown<TAlertPrompt>([&](TAlertPrompt& prompt) {
                message = prompt.MsgLbl->text();
                (goOn ? prompt.PosBtn : prompt.NegBtn)->click();
            });
            bool opened = false;
            if (goOn && std::string(c.Command) == "ExportAction")
                WhenShown<TExportDialog>([&](TExportDialog& dialog) {
                    opened = true;
                    dialog.reject();
                });
            Part(*Window, c.Command)->trigger();
            EXPECT_TRUE(message.contains("gone.png (layer Ink, frames 2-3)")) << message.toStdString();
            EXPECT_EQ(opened || c.Opened(), goOn);
        }
    }
    EXPECT_TRUE(Errors.isEmpty()) << Errors.join("\n").toStdString();
}
