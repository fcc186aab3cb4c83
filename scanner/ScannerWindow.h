#pragma once

#include "scanner/ScanRules.h"
#include "scanner/ScanSelection.h"
#include "twain/TwainSession.h"

#include <QImage>
#include <QWidget>

class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QMenu;
class QPushButton;
class TAlertPrompt;
class TPlacementPanel;
class TSheetView;
struct TSettings;

// The scanner's preview: the page as the last preview scanned it (turned upright, one pixel per
// 1/40 inch) and the selection rectangle drawn over it with the left mouse button.
class TScanImage : public QWidget {
    Q_OBJECT
public:
    explicit TScanImage(QWidget* parent = nullptr);

    // Shows a preview image stretched over a control of width x height pixels.
    void SetPreview(const QImage& image, int width, int height);
    const QImage& Preview() const { return Image; }

    TScanSelection Selection;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QImage Image;
};

// The scanner window: previews the page, lets the animator select a drawing with a rectangle of
// fixed ratio, scans just that area at the resolution the target size needs, and writes the
// upright, resampled and rotated picture into the current layer's folder and onto the sheet.
class TScannerWindow : public QWidget {
    Q_OBJECT
public:
    enum class TScanMode { Preview, Final };

    TScannerWindow(TSheetView& sheet, TSettings& settings, TAlertPrompt* alert, QWidget* parent = nullptr);

    // Follows the sheet's selection while the window shows: the name follows the current layer, and
    // with frame numbering the number follows the current frame.
    void SheetSelectionChanged();
    // The current layer changed, also without a cell being selected: the name follows it.
    void LayerChanged();
    // Takes the texts of the language in force.
    void Retranslate();
    // A scanned picture was written and placed on the sheet.
    std::function<void()> OnPicturePlaced;

    void Scanner1Click();
    void SaveSettings1Click();
    void LoadSettings1Click();
    void PreviewBtn1Click();
    void ScanBtn1Click();

    bool Busy() const { return Previewing || Scanning; }

    QMenu* Scanner1;
    QMenu* Settings1;
    QAction* Select1;
    QAction* SaveSettings1;
    QAction* LoadSettings1;
    QFrame* Panel1;
    TScanImage* ScanImage1;
    QPushButton* PreviewBtn1;
    QPushButton* ScanBtn1;
    QGroupBox* ScanGroup;
    QComboBox* OrientCombo;
    QComboBox* RotateCombo;
    QComboBox* SizeCombo;
    QComboBox* ColorCombo;
    TPlacementPanel* Placement;
    TTwainSession Twain;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildControls();
    void FormShow();
    // Looks up the scanner in use and names it in the title.
    void ShowCaption();
    void ShowTitle();
    void OrientComboChange();
    void RotateComboChange();
    void SizeComboChange();
    void ColorComboChange();
    void DibReady(const TPicture& picture);
    void PreviewReady(const TPicture& picture);
    void FinalReady(const TPicture& picture);

    TSheetView& Sheet;
    TSettings& Settings;
    TAlertPrompt* Alert;
    std::int32_t TargetWidth_ = 320;
    std::int32_t TargetHeight_ = 240;
    TScanRotation Rotation = TScanRotation::None;
    TScanMode ScanMode = TScanMode::Preview;
    bool Previewing = false;
    bool Scanning = false;
    bool PreviewDone = false;
    bool DriverFailed = false; // the scan helper was stopped since the click began
    TResolutionRange Range;
    QString SourceName; // the scanner named in the title; empty when none was found
};
