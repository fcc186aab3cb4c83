#pragma once

#include "document/SheetRecords.h"

#include <QGroupBox>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

class QLabel;
class QLineEdit;
class QRadioButton;
struct TCapturePreferences;

// The "Image Settings" fields of the capture and scanner windows, which say where the next
// picture goes: its Name and Number, the hold it gets (One, Two, Three or Other with a typed
// value) and whether the number follows the sheet's frame or counts on by itself.
class TPlacementPanel : public QGroupBox {
    Q_OBJECT
public:
    // `capture` is the settings record in force, which Image Hold and Numbering write into;
    // `currentFrame` gives the sheet's current frame (from 1) that frame numbering follows.
    TPlacementPanel(TCapturePreferences& capture, std::function<std::int32_t()> currentFrame,
                    QWidget* parent = nullptr);

    // Captions in the language in force.
    void Retranslate();

    // Shows the kept numbering and hold and the layer's name, as each showing of a window does:
    // frame numbering shows the current frame, sequential numbering starts at 0001. A kept hold of
    // 1 to 3 chooses its item, a larger one chooses Other with the value typed in.
    void ShowKept(const std::string& layerCaption);
    // The Name field shows the layer's caption, with folder separators made "_".
    void ShowLayerName(const std::string& layerCaption);
    // Only frame numbering is offered (Sequential hidden) or both are.
    void OfferFrameNumberingOnly(bool only);
    bool NumberingIsFrame() const;
    // The Number field shows the frame (from 1), zero-filled to four digits.
    void ShowFrameNumber(std::int32_t frame);
    // The Number field moves on to the next number of the sequence.
    void AdvanceNumber();
    // Name + "_" + Number + the format's extension, in the layer's folder. Throws ECwError
    // saying why when the Name or Number field would leave that folder.
    std::filesystem::path PicturePath(const std::string& folder, TcwImageFormat format) const;

    QLabel* NameLabel;
    QLineEdit* NameEdit;
    QLabel* NumberLabel;
    QLineEdit* NumberEdit;
    QGroupBox* HoldGroup;
    QRadioButton* HoldItems[4]; // One, Two, Three, Other
    QLineEdit* HoldEdit;
    QGroupBox* NumberingGroup;
    QRadioButton* FrameItem;
    QRadioButton* SequentialItem;

signals:
    // A typed hold was not a number; the message is the standard conversion error and the kept
    // hold is unchanged.
    void HoldRefused(const QString& message);

private:
    // The chosen item sets the kept hold; Other only with a valid typed value.
    void ApplyHold();
    void ApplyTypedHold();
    // The chosen item sets the kept numbering; Frame also shows the current frame.
    void ApplyNumbering();

    TCapturePreferences& Capture;
    std::function<std::int32_t()> CurrentFrame;
};
