#pragma once

#include "document/SheetRecords.h"
#include "settings/Folders.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The user's preferences, their defaults and the settings file "celwright.ini".

// How layers are combined into a frame.
enum class TComp : std::uint8_t { cDarken = 0, cBlend = 1, cMultiply = 2 };
// Layout of the capture window: Standard or Stop Motion.
enum class TCapMode : std::uint8_t { cmXSheet = 0, cmStopMotion = 1 };
enum class TCapColorMode : std::uint8_t { ccmColor = 0, ccmBw = 1 };
enum class TPreviewColorMode : std::uint8_t { pcmColor = 0, pcmBw = 1 };

// The names the settings file stores ("cDarken", "cmStopMotion", ...), and back. Names are matched
// regardless of letter case; any other text gives nothing.
std::string_view CompName(TComp value);
std::optional<TComp> CompFromName(std::string_view name);
std::string_view CapModeName(TCapMode value);
std::optional<TCapMode> CapModeFromName(std::string_view name);
std::string_view CapColorModeName(TCapColorMode value);
std::optional<TCapColorMode> CapColorModeFromName(std::string_view name);
std::string_view PreviewColorModeName(TPreviewColorMode value);
std::optional<TPreviewColorMode> PreviewColorModeFromName(std::string_view name);

struct TGeneralPreferences {
    std::int32_t Fps = 24;
    std::string DefaultPath;     // folder offered for new layers and document dialogs
    std::string TempPath;        // folder for temporary files such as converted audio
    std::int32_t LayerColor = 0; // colour scheme of new layers: 0 Orange, 1 Blue, 2 Green
    TComp CompositeMode = TComp::cDarken;
    std::int32_t UndoLevels = 10; // steps of undo history kept, 10 to 1000

    bool operator==(const TGeneralPreferences&) const = default;
};

struct TCapturePreferences {
    TCapMode CaptureMode = TCapMode::cmXSheet;
    TcwImageFormat CaptureFormat = TcwImageFormat::png;
    TCapColorMode CaptureColor = TCapColorMode::ccmColor;
    std::int32_t Hold = 2;
    std::string Numbering = "sequential"; // "frame"; any other text means sequential

    bool operator==(const TCapturePreferences&) const = default;
};

struct TPreviewPreferences {
    bool AutoBuild = true;
    TPreviewColorMode PreviewColor = TPreviewColorMode::pcmColor;

    bool operator==(const TPreviewPreferences&) const = default;
};

struct TExternalProgram {
    std::string Name;     // shown to the user
    std::string Location; // full path of the program file; empty when none is chosen

    bool operator==(const TExternalProgram&) const = default;
};

struct TEditors {
    TExternalProgram ImageEditor;

    bool operator==(const TEditors&) const = default;
};

// All preferences. A default-made record holds the defaults, except the two folders, which are
// looked up by TSettingsManager::SetDefaults.
struct TSettings {
    TGeneralPreferences General;
    TCapturePreferences Capture;
    TPreviewPreferences Preview;
    TEditors Editors;

    bool operator==(const TSettings&) const = default;
};

// Writes the six values a sheet carries into a settings record: frame rate, hold, numbering, layer
// colour, image format and default path.
void ApplyDocumentSettingsTo(TSettings& current, const TXpsSettings& document);

// Holds the preferences twice: `Saved`, as the user set them and as "celwright.ini" keeps them, and
// `Current`, the values in force, changed by profiles, documents and menus but never written.
class TSettingsManager {
public:
    // `userFolder` holds the settings file (ends with "/"); empty when there is none. Fills `Saved`
    // with the defaults, taking the documents and temporary folders from `env`.
    explicit TSettingsManager(std::string userFolder,
                              TFolderEnvironment env = TFolderEnvironment::FromProcess());

    TSettings Saved;
    TSettings Current; // holds the record's defaults until ResetCurrent

    // `Saved` := the defaults, looking up the documents and temporary folders now.
    void SetDefaults();
    // Reads the four preference sections of the settings file into `Saved`; a missing key, or a value
    // that does not parse, keeps what `Saved` holds (the image editor's location becomes empty).
    // Returns false, changing nothing, when there is no settings file.
    bool LoadFromFile();
    // Writes `Saved` into the settings file, keeping its other sections where they are and dropping the
    // old section "preferences". Writes nothing when there is no user folder. Throws ECwError when the
    // file cannot be written; the old file then stays as it was.
    void SaveToFile() const;
    // `Current` := `Saved`.
    void ResetCurrent();
    // The six values a sheet carries, taken from `Current`.
    void GetDocumentSettings(TXpsSettings& settings) const;

    const std::string& Folder() const { return UserFolder_; }
    // "celwright.ini" in the user folder; empty when there is no user folder.
    std::string SettingsFilePath() const;

private:
    std::string UserFolder_;
    TFolderEnvironment Env_;
};
