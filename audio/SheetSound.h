#pragma once

#include "audio/ScrubOutput.h"
#include "audio/Scrubbing.h"

#include <QString>
#include <QTemporaryDir>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class QWidget;
class TVolumeWindow;
class TSheetView;

// The main window's sound: the scrub output holding the sheet's sound, scrubbing from the
// audio column's events, the sound commands and the volume window. The window wires the sheet's
// audio events and its menu items to it.
class TSheetSound {
public:
    // `window` owns the volume window and is widened to show the audio column; `sink` is the
    // scrub output's sound output (tests give a fakesink).
    TSheetSound(TSheetView& sheet, QWidget& window, const std::string& sink = "autoaudiosink");
    ~TSheetSound();

    // Shows the drawing of a frame of the current layer in the thumbnail (layer and frame from 1).
    std::function<void(std::int32_t layer, std::int32_t frame)> ShowFrame;
    // A line for the info panel.
    std::function<void(const QString& text)> Info;

    TScrubOutput ScrubOutput;

    // A folder of this running program for converted sound inside `preferred`, or inside the
    // system's temporary folder when `preferred` is not a folder, so that two running programs
    // never write over each other's "cwAudio.wav"; that base itself when none can be made.
    std::string TempFolderIn(const std::string& preferred);

    // The sheet's events.
    void AudioLoaded();
    // After a sheet that could not be read: the open sheet's own sound scrubs again.
    void ResumeScrubbing();
    void ScrubStart(std::int32_t pos);
    void ScrubMove(std::int32_t pos);
    void ScrubEnd();

    // Commands. Loading a file (import or drop) releases the scrub output first; the clearing commands
    // take an undo snapshot, so a slip of the mouse costs no work.
    void LoadFile(const std::string& file);
    void ClearAudio();
    void ClearPhonemes();
    void ClearAll();
    void AdjustVolume();
    TVolumeWindow& VolumeWindow() { return *Volume; }

private:
    TSheetView& Sheet;
    QWidget& Window;
    TVolumeWindow* Volume; // owned by the window
    TScrubState Scrub;
    std::unique_ptr<QTemporaryDir> OwnTemp; // removed with everything in it when the program ends
    std::string OwnTempBase;
    bool ToldNoOutput = false;
};
