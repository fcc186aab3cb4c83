#pragma once

#include <string>
#include <utility>
#include <vector>

// Which mouth drawing stands for which phoneme. Phoneme names match regardless of letter case; the
// entry "rest" stands for any phoneme the chart lacks and for the frames before the first phoneme.
class TMouthChart {
public:
    static constexpr const char* kRest = "rest";

    // Sets the phoneme's drawing (a file name in the layer's folder); an empty name removes the entry.
    void Set(const std::string& phoneme, const std::string& drawing);
    // The phoneme's own entry, empty when there is none.
    std::string Drawing(const std::string& phoneme) const;
    // The drawing shown for the phoneme: its entry, else the rest drawing; empty when neither exists.
    std::string DrawingFor(const std::string& phoneme) const;
    bool HasRest() const { return !Drawing(kRest).empty(); }
    bool IsEmpty() const { return Entries_.empty(); }
    // (phoneme, drawing) in the order they were first set.
    const std::vector<std::pair<std::string, std::string>>& Entries() const { return Entries_; }
    bool operator==(const TMouthChart&) const = default;

    // The phoneme sets mouth charts are commonly drawn for, each ending with "rest" or its own rest.
    static const std::vector<std::string>& ClassicPhonemes(); // AI E O U etc L WQ MBP FV rest
    static const std::vector<std::string>& ShapePhonemes();   // A to H and X

private:
    std::vector<std::pair<std::string, std::string>> Entries_;
};
