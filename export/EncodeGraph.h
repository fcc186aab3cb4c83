#pragma once

#include "export/MovieFormat.h"
#include "export/MovieRange.h"
#include "settings/EncoderSettings.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

// An encoder element of the media platform that can feed a movie's multiplexer.
struct TCompressorInfo {
    std::string Element;     // the element's name, as celwright-cli takes it
    std::string Description; // the element's long name
};

// Encoder settings by property name, in the stored form of TEncoderProperties; values that do not
// fit the encoder are left out when it is set up.
using TCompressorSettings = TEncoderValues;

// The encoder elements whose output the format's multiplexer takes, by name: video (and image)
// encoders when `video`, audio encoders otherwise. Nothing here says they work. None for the
// formats Celwright writes itself (GIF, PNG sequence).
std::vector<TCompressorInfo> CandidateCompressors(const TMovieFormat& format, bool video);

// Whether the encoder really encodes a few frames at width x height and `fps` (video), or a short
// 44.1 kHz stereo tone (audio), into the format's multiplexer; `error` tells why not.
bool CompressorWorks(const std::string& element, const TMovieFormat& format, bool video, std::int32_t width,
                     std::int32_t height, std::int32_t fps, std::string* error = nullptr);

// The installed compressors: the candidates that work at that size and frame rate.
std::vector<TCompressorInfo> InstalledCompressors(const TMovieFormat& format, bool video, std::int32_t width,
                                                  std::int32_t height, std::int32_t fps);

// The encoder a movie of that format gets when none is chosen: the first of its defaults that is
// installed and works; "" when the format keeps that stream uncompressed or nothing works.
std::string DefaultCompressor(const TMovieFormat& format, bool video, std::int32_t width, std::int32_t height,
                              std::int32_t fps);

// What a compressed movie is made of.
struct TMovieEncoding {
    const TMovieFormat* Format = nullptr;
    std::int32_t Width = 0, Height = 0, Fps = 0;
    std::string VideoCompressor; // "" keeps the video uncompressed (AVI only)
    TCompressorSettings VideoSettings;
    // The sound file, or empty for none; the movie carries the part of it its range covers,
    // starting at its first frame, with silence after the sound's end.
    std::filesystem::path Sound;
    std::string AudioCompressor; // "" for 16-bit PCM (AVI and Matroska)
    TCompressorSettings AudioSettings;
    TMovieRange Range;
};

// The compression graph: the composited frames go straight in (no intermediate movie), through the
// chosen encoders, into the format's multiplexer and `output`. It works on the calling thread's
// pace: PushFrame waits while the encoders are behind. Failures throw ECwError with the media
// platform's error text; a graph that is dropped unfinished is stopped.
class TMovieEncoder {
public:
    // Builds and starts the graph; throws ECwError "failed video: ..." or "failed audio: ..." when
    // a stream cannot be connected.
    TMovieEncoder(const TMovieEncoding& encoding, const std::filesystem::path& output);
    ~TMovieEncoder();
    TMovieEncoder(const TMovieEncoder&) = delete;
    TMovieEncoder& operator=(const TMovieEncoder&) = delete;

    // The next frame: 24-bit pixels (bytes B, G, R), rows from the top, each padded to 4 bytes.
    void PushFrame(const std::uint8_t* pixels);
    // Ends the movie and waits until the file is complete.
    void Finish();

private:
    struct TGraph;
    std::unique_ptr<TGraph> Graph;
};
