#pragma once

#include "capture/CaptureRules.h"
#include "capture/FrameBuffer.h"
#include "capture/LayerFrames.h"
#include "capture/OnionSkin.h"
#include "capture/PlayWithLive.h"
#include "capture/TimeLapsePanel.h"
#include "capture/VideoGrabber.h"
#include "settings/OnionSkinSettings.h"
#include "settings/Preferences.h"

#include <QMainWindow>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

class QAction;
class QGroupBox;
class QLabel;
class QMenu;
class QPushButton;
class QScrollArea;
class QSlider;
class QSpinBox;
class QToolButton;
class TAlertPrompt;
class TCaptureViewMenu;
class TPlacementPanel;
class TVideoView;
class TVideoSettingsDialog;
class TSheetView;
struct TSettings;

// The capture window: turns camera frames into drawings on the sheet, in the Standard or the Stop
// Motion layout. Created once by the main window and shown again by each Video command. Frames
// and layers count from 1.
class TCaptureWindow : public QMainWindow {
public:
    // `settings` is the main window's record in force: the capture format and hold are read from it
    // at each capture; Image Hold and Numbering write into it.
    TCaptureWindow(TSheetView& sheet, TSettings& settings, TAlertPrompt& prompt, bool testCamera, QWidget* parent);
    ~TCaptureWindow() override;

    // Calls from the main window.
    void InitForm();                                           // the window is shown
    void SheetSelect(std::int32_t layer, std::int32_t frame);  // a cell was selected (sheet's signal)
    void LayerChanged();                                       // the current layer changed (sheet's signal)
    void SettingsApplied();                                    // settings or a profile were re-applied
    void SheetFileChanged();                                   // the sheet was saved elsewhere or another opened
    void Retranslate();
    // The capture image, for the main window's cel image view.
    std::function<void(const QImage& image)> OnShowCapture;
    // The cel image view's height for the chosen frame size (its width is 129).
    std::function<void(int height)> OnThumbnailHeight;
    // A captured picture was written and placed on the sheet.
    std::function<void()> OnPicturePlaced;
    // The sheet's file, whose reference picture shows; empty while the sheet was never saved.
    std::function<std::filesystem::path()> SheetFile;

    // Handlers.
    void CaptureClick();
    void SelectSource(int index);
    void SelectSize(int index);
    void SetMode(TCapMode mode);
    void VideoSettings1Click();
    void FrameAvgBtnClick();
    void BWBtnClick();
    void FrameBarChange();
    void RebuildClick();
    void FrameChange(std::int32_t frame);
    void ResizeForm();
    void OnionSkinClick();
    void OnionSettingsChange();
    void FlipClick();
    void PlayWithLiveClick();

    // State.
    TCapMode RequestedMode = TCapMode::cmXSheet;
    TCapMode ActiveMode = TCapMode::cmXSheet;
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
    // The file the onion skin settings are kept in; empty keeps them only while the program runs.
    std::string SettingsFile;
    TOnionSkinSettings OnionSettings;
    // The live frames reach the view; false while it shows the last frame or plays.
    bool FollowLive = true;

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
    QScrollArea* SidePanel; // holds the placement panel, the onion skin and the time-lapse panel
    TPlacementPanel* Placement;
    QPushButton* ButtonCapture;
    QSlider* FrameBar;
    QLabel* FrameLbl;
    TVideoView* FrameImage; // a frame reviewed in the Stop Motion layout
    QPushButton* Rebuild;
    TVideoSettingsDialog* VideoSettings;
    QMenu* OnionMenu;
    QAction* OnionSkin1;
    QAction* Difference1;
    QAction* Flip1;
    QAction* PlayWithLive1;
    QGroupBox* OnionGroup;
    QLabel* OpacityLabel;
    QLabel* OpacityValue;
    QSlider* OpacityBar;
    QLabel* FramesBackLabel;
    QSpinBox* FramesBackBox;
    QLabel* PlayFramesLabel;
    QSpinBox* PlayFramesBox;
    TCaptureViewMenu* ViewMenu; // guides and the reference picture
    TTimeLapsePanel* TimeLapse;
    TOnionSkin Onion;
    TLayerFrames PlayLayers;
    TPlayWithLive Player;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateControls();
    void FillCameras();
    void BuildLayout(TCapMode mode);
    void CaptureCompleted(const TPicture& frame);
    void SaveCapture(TPicture picture);
    void PlaceRecapture(const TPicture& picture);
    void ArmRecapture();
    void ShowLive(bool live);
    void ShowSlot(std::int32_t k);
    void SetCaptureCaption(bool recapture);
    bool IsRecaptureCaption() const;
    TPicture CelPictureOrWhite(std::int32_t frame);
    void CreateOnionControls(QWidget* column);
    // Gives the placement panel the height its translated texts need and puts the onion skin
    // controls below it.
    void FitPlacementPanel();
    void ApplyOnionSettings();
    // The frame the next capture goes to: the re-capture's frame while one is armed.
    std::int32_t CaptureFrame() const;
    // The live picture as shown: with the onion skin over it when that is on.
    void ShowLiveFrame(const TPicture& frame);
    void ShowPlayStep(std::int32_t framesBack);
    // Ends Flip and Play with Live; the live picture shows again.
    void ReturnToLive();
    // The live picture in the video area, also in the Stop Motion layout while a frame is reviewed.
    void BringLiveForward();
    std::int32_t LiveWidth() const;
    // The height the frame bar and the buttons take below a picture `areaWidth` wide.
    int BelowPictureHeight(int areaWidth) const;
    // The central area that shows the live picture in an `area` of its own beside the whole column.
    QSize CentralSize(QSize area) const;
    // The smallest central area: the picture above the column, as narrow as the column.
    QSize LeastCentralSize() const;
    // The live picture as large as the window lets it be, keeping the camera's aspect, with the
    // controls below it.
    void LayOutPicture();
    std::int32_t LiveHeight() const;
    // Takes a time-lapse shot as Capture does; false when the camera is not ready for one.
    bool TimeLapseShot();
    // Runs a handler; an error it raises is shown and the window goes on.
    void Guard(const std::function<void()>& handler);

    TSheetView& Sheet;
    TSettings& Settings;
    TAlertPrompt& Prompt;
    TFrameCollector Collector;
    TPicture Composed; // the live picture with the onion skin, reused frame after frame
    TPicture LastLive; // the last live frame that arrived while the view showed something else
    bool OnionSettingsRead = false;
    bool SwallowKey = false; // the key that stopped Play with Live is not also typed
    bool ShotPlaced = false; // the capture under way wrote its picture and placed its cel
    std::int32_t LiveSize = 0; // the last size of the Size menu the camera gave a picture at
    QSize NaturalSize;         // the central area that shows the live picture at its own size
};
