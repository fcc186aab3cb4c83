#include "document/MouthChart.h"

#include "base/TextUtil.h"

#include <algorithm>

void TMouthChart::Set(const std::string& phoneme, const std::string& drawing) {
    const auto entry = std::find_if(Entries_.begin(), Entries_.end(),
                                    [&](const auto& e) { return EqualsIgnoringCase(e.first, phoneme); });
    if (drawing.empty()) {
        if (entry != Entries_.end())
            Entries_.erase(entry);
    } else if (entry != Entries_.end()) {
        entry->second = drawing;
    } else {
        Entries_.emplace_back(phoneme, drawing);
    }
}

std::string TMouthChart::Drawing(const std::string& phoneme) const {
    for (const auto& [name, drawing] : Entries_) {
        if (EqualsIgnoringCase(name, phoneme))
            return drawing;
    }
    return {};
}

std::string TMouthChart::DrawingFor(const std::string& phoneme) const {
    const std::string own = Drawing(phoneme);
    return own.empty() ? Drawing(kRest) : own;
}

const std::vector<std::string>& TMouthChart::ClassicPhonemes() {
    static const std::vector<std::string> names{"AI", "E", "O", "U", "etc", "L", "WQ", "MBP", "FV", kRest};
    return names;
}

const std::vector<std::string>& TMouthChart::ShapePhonemes() {
    static const std::vector<std::string> names{"A", "B", "C", "D", "E", "F", "G", "H", "X"};
    return names;
}
