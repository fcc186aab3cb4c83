#pragma once

#include "document/MouthChart.h"

#include <string>

// A layer's mouth chart on disk: "mouths.ini" in the layer's folder, section [mouths], one
// PHONEME=FILE line per phoneme.
class TMouthChartFile {
public:
    static constexpr const char* kFileName = "mouths.ini";

    // The chart in the folder; an empty chart when the folder has none.
    static TMouthChart Load(const std::string& folder);
    // Writes the chart into the folder in one step, keeping whatever else the file holds; a chart
    // the folder holds already is not written (so an empty chart makes no file). Throws
    // ECwError naming the file when it cannot be written or the layer has no folder.
    static void Save(const std::string& folder, const TMouthChart& chart);
};
