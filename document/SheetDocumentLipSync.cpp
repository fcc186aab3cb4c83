// Lip-sync: dialogue breakdowns into the phoneme column, and mouth drawings from the phonemes.
#include "base/Error.h"
#include "document/SheetDocument.h"

#include <algorithm>

std::vector<TPhonemeCue> TSheetDocument::ImportPhonemes(const std::vector<TPhonemeCue>& cues) {
    std::vector<TPhonemeCue> kept;
    std::vector<TPhonemeCue> leftOut;
    for (const TPhonemeCue& cue : cues)
        (cue.Frame >= 1 && cue.Frame <= kMaxFrames ? kept : leftOut).push_back(cue);
    if (kept.empty())
        return leftOut;
    TEditStep step(*History);
    const TChangeScope scope(*this);
    if (!AudioColumnShown)
        ShowAudio();
    const auto [first, last] = std::minmax_element(
        kept.begin(), kept.end(), [](const TPhonemeCue& a, const TPhonemeCue& b) { return a.Frame < b.Frame; });
    for (std::int32_t frame = first->Frame; frame <= std::min(last->Frame, AudioRows()); ++frame)
        SetPhoneme(frame, std::string());
    for (const TPhonemeCue& cue : kept)
        SetPhoneme(cue.Frame, cue.Phoneme);
    if (LayerCount() > 0)
        GrowSheetTo(AudioRows());
    SetFrameRows(std::max(ShownFrameRows, AudioRows()));
    step.Commit();
    return leftOut;
}

std::vector<std::string> TSheetDocument::ApplyLipSync(std::int32_t layer, const TMouthChart& chart) {
    if (!IsLayer(layer))
        throw ECwError("There is no layer " + std::to_string(layer) + " to lip-sync.");
    const TSoundTrack& audio = Model.Audio;
    const std::int32_t used = audio.UsedPhonemeCount();
    if (used == 0)
        throw ECwError("The sheet has no phonemes to lip-sync.");
    std::int32_t firstPhoneme = 0;
    while (audio.Phoneme(firstPhoneme).empty())
        ++firstPhoneme;
    // 0-based frames [start, end): the rest drawing also covers the frames before the first phoneme.
    const std::int32_t start = chart.HasRest() ? 0 : firstPhoneme;
    const std::int32_t end = std::min(kMaxFrames, std::max(used, audio.FramesCovered(Model.Fps)));

    std::vector<std::string> drawings;
    std::vector<std::string> missing;
    std::string phoneme = TMouthChart::kRest;
    for (std::int32_t frame = start; frame < end; ++frame) {
        if (!audio.Phoneme(frame).empty())
            phoneme = audio.Phoneme(frame);
        drawings.push_back(chart.DrawingFor(phoneme));
        if (drawings.back().empty() && std::find(missing.begin(), missing.end(), phoneme) == missing.end())
            missing.push_back(phoneme);
    }

    TEditStep step(*History);
    const TChangeScope scope(*this);
    GrowSheetTo(end);
    const std::int32_t col = layer - 1;
    Model.ClearRegion({col, start, col, end - 1});
    for (std::size_t run = 0; run < drawings.size();) {
        std::size_t next = run + 1;
        while (next < drawings.size() && drawings[next] == drawings[run])
            ++next;
        if (!drawings[run].empty()) {
            TCellRect changed;
            Model.AddCel(col, start + static_cast<std::int32_t>(run), drawings[run],
                         static_cast<std::int32_t>(next - run), changed);
        }
        run = next;
    }
    NoteLayers(col, col);
    SetFrameRows(std::max(ShownFrameRows, FrameCount()));
    step.Commit();
    return missing;
}
