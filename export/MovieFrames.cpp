#include "export/MovieFrames.h"

#include "base/Error.h"
#include "document/SheetDocument.h"
#include "imaging/Compositor.h"
#include "imaging/FramePipeline.h"

#include <array>
#include <new>
#include <vector>

void RenderMovieFrames(TCompositor& rostrum, const TMovieRange& range, const TMovieFrameShape& shape,
                       const std::function<bool(std::int32_t index, const std::uint8_t* pixels)>& use) {
    rostrum.ResetStage();
    rostrum.SetStageSize(shape.Width, shape.Height);
    std::array<std::vector<std::uint8_t>, 2> blocks;
    try {
        for (std::vector<std::uint8_t>& block : blocks)
            block.resize(shape.Bytes());
    } catch (const std::bad_alloc&) {
        throw ECwError("out of memory for bitmap pixels");
    }
    const TSheetDocument& sheet = rostrum.Sheet();
    RunFramePipeline(
        *rostrum.Pool, range.Count(), blocks,
        [&](std::int32_t i, std::vector<std::uint8_t>& block) {
            rostrum.RenderFrameInto(PictureFrame(sheet, range.First + i),
                                    {block.data(), shape.Stride(), shape.BottomUp});
        },
        [&](std::int32_t i, const std::vector<std::uint8_t>& block) { return use(i, block.data()); });
}
