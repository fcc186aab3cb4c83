#pragma once

#include "capture/CaptureRules.h"
#include "capture/FrameBuffer.h"
#include "capture/VideoGrabber.h"

#include <QMainWindow>
#include <functional>
#include <memory>
#include <optional>

class QAction;
class QButtonGroup;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;
class QSlider;
class QToolButton;
class TAlertPrompt;
class TVideoView;
class TVidAdjustPanel;
class TXsheet2;
struct TSettings;

// The capture window: turns camera frames into drawings on the sheet, in the Standard or the Stop
// Motion layout. Created once by the main window and shown again by each Video command. Frames
// and layers count from 1.
class TForm2 : public QMainWindow {
public:
    static constexpr std::uint8_t kStandard = 0;
    static constexpr std::uint8_t kStopMotion = 1;

    // `settings` is the main window's record in force: the capture format and hold are read from it
    // at each capture; Image Hold and Numbering write into it.
    TForm2(TXsheet2& sheet, TSettings& settings, TAlertPrompt& prompt, bool testCamera, QWidget* parent);
    ~TForm2() override;

    // Calls from the main window.
    void InitForm();                                           // the window is shown
    void XsheetSelect(std::int32_t layer, std::int32_t frame); // a cell was selected
    void LayerChanged();                                       // the current layer changed
    void SettingsApplied();                                    // settings or a profile were re-applied
    void Retranslate();
    // The capture image, for the main window's cel image view.
    std::function<void(const QImage& image)> OnShowCapture;
    // The cel image view's height for the chosen frame size (its width is 129).
    std::function<void(int height)> OnThumbnailHeight;

    // Handlers.
    void CaptureClick();
    void SelectSource(int index);
    void SelectSize(int index);
    void SetMode(std::uint8_t mode);
    void VideoSettings1Click();
    void FrameAvgBtnClick();
    void BWBtnClick();
    void ImageHoldClick();
    void HoldEditChange();
    void NumberingClick();
    void FrameBarChange();
    void RebuildClick();
    void FrameChange(std::int32_t frame);
    void ResizeForm();

    // State.
    std::uint8_t RequestedMode = kStandard;
    std::uint8_t ActiveMode = kStandard;
    QString BaseCaption;
    QString RememberedCamera;
    bool CameraChosen = false;
    bool Averaging = false;
    bool BlackAndWhite = false;
    TFrameBuffer Buffer;
    bool RecaptureArmed = false;
    std::int32_t RecaptureFrame = 0;
    QString SavedNumber;
    QString FileName;

    // The component and the controls.
    TVideoGrabber Grabber;
    TVideoView* VideoGrabber1;
    QMenu* Mode1;
    QAction* XSheet1;
    QAction* StopMotion1;
    QMenu* Source1;
    QMenu* Size1;
    QAction* VideoSettings1;
    QToolButton* FrameAvgBtn;
    QToolButton* OneEightyBtn;
    QToolButton* BWBtn;
    QToolButton* SquarePxlBtn;
    QLabel* OverlayPanel;
    QGroupBox* SettingsGroup;
    QLabel* NameLabel;
    QLabel* NumberLabel;
    QLineEdit* Edit2;
    QLineEdit* Edit3;
    QGroupBox* ImageHold;
    QRadioButton* HoldItems[4];
    QLineEdit* HoldEdit;
    QGroupBox* Numbering;
    QRadioButton* FrameItem;
    QRadioButton* SequentialItem;
    QPushButton* ButtonCapture;
    QSlider* FrameBar;
    QLabel* FrameLbl;
    QLabel* FrameImage;
    QPushButton* Rebuild;
    TVidAdjustPanel* VidAdjust;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateControls();
    void FillCameras();
    void BuildLayout(std::uint8_t mode);
    void CaptureCompleted(const TPicture& frame);
    void SaveCapture(TPicture picture);
    void PlaceRecapture(const TPicture& picture);
    void ArmRecapture();
    void ShowLive(bool live);
    void ShowSlot(std::int32_t k);
    void SetCaptureCaption(bool recapture);
    bool IsRecaptureCaption() const;
    bool NumberingIsFrame() const;
    TPicture CelPictureOrWhite(std::int32_t frame);
    // Runs a handler; an error it raises is shown and the window goes on.
    void Guard(const std::function<void()>& handler);

    TXsheet2& Xsheet;
    TSettings& Settings;
    TAlertPrompt& Prompt;
    TFrameCollector Collector;
};
