// Reads arbitrary bytes as an INI file, then reads and writes a few keys. A written file must read
// back as it was written.
#include "settings/IniFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    TIniFile ini;
    ini.LoadFromText(bytes);

    const std::string text = ini.ToText();
    TIniFile reread;
    reread.LoadFromText(text);
    if (reread.ToText() != text)
        std::abort();

    const auto sections = ini.ReadSections();
    for (std::size_t i = 0; i < sections.size() && i < 8; ++i) {
        for (const auto& key : ini.ReadSectionKeys(sections[i]))
            (void)ini.ReadInteger(sections[i], key, 0);
    }
    (void)ini.ReadBool("preview preferences", "auto build", true);
    const std::string path = ini.ReadString("general preferences", "default path", "");

    // Values taken from the input itself, written under names it may already hold.
    ini.WriteString("general preferences", "default path", path + "\n" + path);
    ini.WriteInteger("General Preferences", "FPS", ini.ReadInteger("general preferences", "fps", 24) / 2);
    if (!sections.empty()) {
        ini.WriteString(sections.front(), "img editor name", sections.back());
        ini.EraseSection(sections.back());
    }
    ini.EraseSection("preferences");

    const std::string written = ini.ToText();
    TIniFile back;
    back.LoadFromText(written);
    if (back.ToText() != written || back.ReadSections() != ini.ReadSections() ||
        back.ValueExists("general preferences", "default path") !=
            ini.ValueExists("general preferences", "default path") ||
        back.ReadString("general preferences", "default path", "") !=
            ini.ReadString("general preferences", "default path", ""))
        std::abort();
    return 0;
}
