#include "audio/SheetSound.h"

#include "audio/VolumeWindow.h"
#include "document/SheetData.h"
#include "base/TemporaryFolders.h"
#include "settings/Folders.h"
#include "sheetview/SheetView.h"
#include "ui/AppTexts.h"

#include <QDir>
#include <filesystem>

TSheetSound::TSheetSound(TSheetView& sheet, QWidget& window, const std::string& sink)
    : ScrubOutput(sink), Sheet(sheet), Window(window), Volume(new TVolumeWindow(&window)) {
    ScrubOutput.OnNoSoundOutput = [this](TScrubOutput&) {
        if (ToldNoOutput || !Info)
            return;
        ToldNoOutput = true;
        Info(Translate(LanguageKey("msgNoSoundOutput")));
    };
}

TSheetSound::~TSheetSound() = default;

std::string TSheetSound::TempFolderIn(const std::string& preferred) {
    // A folder that is gone sends the sound to the system's temporary folder, never beside it.
    std::error_code error;
    const std::string base = std::filesystem::is_directory(preferred, error) ? preferred : SystemTempFolder();
    if (!OwnTemp || base != OwnTempBase) {
        OwnTempBase = base;
        OwnTemp = std::make_unique<QTemporaryDir>(
            QDir(QString::fromStdString(base)).filePath(QString::fromStdString(TemporaryFolderPrefix()) + "XXXXXX"));
    }
    return OwnTemp->isValid() ? OwnTemp->path().toStdString() + "/" : base;
}

void TSheetSound::AudioLoaded() {
    // Widen the window so the audio column shows beside the layers, up to a sheet of 610 pixels.
    const int wanted = Sheet.LayerCount() * Sheet.GridWidth() + Sheet.IndexWidth() + Sheet.ScrollWidth() +
                       Sheet.AudioWidth();
    if (Sheet.width() < 610 && Sheet.width() < wanted)
        Window.resize(wanted + Sheet.mapTo(&Window, QPoint(0, 0)).x() + 14, Window.height());
    const TSoundTrack& audio = Sheet.Document().Data().Audio;
    if (audio.Shortened && Info)
        Info(Fill(Translate(LanguageKey("msgSoundShortened")),
                  {QString::fromStdString(audio.FileName),
                   QString::number(LongestSoundMs(Sheet.Fps()) / 1000)}));
    // The WAV file read, converted when the user's was not one, starts with the sound's first sample
    // and has its length: its slices are the frames' own.
    ScrubOutput.Load(audio.WaveFile);
}

void TSheetSound::ResumeScrubbing() {
    const std::string& wave = Sheet.Document().Data().Audio.WaveFile;
    if (!wave.empty())
        ScrubOutput.Load(wave);
}

void TSheetSound::ScrubStart(std::int32_t pos) {
    const TScrubStep step = Scrub.Begin(pos, Sheet.GridHeight(), Sheet.Fps());
    if (ShowFrame)
        ShowFrame(Sheet.CurrentLayer(), step.Frame);
    if (step.Play)
        ScrubOutput.PlaySlice(step.Start, step.Stop);
}

void TSheetSound::ScrubMove(std::int32_t pos) {
    const TScrubStep step = Scrub.Move(pos, Sheet.GridHeight(), Sheet.Fps());
    if (step.FrameChanged && ShowFrame)
        ShowFrame(Sheet.CurrentLayer(), step.Frame);
    if (step.Play)
        ScrubOutput.PlaySlice(step.Start, step.Stop);
}

void TSheetSound::ScrubEnd() {
    Scrub.End();
}

void TSheetSound::LoadFile(const std::string& file) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error))
        return;
    ScrubOutput.Clear();
    Sheet.LoadAudio(file);
}

void TSheetSound::ClearAudio() {
    Sheet.ClearAudio();
    ScrubOutput.Clear();
}

void TSheetSound::ClearPhonemes() {
    Sheet.ClearPhonemes();
}

void TSheetSound::ClearAll() {
    Sheet.ClearAudioAndPhonemes();
    ScrubOutput.Clear();
}

void TSheetSound::AdjustVolume() {
    Volume->Open(&ScrubOutput);
}
