#include "capture/LayerFrames.h"

#include "base/Error.h"
#include "document/SheetDocument.h"

#include <sys/stat.h>

TLayerFrames::TLayerFrames(TSheetDocument& sheet) : Sheet(sheet), Rostrum(sheet) {}

TLayerFrames::TExposure TLayerFrames::ExposureAt(std::int32_t layer, std::int32_t frame) const {
    TExposure exposure;
    exposure.Name = Sheet.CelName(layer, frame);
    if (exposure.Name.empty())
        return exposure;
    exposure.File = Sheet.CelImageFile(layer, frame);
    struct stat info {};
    if (!exposure.File.empty() && ::stat(exposure.File.c_str(), &info) == 0) {
        exposure.Size = info.st_size;
        exposure.ModifiedNs = std::int64_t{info.st_mtim.tv_sec} * 1'000'000'000 + info.st_mtim.tv_nsec;
        exposure.Inode = info.st_ino;
    }
    return exposure;
}

bool TLayerFrames::Update(std::int32_t layer, std::int32_t frame, std::int32_t count, std::int32_t width,
                          std::int32_t height) {
    TKey key{.Layer = layer, .Width = width, .Height = height, .Exposures = {}};
    for (std::int32_t f = frame - 1; f >= std::max(1, frame - count); --f)
        key.Exposures.push_back(ExposureAt(layer, f));
    if (Valid && key == Shown)
        return false;
    Frames.clear();
    if (width > 0 && height > 0) {
        for (std::size_t k = 0; k < key.Exposures.size(); ++k) {
            // A held cel is the same picture on every frame it covers: decode it once.
            if (k > 0 && key.Exposures[k] == key.Exposures[k - 1])
                Frames.push_back(Frames.back());
            else
                Frames.push_back(Render(layer, frame - 1 - static_cast<std::int32_t>(k), width, height));
        }
    }
    Shown = std::move(key);
    Valid = true;
    ++RenderCount;
    return true;
}

TPicture TLayerFrames::Render(std::int32_t layer, std::int32_t frame, std::int32_t width,
                              std::int32_t height) {
    Rostrum.SetStageSize(width, height); // also clears the stage to white
    TPicture drawing;
    try {
        // The first layer on the stage is copied as it is, resampled to the stage.
        if (Sheet.ReadCelImage(layer, frame, drawing))
            Rostrum.AddLayerImage(drawing, TComp::cBlend, 255);
    } catch (const ECwError&) {
        // An unreadable drawing shows white, as in the Stop Motion review.
    }
    return std::move(*Rostrum.Paint());
}
