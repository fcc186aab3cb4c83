#pragma once

#include "audio/Scrubbing.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class TGstPipeline;
typedef struct _GstElement GstElement;

// The preview's playback graph for the sheet's sound: the file decoded, converted, resampled,
// through a volume stage to the sound output, held paused between plays so that a play starts
// at once. Inactive (no graph) until a file is rendered into it.
class TAudioGraph {
public:
    // `sink` is the output element's launch description; tests give a fakesink.
    explicit TAudioGraph(std::string sink = "autoaudiosink");
    ~TAudioGraph();
    TAudioGraph(const TAudioGraph&) = delete;
    TAudioGraph& operator=(const TAudioGraph&) = delete;

    // Raised when a rendered file found no sound output and plays silently.
    std::function<void(TAudioGraph& sender)> OnNoSoundOutput;

    bool Active() const { return Graph != nullptr; }
    // Builds the chain for `file` and prerolls it paused; false, leaving the graph inactive, when
    // the file cannot be played.
    bool RenderFile(const std::string& file);
    // Stops and drops the graph.
    void Clear();
    // Plays from `start` to `stop` (100 ns units, absolute) and halts there.
    void PlaySegment(TMediaTime start, TMediaTime stop);
    // Halts where it is; the next PlaySegment goes on from its own start.
    void Pause();
    // The place in the file being heard now, in nanoseconds, or -1 when inactive, not playing (a
    // segment that has not yet set out included) or not known.
    std::int64_t HeardNs() const;

    // The output element, or null when inactive.
    GstElement* Sink() const;
    // The graph plays into a real sound output.
    bool HasSoundOutput() const { return SoundOutput; }

private:
    bool Build(const std::string& file, const std::string& sink);

    std::string SinkDescription;
    std::unique_ptr<TGstPipeline> Graph;
    bool SoundOutput = false;
};
