// Lip-sync through the main window: a switch file imported from the Audio menu, a mouth chart
// picked in the layer properties, applied, and undone.
#include "app/LayerPropertiesDialog.h"
#include "app/MainWindow.h"
#include "sheetview/SheetView.h"
#include "testsupport/MainWindowFixture.h"
#include "testsupport/ModalAnswer.h"
#include "testsupport/TempFolder.h"
#include "ui/AlertPrompt.h"
#include "ui/ErrorBox.h"
#include "ui/TextLabel.h"

#include <QComboBox>
#include <QPushButton>
#include <QTableWidget>
#include <cstdlib>
#include <filesystem>

namespace {
class LipSyncWindowTest : public TMainWindowFixture {
protected:
    LipSyncWindowTest() { ErrorBoxOverride() = [this](const QString& text) { Errors.append(text); }; }
    ~LipSyncWindowTest() override { ErrorBoxOverride() = nullptr; }

    TTempFolder Files;
    QStringList Errors;
};

// The drawing list of the chart's row for the phoneme.
QComboBox* DrawingOf(const QTableWidget& table, const QString& phoneme) {
    for (int row = 0; row < table.rowCount(); ++row) {
        if (table.item(row, 0)->text() == phoneme)
            return static_cast<QComboBox*>(table.cellWidget(row, 1));
    }
    return nullptr;
}
} // namespace

TEST_F(LipSyncWindowTest, ImportPickAChartApplyAndUndo) {
    std::filesystem::create_directories(Files.Path() / "mouth");
    for (const char* drawing : {"mbp.png", "open.png", "rest.png"})
        WriteText(Files.Path() / "mouth" / drawing, "");
    WriteText(Files / "talk.dat", "MohoSwitch1\n2 MBP\n4 AI\n6 rest\n1700 E\n");

    auto window = NewWindow();
    window->SetActivity(TMainWindow::TActivity::Loading);
    Part(*window, "NewAction")->trigger();
    window->SetActivity(TMainWindow::TActivity::Idle);
    TSheetView& sheet = window->Sheet();
    sheet.Document().SetLayerFolder(1, Files / "mouth/");
    sheet.SelectCell(1, 1);
    window->Files().AskOpenFile = [&](const QString&, const QString&) { return QString::fromStdString(Files / "talk.dat"); };

    QMenu* audioMenu = Part<QMenu>(*window, "AudioMenu");
    EXPECT_TRUE(audioMenu->actions().contains(Part(*window, "ImportPhonemesAction")));
    EXPECT_TRUE(audioMenu->actions().contains(Part(*window, "ApplyLipSyncAction")));
    EXPECT_EQ(Part(*window, "ImportPhonemesAction")->text(), "Import Phonemes…");

    QString told;
    WhenShown<TAlertPrompt>([&](TAlertPrompt& alert) {
        told = alert.MsgLbl->text();
        alert.PosBtn->click();
    });
    Part(*window, "ImportPhonemesAction")->trigger();
    EXPECT_EQ(sheet.Document().Phoneme(2), "MBP");
    EXPECT_EQ(sheet.Document().Phoneme(4), "AI");
    EXPECT_TRUE(sheet.Document().AudioShown());
    EXPECT_TRUE(told.contains("1700: E")) << told.toStdString();

    WhenShown<TLayerPropertiesDialog>([&](TLayerPropertiesDialog& properties) {
        properties.findChild<QPushButton*>("ClassicMouthsButton")->click();
        const auto& table = *properties.findChild<QTableWidget*>("MouthTable");
        ASSERT_EQ(table.rowCount(), 10);
        ASSERT_NE(DrawingOf(table, "MBP"), nullptr);
        EXPECT_EQ(DrawingOf(table, "MBP")->findText("mbp.png"), 1) << "the folder's drawings are offered";
        DrawingOf(table, "MBP")->setCurrentText("mbp.png");
        DrawingOf(table, "AI")->setCurrentText("open.png");
        DrawingOf(table, "rest")->setCurrentText("rest.png");
        if (const char* shots = std::getenv("CELWRIGHT_SCREENSHOTS"))
            properties.grab().save(QString(shots) + "/mouth-chart.png");
        properties.Button2->click();
    });
    Part(*window, "EditLayerPropertiesAction")->trigger();
    EXPECT_EQ(ReadText(Files.Path() / "mouth/mouths.ini"), "[mouths]\nAI=open.png\nMBP=mbp.png\nrest=rest.png\n");

    Part(*window, "ApplyLipSyncAction")->trigger();
    EXPECT_TRUE(Errors.isEmpty()) << Errors.join('\n').toStdString();
    EXPECT_EQ(sheet.Document().CelName(1, 1), "rest.png");
    EXPECT_EQ(sheet.Document().CelName(1, 3), "mbp.png");
    EXPECT_EQ(sheet.Document().CelName(1, 5), "open.png");
    EXPECT_EQ(sheet.Document().CelName(1, 6), "rest.png");
    EXPECT_EQ(sheet.Document().CelAt(1, 4)->Duration, 2);
    EXPECT_TRUE(window->Files().Modified());

    Part(*window, "UndoAction")->trigger();
    EXPECT_EQ(sheet.Document().CelAt(1, 3), nullptr);
    EXPECT_EQ(sheet.Document().Phoneme(2), "MBP");
    Part(*window, "UndoAction")->trigger(); // the layer properties
    Part(*window, "UndoAction")->trigger();
    EXPECT_EQ(sheet.Document().Phoneme(2), "");
}
