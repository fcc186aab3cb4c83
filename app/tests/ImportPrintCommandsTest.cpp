#include "app/MainWindow.h"
#include "export/ExportDialog.h"
#include "imaging/PictureCodecs.h"
#include "import/ImportWindow.h"
#include "sheetview/SheetView.h"
#include "app/tests/DialogScript.h"
#include "testsupport/CommandOutput.h"
#include "testsupport/MainWindowFixture.h"
#include "testsupport/ModalAnswer.h"
#include "testsupport/TempFolder.h"
#include "ui/ErrorBox.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPrinterInfo>
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
    TPicture drawing(8, 8, TPixelFormat::pf24bit);
    drawing.Fill(0);
    WritePng(Files / "a.png", drawing, TPngIndexedMode::Palette);
    TNewLayerAnswer newLayer; // the new sheet's layer is taken as offered
    for (const auto& [language, untitled] : {std::pair{"English", "Untitled"}, std::pair{"German", "Unbenannt"}}) {
        SCOPED_TRACE(language);
        Window->SelectLanguage(language);
        Part(*Window, "NewAction")->trigger();
        Window->Sheet().SetLayerFolder(1, Files / "");
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
