#include "settings/Preferences.h"

#include "base/Error.h"
#include "base/TextUtil.h"
#include "document/SheetUndo.h"
#include "settings/IniFile.h"

#include <algorithm>
#include <array>
#include <utility>

namespace {
constexpr std::string_view kFileName = "celwright.ini";
constexpr std::string_view kGeneral = "general preferences";
constexpr std::string_view kCapture = "capture preferences";
constexpr std::string_view kPreview = "preview preferences";
constexpr std::string_view kEditors = "editors";
constexpr std::string_view kOldPreferences = "preferences";

constexpr std::array<std::string_view, 3> kCompNames{"cDarken", "cBlend", "cMultiply"};
constexpr std::array<std::string_view, 2> kCapModeNames{"cmXSheet", "cmStopMotion"};
constexpr std::array<std::string_view, 2> kCapColorModeNames{"ccmColor", "ccmBw"};
constexpr std::array<std::string_view, 2> kPreviewColorModeNames{"pcmColor", "pcmBw"};

template <typename Enum, std::size_t N>
std::string_view NameOf(const std::array<std::string_view, N>& names, Enum value) {
    return names.at(static_cast<std::size_t>(value));
}

template <typename Enum, std::size_t N>
std::optional<Enum> ValueOf(const std::array<std::string_view, N>& names, std::string_view name) {
    for (std::size_t i = 0; i < N; ++i) {
        if (EqualsIgnoringCase(name, names[i]))
            return static_cast<Enum>(i);
    }
    return std::nullopt;
}

// Reads an enumeration by name; a name that matches no value keeps `value` as it is.
template <typename Enum>
void ReadEnum(const TIniFile& ini, std::string_view section, std::string_view key, Enum& value,
              std::string_view (*nameOf)(Enum), std::optional<Enum> (*valueOf)(std::string_view)) {
    if (const auto read = valueOf(ini.ReadString(section, key, nameOf(value))))
        value = *read;
}
} // namespace

std::string_view CompName(TComp value) {
    return NameOf(kCompNames, value);
}
std::optional<TComp> CompFromName(std::string_view name) {
    return ValueOf<TComp>(kCompNames, name);
}
std::string_view CapModeName(TCapMode value) {
    return NameOf(kCapModeNames, value);
}
std::optional<TCapMode> CapModeFromName(std::string_view name) {
    return ValueOf<TCapMode>(kCapModeNames, name);
}
std::string_view CapColorModeName(TCapColorMode value) {
    return NameOf(kCapColorModeNames, value);
}
std::optional<TCapColorMode> CapColorModeFromName(std::string_view name) {
    return ValueOf<TCapColorMode>(kCapColorModeNames, name);
}
std::string_view PreviewColorModeName(TPreviewColorMode value) {
    return NameOf(kPreviewColorModeNames, value);
}
std::optional<TPreviewColorMode> PreviewColorModeFromName(std::string_view name) {
    return ValueOf<TPreviewColorMode>(kPreviewColorModeNames, name);
}

void ApplyDocumentSettingsTo(TSettings& current, const TXpsSettings& document) {
    current.General.Fps = document.Fps;
    current.Capture.Hold = document.Step;
    current.Capture.Numbering = document.Numbering;
    current.General.LayerColor = document.Color;
    current.Capture.CaptureFormat = document.Format;
    current.General.DefaultPath = FolderPath(document.Path);
}

TSettingsManager::TSettingsManager(std::string userFolder, TFolderEnvironment env)
    : UserFolder_(std::move(userFolder)), Env_(std::move(env)) {
    SetDefaults();
}

void TSettingsManager::SetDefaults() {
    Saved = TSettings{};
    Saved.General.DefaultPath = FolderPath(DocumentsFolder(Env_));
    Saved.General.TempPath = SystemTempFolder(Env_);
}

std::string TSettingsManager::SettingsFilePath() const {
    return UserFolder_.empty() ? std::string() : UserFolder_ + std::string(kFileName);
}

