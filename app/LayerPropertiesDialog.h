#pragma once

#include "document/MouthChart.h"

#include <QDialog>
#include <QStringList>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
class TAlertPrompt;

// The layer properties window: one layer's caption, colour scheme, image folder and mouth chart
// (which drawing of the folder stands for which phoneme). It opens for
// Edit Layer Properties and whenever the user adds a layer. There is no Cancel button; closing the
// window by its frame cancels. After OK the window keeps the results until its next OK.
class TLayerPropertiesDialog : public QDialog {
    Q_OBJECT
public:
    // What the window shows when it opens.
    struct TShown {
        QString Caption;
        QString Folder;
        int ColorIndex = 0;
        // Where the Change button's browser starts when `Folder` does not exist.
        QString FallbackFolder;
        TMouthChart Chart;
    };

    // `alert` reports a folder that cannot be made; `colorNames` are the colour schemes in order.
    TLayerPropertiesDialog(TAlertPrompt* alert, const QStringList& colorNames, QWidget* parent = nullptr);

    // For the layer `layer` of `layerCount` (counting from 1): edit mode titles the window "Layer
    // Properties"; new mode "Set Properties for Layer". Shows the window modally with its top-left
    // corner at `topLeft`, kept inside the screen's width. True when it was closed by OK.
    bool EditLayer(const TShown& shown, const QPoint& topLeft);
    bool NewLayer(const TShown& shown, const QPoint& topLeft);
    void Retranslate();

    // Results of the last OK.
    QString Caption;    // trimmed
    int ColorIndex = 0; // position in the colour schemes
    QString Folder;     // ends with "/"
    TMouthChart Chart;

    QLabel* NameLbl;
    QLineEdit* Cap;
    QLabel* FolderLbl;
    QLineEdit* Spath;
    QPushButton* Button1; // Change
    QLabel* ColorLbl;
    QComboBox* ComboBox1;
    QPushButton* Button2; // OK
    QLabel* ChartLbl;
    QTableWidget* MouthTable; // phoneme, drawing (an editable list of the folder's pictures)
    QPushButton* ClassicMouthsButton;
    QPushButton* ShapeMouthsButton;

private:
    bool Execute(const QString& title, const TShown& shown, const QPoint& topLeft);
    void ShowFolder(const QString& folder);
    // The folder field's tool tip: the hint, and the folder once there is one.
    void ShowFolderHint();
    void ChangeClick();
    void OkClick();
    void ShowChart(const TMouthChart& chart);
    // Adds a row for the phoneme unless the chart has one (letter case aside).
    void AddMouthRow(const QString& phoneme, const QString& drawing);
    void AddMouthRows(const std::vector<std::string>& phonemes);
    // The pictures of the folder shown, offered in every drawing list.
    void ListDrawings();
    TMouthChart ReadChart() const;

    TAlertPrompt* Alert;
    QString FallbackFolder;
};
