#pragma once

#include "audio/AudioConverter.h"

#include <functional>
#include <string>

class TWavParser;
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
    // converted into `tempFolder` and read when the conversion completes.
    void Load(const std::string& file, const std::string& tempFolder);
    // Reads a WAV file's waveform and length; nothing unless its name ends exactly in ".wav" and
    // its samples are drawable. Throws ECwError when the file is missing.
    void Read(const std::string& file);

private:
    void ReadParsed(const std::string& file, const TWavParser& parser);

    TSoundTrack* Data;
    TAudioConverter Converter;
};
