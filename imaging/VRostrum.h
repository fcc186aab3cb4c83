#pragma once

#include "imaging/Picture.h"
#include "settings/Preferences.h"

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <vector>

class TXsDocument;

// The compositor: stacks the visible layers' drawings of one frame on a white stage and combines
// them by the composite mode. The program makes one and shares it between the preview and the
// movie builder.
//
// Layers are combined into the stage as they are added, bottom first; since a layer never changes
// once it is on the stage, this paints exactly what painting the whole stack at the end would.
// The stage is kept as 24-bit pixels: the combine rules never read alpha, and alpha is dropped
// from the finished frame anyway.
class TVRostrum {
public:
    // A compositor of `sheet` (which must outlive it) with a 200 x 200 stage.
    explicit TVRostrum(TXsDocument& sheet);

    // Where RenderFrame reads the composite mode, once per frame, so a change of the settings takes
    // effect with the next frame. Darken when unset.
    std::function<TComp()> CompositeMode;
    // Threads that decode a frame's drawings at once (the calling thread included); at least 1.
    std::int32_t DecodeThreads;

    TXsDocument& Sheet() const { return Sheet_; }
    std::int32_t StageWidth() const { return Width_; }
    std::int32_t StageHeight() const { return Height_; }
    // Layers on the stage since it was last cleared.
    std::int32_t StageLayerCount() const { return Layers_; }

    // Removes all layers and makes the stage 320 x 240, white.
    void ResetStage();
    // Removes all layers and makes the stage width x height, white. Throws ECwError when a side is
    // below 1 or larger than kMaxPictureSide.
    void SetStageSize(std::int32_t width, std::int32_t height);

    // Renders sheet frame `frame` (1-based) at the stage size: the visible layers' drawings from
    // layer 1 (bottom) to the last (top), combined by the composite mode; a layer without a
    // picture on that frame is skipped, so a frame without any is plain white. Returns a new
    // 24-bit picture the caller owns. A drawing that cannot be decoded throws its ECwError (the
    // lowest such layer's). Every drawing is read and decoded afresh.
    std::unique_ptr<TPicture> RenderFrame(std::int32_t frame);

    // Puts a picture on top of the stack, resampled to the stage size by nearest neighbour (each
    // axis on its own) when its size differs, and combines it with what lies below:
    //   cDarken    a pixel replaces the one below when its intensity (61 R + 174 G + 21 B) div 256
    //              is lower; equal intensities keep the one below
    //   cMultiply  each channel becomes (F x B) div 256
    //   cBlend     the first layer is copied; later ones are mixed in at `alpha` (0..255):
    //              F x alpha / 255 + B x (255 - alpha) / 255, rounded
    // The picture's own transparency takes no part.
    void AddLayerImage(const TPicture& picture, TComp mode, std::uint8_t alpha);

    // The stage as painted so far, as a new 24-bit picture.
    std::unique_ptr<TPicture> Paint() const;

private:
    void ClearStage();
    // Row `y` of the layer picture at the stage size, as B, G, R bytes.
    const std::uint8_t* LayerRow(const TPicture& picture, std::int32_t y);

    // Decodes the drawings of the visible layers on `frame` into LayerPictures_, several at once.
    void DecodeLayers(std::int32_t frame);

    struct TLayerDrawing {
        std::int32_t Layer = 0;
        bool Found = false;
        std::exception_ptr Error;
    };

    TXsDocument& Sheet_;
    std::vector<TLayerDrawing> Drawings_;
    std::vector<TPicture> LayerPictures_; // kept between frames so their buffers are reused
    std::int32_t Width_ = 200;
    std::int32_t Height_ = 200;
    std::int32_t Layers_ = 0;
    TPicture Stage_;
    // Scratch space for one layer row, its source columns and its palette as B, G, R.
    std::vector<std::uint8_t> RowBuffer_;
    std::vector<std::uint32_t> SourceOffsets_;
    std::uint8_t PaletteBgr_[256 * 3] = {};
};
