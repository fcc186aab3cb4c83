#pragma once

#include "capture/VideoGrabber.h"

#include <QDialog>
#include <array>

class QComboBox;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QSlider;

// The Video Device Settings window: what the selected camera can do, the overlay and preview-rate
// switches, six picture properties on sliders with Reset, and the camera's own dialogs.
class TVideoSettingsDialog : public QDialog {
public:
    TVideoSettingsDialog(TVideoGrabber& grabber, QWidget* parent);

    // The report, the two switches and the sliders, for the selected camera.
    void Refresh();
    // Takes the texts of the interface language.
    void Retranslate();
    // The report's lines.
    QStringList ReportLines() const;

    // Handlers.
    void TrackBarChange(int slider);
    void VideoOverlaySelectChange();
    void CpuLoadSelectChange();
    void Button2Click(); // Reset
    // Shows the camera dialog of a kind; only the device dialog exists.
    void ShowCameraDialog(TCameraDialog kind);

    // The six sliders and the property each controls.
    static constexpr std::array<TVideoProperty, 6> kSliderProperties{
        TVideoProperty::Brightness, TVideoProperty::Contrast,     TVideoProperty::Gamma,
        TVideoProperty::Hue,        TVideoProperty::WhiteBalance, TVideoProperty::BacklightCompensation};
    std::array<QSlider*, 6> TrackBars{};
    QComboBox* VideoOverlaySelect;
    QComboBox* CpuLoadSelect;
    QPlainTextEdit* Debug;
    QPushButton* Button1;
    QPushButton* Button2;
    QMenu* Devicedialogs1;
    QLabel* VideoOverlayLabel;
    QLabel* CpuLoadLabel;
    std::array<QLabel*, 6> SliderLabels{};

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FillSlider(int slider, bool reset);

    TVideoGrabber& Grabber;
    bool ChangesActive = true;
};

// The "device" camera dialog: every control the camera offers, as a slider, a check box or a
// menu, written to the camera as it changes.
class TCameraControlsDialog : public QDialog {
public:
    TCameraControlsDialog(TVideoGrabber& grabber, QWidget* parent);
};
