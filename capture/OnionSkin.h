#pragma once

#include "capture/LayerFrames.h"
#include "imaging/Picture.h"
#include "imaging/Compositor.h"

#include <cstdint>

class TSheetDocument;

// Onion skin over the live picture: the last frames of a layer before the capture frame, ghosted
// over each live frame, or in difference mode where the live frame differs from the last one.
// The frames and their ghost are rendered through the compositor once and kept until the sheet,
// the layer, the capture frame, the count or the picture size changes; each live frame then costs
// one blend.
class TOnionSkin {
public:
    // Onion skin over frames of `sheet`, which must outlive this.
    explicit TOnionSkin(TSheetDocument& sheet);

    // Share of the onion picture in what is shown, in percent (0 shows the live picture alone).
    void SetOpacity(std::int32_t percent); // clamped to 0..100
    std::int32_t Opacity() const { return OpacityPercent; }
    // Frames back, clamped to 1..TOnionSkinSettings::kMaxFrames.
    void SetCount(std::int32_t frames);
    std::int32_t Count() const { return FrameCount; }
    // Difference mode: shows |live - last frame| instead of the ghost of the frames.
    bool Difference = false;

    // Brings the onion frames up to the sheet: the frames of `layer` before `captureFrame` at the live
    // picture's size. Cheap when nothing changed.
    void Update(std::int32_t layer, std::int32_t captureFrame, std::int32_t width, std::int32_t height);
    // The frames as rendered (Frame(1) is the last frame before the capture frame).
    const TLayerFrames& Frames() const { return Layers; }
    // The frames blended into one picture, the nearer frames stronger (weights n : n - 1 : ... : 1
    // for n frames); empty when there are none.
    const TPicture& Ghost() const { return GhostPicture; }

    // `live` as shown with the onion skin: in normal mode live + (ghost - live) x opacity, in
    // difference mode live + (|live - last| - live) x opacity, per channel. `out` gets live's size and
    // format (24 or 32-bit; alpha copied); without frames, or at another size than the last Update,
    // it is a copy of live.
    void Compose(const TPicture& live, TPicture& out) const;

private:
    void BuildGhost();

    TLayerFrames Layers;
    TCompositor Rostrum;
    TPicture GhostPicture;
    std::int32_t OpacityPercent = 50;
    std::int32_t FrameCount = 1;
};
