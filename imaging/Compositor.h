#pragma once

#include "imaging/Picture.h"
#include "settings/Preferences.h"

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <sys/types.h>
#include <vector>

class TSheetDocument;
class TWorkerPool;

// The pixels of a picture's row from `Begin` up to `End` that are not white paper.
struct TInkSpan {
    std::uint32_t Begin = 0;
    std::uint32_t End = 0;
};

// Where a frame is painted: rows of 24-bit pixels (bytes B, G, R), `Stride` bytes apart, top row
// first or, as a device-independent bitmap has them, bottom row first. Bytes between the end of
// a row's pixels and the next row are set to 0.
struct TFrameRows {
    std::uint8_t* Pixels = nullptr;
    std::size_t Stride = 0;
    bool BottomUp = false;
};

// The compositor: stacks the visible layers' drawings of one frame on a white stage and combines
// them by the composite mode. The program makes one and shares it between the preview and the
// movie builder.
//
// A frame is painted row by row: each row of the stack is combined in a small buffer, layer over
// layer, and written once into the frame. Layer pictures and that buffer hold 32-bit pixels, which
// the combine rules work through several at a time; their alpha byte holds the pixel's intensity.
class TCompositor {
public:
    // A compositor of `sheet` (which must outlive it) with a 200 x 200 stage, decoding on the
    // program's shared worker pool.
    explicit TCompositor(TSheetDocument& sheet);
    ~TCompositor();

    // Where RenderFrame reads the composite mode, once per frame, so a change of the settings takes
    // effect with the next frame. Darken when unset.
    std::function<TComp()> CompositeMode;
    // Threads that decode a frame's drawings at once (the calling thread included); at least 1.
    std::int32_t DecodeThreads;
    // The workers that decode drawings; must outlive the compositor.
    TWorkerPool* Pool;

    TSheetDocument& Sheet() const { return Sheet_; }
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
    // lowest such layer's).
    std::unique_ptr<TPicture> RenderFrame(std::int32_t frame);
    // The same frame painted into `rows`, which hold StageHeight() rows of StageWidth() pixels.
    // Nothing is written when a drawing cannot be decoded.
    void RenderFrameInto(std::int32_t frame, const TFrameRows& rows);

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
    // What identifies the content of a drawing's file: a rewrite changes its modification time
    // (and mostly its size), a replacement through rename its inode, a retargeted link its path.
    struct TDrawingKey {
        std::string Path;
        std::string Decoder; // the cel name's extension, which picks the decoder
        off_t Size = 0;
        std::int64_t ModifiedNs = 0;
        dev_t Device = 0;
        ino_t Inode = 0;
        bool operator==(const TDrawingKey&) const = default;
    };
    // A layer's last drawing, resampled to the stage as 32-bit pixels, and its ink row by row:
    // under Darken white changes nothing, so only the ink needs combining.
    struct TLayerCache {
        bool Valid = false;
        TDrawingKey Key;
        TPicture Picture;
        std::vector<TInkSpan> Ink;
    };
    struct TLayerDrawing {
        std::int32_t Layer = 0;
        bool Found = false;
        std::exception_ptr Error;
    };

    void ClearStage();
    void DropCache();
    // Brings the layer's cache up to its drawing on `frame`; false when it has none.
    bool LoadDrawing(std::int32_t layer, std::int32_t frame);
    // Loads the drawings of the visible layers on `frame`, several at once.
    void LoadLayers(std::int32_t frame);

    TSheetDocument& Sheet_;
    std::vector<TLayerDrawing> Drawings_;
    std::vector<TLayerCache> Cache_; // one per layer of the sheet, layer 1 first
    std::int32_t Width_ = 200;
    std::int32_t Height_ = 200;
    std::int32_t Layers_ = 0;
    TPicture Stage_;                  // what AddLayerImage paints on: 32-bit, white when cleared
    bool StageHoldsIntensity_ = true; // its alpha bytes are its pixels' intensities
    TPicture LayerImage_;             // AddLayerImage's picture at the stage size, and its ink
    std::vector<TInkSpan> LayerInk_;
    std::vector<std::uint32_t> RowBuffer_;
};
