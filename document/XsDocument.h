#pragma once

#include "document/XsSheetData.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// The exposure sheet as the rest of the program sees it: the model, the little view state the
// document depends on (frame rows shown, the audio column and its rows, the update mode) and the
// events of the sheet control. The sheet widget owns one and forwards to it.
//
// Everything here counts layers and frames from 1 (layer 1 is the leftmost, frame 1 the top row).
class TXsDocument {
public:
    using TNotifyEvent = std::function<void(TXsDocument& sender)>;
    using TSelectCelEvent = std::function<void(TXsDocument& sender, std::int32_t layer, std::int32_t frame)>;

    // Update modes.
    static constexpr std::int32_t kUpdateNormal = 1;
    static constexpr std::int32_t kUpdateBulk = 2;      // loading a file: no repaint, no undo snapshots
    static constexpr std::int32_t kUpdateRestoring = 5; // undo or redo restoring a snapshot

    // Frame rows shown by an empty sheet.
    static constexpr std::int32_t kDefaultFrameRows = 40;

    TXsDocument();

    // Events; the document itself is the sender.
    TSelectCelEvent OnSelect;
    TNotifyEvent OnLayerChange;
    TNotifyEvent OnLayerAdded;
    TNotifyEvent OnLayerDeleted;
    TNotifyEvent OnMaxFrameError;
    TNotifyEvent OnShowAudio;
    TNotifyEvent OnHideAudio;

    // Caption stem of new layers ("Layer" gives "Layer 3") and the scheme they get.
    std::string DefaultLayerText = "Layer";
    TLayerColors DefaultColors;

    TXSheetData& Data() { return Model; }
    const TXSheetData& Data() const { return Model; }

    // Queries.
    std::int32_t LayerCount() const { return Model.LayerCount(); }
    std::int32_t FrameCount() const { return Model.FrameCount(); }
    std::int32_t CurrentLayer() const; // 0 without layers
    std::int32_t CurrentFrame() const; // 0 without frames
    TCellRect SelectedCells() const;
    const TXsCel* CelAt(std::int32_t layer, std::int32_t frame) const; // none outside the sheet
    std::string CelName(std::int32_t layer, std::int32_t frame) const;
    std::string LayerCaption(std::int32_t layer) const;
    std::string LayerFolder(std::int32_t layer) const;
    TLayerColors LayerColors(std::int32_t layer) const; // "Orange" when not a layer
    bool LayerVisible(std::int32_t layer) const;
    std::string Phoneme(std::int32_t frame) const;
    std::string AudioFileName() const;
    bool HasAudio() const;
    std::int32_t UsedFrameCount() const;
    std::int32_t VisibleUsedFrameCount() const;
    bool IsEmpty() const { return UsedFrameCount() <= 0; }
    std::int32_t Fps() const { return Model.Fps; }
    // One line per cel in the order they were made: "name: layer, frame - hold", layer and frame
    // counted from 0.
    std::vector<std::string> CelList() const;

    // View state.
    std::int32_t FrameRows() const { return ShownFrameRows; }
    bool AudioShown() const { return AudioColumnShown; }
    // The audio column has one row per phoneme slot.
    std::int32_t AudioRows() const { return Model.Audio.PhonemeCount(); }
    std::int32_t UpdateMode() const { return Mode; }

    // Commands. None takes an undo snapshot; interactive callers take one first.
    void ClearSheet();
    void AddLayer(const std::string& caption, const std::string& folder, const TLayerColors& colors);
    void DeleteLayer(std::int32_t layer);
    void PlaceCelAt(std::int32_t layer, std::int32_t frame, const std::string& name, std::int32_t duration);
    void SetLayerCaption(std::int32_t layer, const std::string& text);
    void SetLayerFolder(std::int32_t layer, const std::string& text);
    void SetLayerColors(std::int32_t layer, const TLayerColors& colors);
    void SetLayerVisible(std::int32_t layer, bool visible);
    void SetPhoneme(std::int32_t frame, const std::string& text);
    void SelectCell(std::int32_t layer, std::int32_t frame);
    void SetFps(std::int32_t fps);
    void SetUpdateMode(std::int32_t mode);
    void ClearAudio();
    void ClearPhonemes();

    // The audio column.
    void ShowAudio();
    void HideAudio();
    // Sets the audio column's rows (at most the frame limit) and the phoneme slots with them.
    void SetAudioRowCount(std::int32_t rows);
    // Makes `file` the sheet's sound file and shows the audio column. Reading the sound itself is
    // the audio loader's work; until it has read the file the name is kept, so a sheet whose sound
    // file is missing keeps it and its phonemes when saved again.
    void LoadAudio(const std::string& file);

private:
    bool IsLayer(std::int32_t layer) const { return layer >= 1 && layer <= LayerCount(); }
    void SetFrameRows(std::int32_t rows) { ShownFrameRows = rows; }
    void Raise(const TNotifyEvent& event) {
        if (event)
            event(*this);
    }

    TXSheetData Model;
    std::int32_t ShownFrameRows = kDefaultFrameRows;
    bool AudioColumnShown = false;
    std::int32_t Mode = kUpdateNormal;
};
