#pragma once

#include "settings/EncoderSettings.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class TGstPipeline;
struct TGstBusEvent;

// An encoder element of the media platform that can feed the AVI multiplexer.
struct TCompressorInfo {
    std::string Element;     // the element's name, as celwright-cli takes it
    std::string Description; // the element's long name
};

// Encoder settings by property name, in the stored form of TEncoderProperties; values that do not
// fit the encoder are left out when it is set up.
using TCompressorSettings = TEncoderValues;

// The encoder elements whose output the AVI multiplexer takes, by name: video (and image) encoders
// when `video`, audio encoders otherwise. Nothing here says they work.
std::vector<TCompressorInfo> CandidateCompressors(bool video);

// Whether the encoder really encodes a few frames at width x height and `fps` (video), or a short
// 44.1 kHz stereo tone (audio), into an AVI stream; `error` tells why not.
bool CompressorWorks(const std::string& element, bool video, std::int32_t width, std::int32_t height,
                     std::int32_t fps, std::string* error = nullptr);

// The installed compressors: the candidates that work at that size and frame rate.
std::vector<TCompressorInfo> InstalledCompressors(bool video, std::int32_t width, std::int32_t height,
                                                  std::int32_t fps);

// The compression graph: reads the uncompressed movie (and optionally a sound file), passes them
// through the chosen encoders (or none: raw 24-bit video, 16-bit PCM sound) and multiplexes them
// into an AVI file. The graph runs on the media platform's threads; completion and failure are
// reported on the user-interface thread. A graph that fails or is stopped before it finished
// removes its half-written output file.
class TEncodeGraph {
public:
    TEncodeGraph();
    ~TEncodeGraph();
    TEncodeGraph(const TEncodeGraph&) = delete;
    TEncodeGraph& operator=(const TEncodeGraph&) = delete;

    // The output file is complete; the graph has been stopped and cleared.
    std::function<void(TEncodeGraph& sender)> OnCompressionComplete;
    // The graph failed with the media platform's error text; the output file has been removed.
    std::function<void(TEncodeGraph& sender, const std::string& error)> OnCompressionError;

    // Forgets the previous run's sources, encoders and output.
    void InitGraph();
    // False when the file's folder does not exist.
    bool SetOutputFile(const std::filesystem::path& path);
    // False when the file does not exist.
    bool SetVideoSource(const std::filesystem::path& path);
    // The sound plays at most `maxLengthMs`: a movie carries no sound past its last frame.
    bool SetAudioSource(const std::filesystem::path& path, std::int64_t maxLengthMs);
    // An encoder element by name, or "" for none; `settings` are applied to it.
    void SetVideoCompressor(const std::string& element, const TCompressorSettings& settings = {});
    void SetAudioCompressor(const std::string& element, const TCompressorSettings& settings = {});
    // Checks that the stream can be connected: a source, an output and an encoder (if any) that
    // can feed the multiplexer. `error` tells why not.
    bool RenderVideo(std::string* error = nullptr);
    bool RenderAudio(std::string* error = nullptr);
    // Builds the graph and starts it; throws ECwError when it cannot be built or started.
    void RunGraph();
    // Stops the graph and drops it; an unfinished output file is removed.
    void StopGraph();
    bool Running() const { return Graph != nullptr; }

    // Runs the event loop until the running graph completes or fails; returns the error text, or
    // "" on success. For callers without a window.
    std::string WaitForCompletion();

private:
    std::string Description() const;
    void GraphEvent(const TGstBusEvent& event);
    void RemoveOutput();

    std::unique_ptr<TGstPipeline> Graph;
    std::filesystem::path OutputFile, VideoSource, AudioSource;
    std::int64_t AudioLengthMs = 0;
    std::string VideoCompressor, AudioCompressor;
    TCompressorSettings VideoSettings, AudioSettings;
    bool VideoRendered = false, AudioRendered = false;
};

// The raw movie "temp.avi" of a compressed export, in a folder of its own inside `tempFolder` so
// that exports running at once never share it; the folder goes with the object.
class TRawMovieFile {
public:
    // Throws ECwError when the folder cannot be made.
    explicit TRawMovieFile(const std::filesystem::path& tempFolder);
    ~TRawMovieFile();
    TRawMovieFile(const TRawMovieFile&) = delete;
    TRawMovieFile& operator=(const TRawMovieFile&) = delete;

    const std::filesystem::path& Path() const { return File; }
    // Deletes the raw movie; false when it could not be deleted.
    bool Remove();

private:
    std::filesystem::path Folder, File;
};

// Sets up and starts `graph` for one compressed export: `raw` through `videoCompressor` ("" for
// none) into `target`, and when `audioFile` is not empty its first `movieLengthMs` through
// `audioCompressor`. Throws ECwError "failed video" or "failed audio" with the reason.
void StartCompression(TEncodeGraph& graph, const std::filesystem::path& raw,
                      const std::filesystem::path& target, const std::string& videoCompressor,
                      const TCompressorSettings& videoSettings, const std::filesystem::path& audioFile,
                      const std::string& audioCompressor, const TCompressorSettings& audioSettings,
                      std::int64_t movieLengthMs);
