#pragma once

#include "audio/AudioConverter.h"

#include <cstdint>
#include <functional>
#include <string>

class TSoundTrack;

// Reads a sound file into the sheet's audio data: a PCM WAV file directly, anything else after the
// converter has made a WAV file of it.
class TSoundLoader {
public:
    explicit TSoundLoader(TSoundTrack* data);

    // Raised after a successful read.
    std::function<void(TSoundLoader& sender)> OnLoaded;
    // Raised with the message when a conversion fails or its result cannot be read.
    std::function<void(TSoundLoader& sender, const std::string& message)> OnError;

    // Throws ECwError without data ("AudioData structure not assigned.") or when the file is
    // missing. A file named exactly "*.wav" with drawable samples is read at once; any other is
    // converted into `tempFolder` and read when the conversion completes. No more than the first
    // `maxLengthMs` of the sound is read; the data's Shortened says whether the file held more.
    void Load(const std::string& file, const std::string& tempFolder, std::int64_t maxLengthMs);
    // The length limit of the last load.
    std::int64_t LengthLimitMs() const { return MaxLengthMs; }

private:
    // Reads a WAV file's waveform and length when its samples are drawable; `converted` says
    // whether the converter made it, cutting the source at the length limit or not.
    bool ReadDrawable(const std::string& file, bool converted);

    TSoundTrack* Data;
    TAudioConverter Converter;
    std::int64_t MaxLengthMs = 0;
};