bool TSettingsManager::LoadFromFile() {
    // Without a user folder there is no settings file; a bare file name would be read from whatever
    // folder the program was started in.
    if (UserFolder_.empty())
        return false;
    TIniFile ini;
    if (!ini.LoadFromFile(SettingsFilePath()))
        return false;

    auto& general = Saved.General;
    // A frame rate the FPS menu would refuse falls back to the default, as a sheet's does.
    const std::int32_t fps = ini.ReadInteger(kGeneral, "fps", general.Fps);
    general.Fps = IsFrameRate(fps) ? fps : TGeneralPreferences{}.Fps;
    general.DefaultPath = FolderPath(ini.ReadString(kGeneral, "default path", general.DefaultPath));
    general.TempPath = ini.ReadString(kGeneral, "temp path", general.TempPath);
    general.LayerColor = ini.ReadInteger(kGeneral, "color", general.LayerColor);
    ReadEnum(ini, kGeneral, "composite mode", general.CompositeMode, CompName, CompFromName);
    general.UndoLevels = std::clamp(ini.ReadInteger(kGeneral, "undo levels", general.UndoLevels),
                                    TSheetUndo::kMinDepth, TSheetUndo::kMaxDepth);

    auto& capture = Saved.Capture;
    ReadEnum(ini, kCapture, "capture mode", capture.CaptureMode, CapModeName, CapModeFromName);
    ReadEnum(ini, kCapture, "capture format", capture.CaptureFormat, ImageFormatName, ImageFormatFromName);
    ReadEnum(ini, kCapture, "color mode", capture.CaptureColor, CapColorModeName, CapColorModeFromName);
    capture.Hold = ini.ReadInteger(kCapture, "hold", capture.Hold);
    capture.Numbering = ini.ReadString(kCapture, "numbering", capture.Numbering);

    auto& preview = Saved.Preview;
    preview.AutoBuild = ini.ReadBool(kPreview, "auto build", preview.AutoBuild);
    ReadEnum(ini, kPreview, "color mode", preview.PreviewColor, PreviewColorModeName,
             PreviewColorModeFromName);

    auto& editor = Saved.Editors.ImageEditor;
    editor.Name = ini.ReadString(kEditors, "img editor name", editor.Name);
    editor.Location = ini.ReadString(kEditors, "img editor location", "");
    return true;
}

void TSettingsManager::SaveToFile() const {
    if (UserFolder_.empty())
        return;
    const std::string path = SettingsFilePath();
    TIniFile ini;
    // The file also keeps the language and the recent files: one that is there but cannot be read
    // must not be replaced by the preferences alone.
    if (!ini.LoadForUpdate(path))
        throw ECwError("Cannot read \"" + path + "\"; the preferences were not saved.");
    ini.EraseSection(kOldPreferences);

    const auto& general = Saved.General;
    ini.WriteInteger(kGeneral, "fps", general.Fps);
    ini.WriteInteger(kGeneral, "color", general.LayerColor);
    ini.WriteString(kGeneral, "default path", general.DefaultPath);
    ini.WriteString(kGeneral, "temp path", general.TempPath);
    ini.WriteString(kGeneral, "composite mode", CompName(general.CompositeMode));
    ini.WriteInteger(kGeneral, "undo levels", general.UndoLevels);

    const auto& capture = Saved.Capture;
    ini.WriteString(kCapture, "capture mode", CapModeName(capture.CaptureMode));
    ini.WriteString(kCapture, "color mode", CapColorModeName(capture.CaptureColor));
    ini.WriteString(kCapture, "capture format", ImageFormatName(capture.CaptureFormat));
    ini.WriteInteger(kCapture, "hold", capture.Hold);
    ini.WriteString(kCapture, "numbering", capture.Numbering);

    const auto& preview = Saved.Preview;
    ini.WriteBool(kPreview, "auto build", preview.AutoBuild);
    ini.WriteString(kPreview, "color mode", PreviewColorModeName(preview.PreviewColor));

    const auto& editor = Saved.Editors.ImageEditor;
    ini.WriteString(kEditors, "img editor name", editor.Name);
    ini.WriteString(kEditors, "img editor location", editor.Location);

    ini.SaveToFile(path);
}

void TSettingsManager::ResetCurrent() {
    Current = Saved;
}

void TSettingsManager::GetDocumentSettings(TXpsSettings& settings) const {
    settings.Fps = Current.General.Fps;
    settings.Step = Current.Capture.Hold;
    settings.Numbering = Current.Capture.Numbering;
    settings.Color = Current.General.LayerColor;
    settings.Format = Current.Capture.CaptureFormat;
    settings.Path = Current.General.DefaultPath;
}
