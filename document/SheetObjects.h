#pragma once

#include <array>
#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <vector>

// The objects an exposure sheet is made of. Layers (columns) and frames (rows) count from 0 here.

// A rectangle of grid cells: Left..Right are layers, Top..Bottom frames, all inclusive.
struct TCellRect {
    std::int32_t Left = 0;
    std::int32_t Top = 0;
    std::int32_t Right = 0;
    std::int32_t Bottom = 0;
    bool operator==(const TCellRect&) const = default;
};

// A rectangle in pixels, right and bottom exclusive.
struct TPixelRect {
    std::int32_t Left = 0;
    std::int32_t Top = 0;
    std::int32_t Right = 0;
    std::int32_t Bottom = 0;
    bool operator==(const TPixelRect&) const = default;
};

struct TPixelPoint {
    std::int32_t X = 0;
    std::int32_t Y = 0;
    bool operator==(const TPixelPoint&) const = default;
};

// Any object placed on the sheet: a position in cells and its pixel bounds in the grid picture.
class TSheetObject {
public:
    virtual ~TSheetObject() = default;

    TPixelRect Bounds;
    std::int32_t Duration = 1; // frames held, at least 1
    TPixelPoint Origin;
    std::int32_t Col = 0; // layer, 0-based
    std::int32_t Row = 0; // first frame, 0-based

    // Copies position, hold and bounds from another object.
    virtual void Assign(const TSheetObject& source);

    void SetPosition(std::int32_t col, std::int32_t row);
    // Recomputes Origin and Bounds from Col, Row and Duration for cells of the given pixel size.
    void UpdateBounds(std::int32_t cellWidth, std::int32_t cellHeight);
    // The cells the object covers.
    TCellRect Extent() const { return {Col, Row, Col, Row + Duration - 1}; }
    // Last frame covered, 0-based.
    std::int32_t LastFrame() const { return Row + Duration - 1; }
};

// A cel: one drawing held for a run of frames.
class TCel : public TSheetObject {
public:
    TCel() = default;
    TCel(std::int32_t col, std::string name, std::int32_t duration, std::int32_t row);

    std::string Name; // the drawing's file name in its layer's folder, extension included

    void Assign(const TSheetObject& source) override;

private:
    friend class TCelList;
    std::list<std::unique_ptr<TCel>>::iterator Self; // its place in the owning TCelList
};

// Owns every cel of a sheet, in the order they were added. Removing a cel destroys it.
class TCelList {
public:
    using Storage = std::list<std::unique_ptr<TCel>>;

    TCel* Add(std::unique_ptr<TCel> cel);
    void Remove(TCel* cel);
    void Clear() { Items.clear(); }
    std::size_t Count() const { return Items.size(); }

    Storage::const_iterator begin() const { return Items.begin(); }
    Storage::const_iterator end() const { return Items.end(); }

private:
    Storage Items;
};

// One of the three colour schemes of a layer. Colours are 0xRRGGBB.
struct TLayerColors {
    std::string Name;
    std::uint32_t HeadColor = 0;     // header fill
    std::uint32_t HeadMarkColor = 0; // outline of the visibility box
    std::uint32_t HeadEdgeColor = 0; // header outline; visibility box fill when visible
    std::uint32_t HeadTextColor = 0;
    std::uint32_t CelColor = 0;      // cel fill
    std::uint32_t HoldEdgeColor = 0; // hold bar outline and hold line
    std::uint32_t CelEdgeColor = 0;  // cel outline and hold bar fill
    std::uint32_t CelTextColor = 0;
    bool operator==(const TLayerColors&) const = default;
};

// The scheme stored under `index`: 0 "Orange", 1 "Blue", 2 "Green"; any other index gives "Orange".
const TLayerColors& LayerColorScheme(std::int32_t index);
// The index stored for a scheme: 1 for "Blue", 2 for "Green", 0 for "Orange" and any other name.
std::int32_t LayerColorIndex(const TLayerColors& colors);

// A layer: one slot per frame, each referring to the cel that covers it. Never owns its cels.
class TLayer {
public:
    TLayerColors Colors;
    std::vector<TCel*> Frames;
    bool Visible = true;
    std::string Caption;
    std::string Folder; // the layer's image folder, ending with "/"

    std::int32_t FrameCount() const { return static_cast<std::int32_t>(Frames.size()); }
    // New slots are empty.
    void SetFrameCount(std::int32_t count) { Frames.resize(static_cast<std::size_t>(count), nullptr); }
    const TCel* Slot(std::int32_t frame) const { return Frames[static_cast<std::size_t>(frame)]; }
    TCel* Slot(std::int32_t frame) { return Frames[static_cast<std::size_t>(frame)]; }
    void SetSlot(std::int32_t frame, TCel* cel) { Frames[static_cast<std::size_t>(frame)] = cel; }
    // Index of the last occupied slot plus 1; 0 when the layer holds no cel.
    std::int32_t UsedFrameCount() const;
};

// The sheet's sound track and its phonemes.
class TSoundTrack {
public:
    std::array<std::vector<std::int32_t>, 2> Peaks; // waveform values per channel
    std::string FileName;                           // the sound file the user chose
    std::string WaveFile;                           // the WAV file actually read
    std::int32_t Channels = 0;                      // 0: no sound loaded
    std::vector<std::string> Phonemes;              // index 0 = frame 1; empty text = no phoneme
    std::int32_t DurationMs = 0;
    bool SignedSamples = false;
    bool Shortened = false; // the sound read stops before its file does: the sheet cannot hold more

    void Clear();
    // Frames the sound spans at `fps`: trunc(DurationMs / 1000 * fps) + 1; 0 without length or rate.
    std::int32_t FramesCovered(std::int32_t fps) const;
    // Phoneme of 0-based frame `index`, empty outside the slots.
    const std::string& Phoneme(std::int32_t index) const;
    void SetPhoneme(std::int32_t index, std::string text) {
        Phonemes[static_cast<std::size_t>(index)] = std::move(text);
    }
    // Index of the last non-empty phoneme plus 1; 0 when there is none.
    std::int32_t UsedPhonemeCount() const;
    std::int32_t PhonemeCount() const { return static_cast<std::int32_t>(Phonemes.size()); }
    // New slots are empty; surplus slots are dropped.
    void SetPhonemeCount(std::int32_t count) { Phonemes.resize(static_cast<std::size_t>(count)); }
};
