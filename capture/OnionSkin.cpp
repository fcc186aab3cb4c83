#include "capture/OnionSkin.h"

#include "settings/OnionSkinSettings.h"

#include <algorithm>
#include <cstdlib>

TOnionSkin::TOnionSkin(TSheetDocument& sheet) : Layers(sheet), Rostrum(sheet) {}

void TOnionSkin::SetOpacity(std::int32_t percent) {
    OpacityPercent = std::clamp(percent, 0, 100);
}

void TOnionSkin::SetCount(std::int32_t frames) {
    FrameCount = std::clamp(frames, 1, TOnionSkinSettings::kMaxFrames);
}

void TOnionSkin::Update(std::int32_t layer, std::int32_t captureFrame, std::int32_t width,
                        std::int32_t height) {
    if (Layers.Update(layer, captureFrame, FrameCount, width, height))
        BuildGhost();
}

void TOnionSkin::BuildGhost() {
    const std::int32_t n = Layers.Held();
    if (n == 0) {
        GhostPicture = TPicture();
        return;
    }
    const TPicture& oldest = Layers.Frame(n);
    Rostrum.SetStageSize(oldest.Width(), oldest.Height());
    Rostrum.AddLayerImage(oldest, TComp::cBlend, 255);
    // Mixing the j-th frame from the oldest in at 2 / (j + 1) leaves frame j weighing j against the
    // others: the last frame strongest, the oldest faintest.
    for (std::int32_t j = 2; j <= n; ++j)
        Rostrum.AddLayerImage(Layers.Frame(n + 1 - j), TComp::cBlend,
                              static_cast<std::uint8_t>((2 * 255 + (j + 1) / 2) / (j + 1)));
    GhostPicture = std::move(*Rostrum.Paint());
}

void TOnionSkin::Compose(const TPicture& live, TPicture& out) const {
    const TPicture& over = Difference ? (Layers.Held() > 0 ? Layers.Frame(1) : GhostPicture) : GhostPicture;
    const bool usable = !over.Empty() && over.Width() == live.Width() && over.Height() == live.Height() &&
                        live.PixelFormat() != TPixelFormat::pf8bit;
    if (!usable) {
        out = live;
        return;
    }
    out.SetSize(live.Width(), live.Height(), live.PixelFormat());
    const int alpha = OpacityPercent * 256 / 100; // 0..256, so 100 % gives the onion picture exactly
    const std::size_t step = live.PixelFormat() == TPixelFormat::pf32bit ? 4 : 3;
    const std::size_t width = static_cast<std::size_t>(live.Width());
    for (std::int32_t y = 0; y < live.Height(); ++y) {
        const std::uint8_t* source = live.Row(y);
        const std::uint8_t* onion = over.Row(y);
        std::uint8_t* target = out.Row(y);
        for (std::size_t x = 0; x < width; ++x, source += step, onion += 3, target += step) {
            for (std::size_t c = 0; c < 3; ++c) {
                const int l = source[c];
                const int o = Difference ? std::abs(l - onion[c]) : onion[c];
                target[c] = static_cast<std::uint8_t>(l + (((o - l) * alpha) >> 8));
            }
            if (step == 4)
                target[3] = source[3];
        }
    }
}
