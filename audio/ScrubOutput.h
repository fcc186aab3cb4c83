#pragma once

#include "audio/Scrubbing.h"

#include <cstdint>
#include <fstream>
#include <functional>
#include <memory>
#include <string>

class TGstPipeline;
typedef struct _GstElement GstElement;
typedef struct _GstCaps GstCaps;

// The main window's sound output for scrubbing: from the moment a sound is loaded until it is
// cleared, one graph plays a steady stream of silence, and each scrub puts one slice of the sheet's
// WAV file into that stream. The graph is never flushed or sought: seeking a playing sound server's
// output soon leaves it writing at places its server drops. A new slice replaces at once whatever
// of the last one has not yet left for the output, so it is heard after no more than the output's
// own short buffer, and never behind an earlier slice.
class TScrubOutput {
public:
    // `sink` is the output element's launch description; tests give a fakesink.
    explicit TScrubOutput(std::string sink = "autoaudiosink");
    ~TScrubOutput();
    TScrubOutput(const TScrubOutput&) = delete;
    TScrubOutput& operator=(const TScrubOutput&) = delete;

    // Raised when a loaded file found no sound output and scrubs silently.
    std::function<void(TScrubOutput& sender)> OnNoSoundOutput;

    bool Active() const { return Graph != nullptr; }
    // Opens a WAV file of samples the waveform reader draws (its start and length are the sound's
    // own) and sets the output playing; false, leaving the output inactive, when the file has no
    // such samples, claims more than 384 kHz or 64 channels, or no output can be made.
    bool Load(const std::string& wavFile);
    // Stops and drops the output.
    void Clear();
    // Plays the sound from `start` to `stop` (100 ns units from its first sample) in place of what
    // is left of the last slice.
    void PlaySlice(TMediaTime start, TMediaTime stop);

    // Level 0 (silent) to 10000 (full): an attenuation of 10000 - v hundredths of a decibel.
    std::int32_t Volume() const { return Level; }
    // False, changing nothing, outside 0..10000. The level outlives the loaded file.
    bool SetVolume(std::int32_t volume);
    // The output element, or null when inactive.
    GstElement* Sink() const;
    // The output plays into a real sound output.
    bool HasSoundOutput() const { return SoundOutput; }

private:
    struct TFeed;

    bool Build(const std::string& sink, GstCaps* caps);
    void ApplyVolume();

    std::string SinkDescription;
    std::unique_ptr<TFeed> Feed;
    std::unique_ptr<TGstPipeline> Graph; // after Feed: stopped before the feed it reads goes
    std::ifstream Samples;
    std::uint64_t DataOffset = 0;
    std::uint64_t DataBytes = 0;
    std::int32_t Level = 10000;
    bool SoundOutput = false;
};
