#include "settings/MouthChartFile.h"

#include "base/Error.h"
#include "base/TextUtil.h"
#include "settings/IniFile.h"

namespace {
constexpr const char* kSection = "mouths";
}

TMouthChart TMouthChartFile::Load(const std::string& folder) {
    TMouthChart chart;
    if (folder.empty())
        return chart;
    TIniFile ini;
    ini.LoadFromFile(FolderPath(folder) + kFileName);
    for (const std::string& phoneme : ini.ReadSectionKeys(kSection))
        chart.Set(phoneme, ini.ReadString(kSection, phoneme, ""));
    return chart;
}

void TMouthChartFile::Save(const std::string& folder, const TMouthChart& chart) {
    if (chart == Load(folder))
        return;
    if (folder.empty())
        throw ECwError("The layer has no folder to keep its mouth chart in.");
    const std::string path = FolderPath(folder) + kFileName;
    TIniFile ini;
    ini.LoadFromFile(path);
    ini.EraseSection(kSection);
    for (const auto& [phoneme, drawing] : chart.Entries())
        ini.WriteString(kSection, phoneme, drawing);
    ini.SaveToFile(path);
}
