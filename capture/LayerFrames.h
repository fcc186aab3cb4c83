#pragma once

#include "imaging/Picture.h"
#include "imaging/Compositor.h"

#include <cstdint>
#include <string>
#include <sys/types.h>
#include <vector>

class TSheetDocument;

// The frames of one layer just before a frame, as the sheet exposes them (a held cel once for every
// frame it covers), each rendered through the compositor at a given size: the drawing on a white
// stage, an empty cell or an unreadable drawing plain white. They are kept until what they show
// changes, so asking for them with every live frame costs a few file look-ups. Frames count from 1.
class TLayerFrames {
public:
    // Frames of `sheet`, which must outlive this.
    explicit TLayerFrames(TSheetDocument& sheet);

    // Makes Frame(1) to Frame(Held()) the frames `frame - 1` down to `frame - count` of `layer`
    // (those from frame 1 on), width x height 24-bit pictures. Renders them again only when the
    // layer, the frame, the count, the size, a cel or a drawing's file changed; returns whether it did.
    bool Update(std::int32_t layer, std::int32_t frame, std::int32_t count, std::int32_t width,
                std::int32_t height);
    std::int32_t Held() const { return static_cast<std::int32_t>(Frames.size()); }
    // The frame k back from the frame given to Update, 1 <= k <= Held().
    const TPicture& Frame(std::int32_t k) const { return Frames[static_cast<std::size_t>(k - 1)]; }
    // Times Update rendered the frames.
    std::int64_t Renders() const { return RenderCount; }

private:
    // What a frame shows: its cel's name and the drawing file's identity.
    struct TExposure {
        std::string Name;
        std::string File;
        off_t Size = 0;
        std::int64_t ModifiedNs = 0;
        ino_t Inode = 0;
        bool operator==(const TExposure&) const = default;
    };
    struct TKey {
        std::int32_t Layer = 0;
        std::int32_t Width = 0;
        std::int32_t Height = 0;
        std::vector<TExposure> Exposures; // frame - 1 first
        bool operator==(const TKey&) const = default;
    };

    TExposure ExposureAt(std::int32_t layer, std::int32_t frame) const;
    TPicture Render(std::int32_t layer, std::int32_t frame, std::int32_t width, std::int32_t height);

    TSheetDocument& Sheet;
    TCompositor Rostrum;
    TKey Shown;
    bool Valid = false;
    std::vector<TPicture> Frames;
    std::int64_t RenderCount = 0;
};
