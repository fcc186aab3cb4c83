#include "document/SheetLoading.h"

#include "document/SheetDocument.h"
#include "document/XpsFile.h"

#include <optional>

namespace {
std::optional<TLeftOutCel::TReason> WhyNotPlaced(const TCelData& cel) {
    if (cel.Row < 1)
        return TLeftOutCel::TReason::NoFirstFrame;
    if (cel.Duration < 1)
        return TLeftOutCel::TReason::NoHold;
    if (std::int64_t{cel.Row} + cel.Duration - 1 > kMaxFrames)
        return TLeftOutCel::TReason::PastLastFrame;
    return std::nullopt;
}
} // namespace

std::string LeftOutReasonText(TLeftOutCel::TReason reason) {
    switch (reason) {
    case TLeftOutCel::TReason::NoFirstFrame:
        return "no first frame";
    case TLeftOutCel::TReason::NoHold:
        return "hold below 1 frame";
    case TLeftOutCel::TReason::PastLastFrame:
        break;
    }
    return "passes frame " + std::to_string(kMaxFrames);
}

std::string DescribeLeftOutCel(const TLeftOutCel& cel, const std::string& reason) {
    return cel.Name + ", layer " + std::to_string(cel.Layer) + ", frame " + std::to_string(cel.Frame) + ": " +
           reason;
}

float LoadSheet(TSheetDocument& document, const std::filesystem::path& path, TXpsSettings& settings,
                const std::function<void(const TXpsSettings&)>& applySettings,
                std::vector<TLeftOutCel>* leftOut) {
    TXpsFile reader;
    TXpsSettings sheetSettings = settings;
    TLayersData layers;
    TAudioInfo audio;
    try {
        if (!reader.Open(path))
            throw TSheetLoadError(path, "Unable to open .xps file.", "msgErrFileOpen");
        if (!reader.IsSheet())
            throw TSheetLoadError(path, "This is not an exposure sheet.", "msgErrNotASheet");
        if (!reader.ReadSettings(sheetSettings))
            throw TSheetLoadError(path, "Unable to read settings.", "msgErrReadSettings");
        if (!reader.ReadLayers(layers))
            throw TSheetLoadError(path, "Unable to read layers.", "msgErrReadLayers");
    } catch (const TSheetLoadError&) {
        throw;
    } catch (const ECwError& error) {
        throw TSheetLoadError(path, error.what(), "");
    }
    reader.ReadAudio(audio);

    // Everything is read: from here on the open sheet is replaced.
    document.ClearSheet();
    while (document.LayerCount() < static_cast<std::int32_t>(layers.size()))
        document.AddLayer("", "", document.DefaultColors);

    for (std::size_t i = 0; i < layers.size(); ++i) {
        const TLayerData& layer = layers[i];
        const auto n = static_cast<std::int32_t>(i + 1);
        document.SetLayerFolder(n, layer.Dir);
        document.SetLayerCaption(n, layer.Caption);
        document.SetLayerColors(n, LayerColorScheme(layer.Color));
        document.SetLayerVisible(n, layer.Visible != 0);
        for (const TCelData& cel : layer.Cels) {
            const auto reason = WhyNotPlaced(cel);
            if (reason && leftOut)
                leftOut->push_back({cel.Caption, n, cel.Row, cel.Duration, *reason});
            // A cel passing the last frame is still offered, so the sheet raises OnMaxFrameError.
            if (!reason || *reason == TLeftOutCel::TReason::PastLastFrame)
                document.PlaceCelAt(n, cel.Row, cel.Caption, cel.Duration);
        }
    }

    settings = sheetSettings;
    if (applySettings)
        applySettings(settings);
    document.SetFps(settings.Fps);

    // A sound file that is missing now still keeps its name, so saving does not drop it and its
    // phonemes.
    if (!audio.AudioFile.empty())
        document.LoadAudio(audio.AudioFile);
    for (const TPhonemeData& phoneme : audio.Phonemes) {
        if (phoneme.Row >= 1 && phoneme.Row <= kMaxFrames)
            document.SetPhoneme(phoneme.Row, phoneme.Text);
    }

    if (document.LayerCount() > 0)
        document.SelectCell(1, 1);
    return reader.Version;
}
