#pragma once

#include "settings/LanguageCatalogue.h"

#include <filesystem>
#include <string>
#include <vector>

// The kinds of movie file the export writes, told by the file's suffix.
enum class TMovieContainer { Avi, Mp4, Matroska, WebM, Gif, PngSequence };

struct TMovieFormat {
    TMovieContainer Container;
    const char* Suffix;       // without the dot, lower case: "avi", "mkv"
    TLanguageKey Description; // the kind's name in the type list, by language key: "MP4 movie"
    const char* Muxer;        // the media platform's multiplexer; "" when Celwright writes it itself
    bool TakesSound;
    // Whether the video may stay uncompressed (no encoder chosen).
    bool TakesRawVideo;
    // The encoders tried first when none is chosen, in order; the first that works is taken.
    std::vector<std::string> DefaultVideo, DefaultAudio;

    // The kind's name in English, for messages: "MP4 movie".
    std::string EnglishDescription() const { return std::string(Description.Text); }
};

// Every kind, AVI first.
const std::vector<TMovieFormat>& MovieFormats();
// The kind whose suffix the file has (case ignored); AVI when the suffix is none of them.
const TMovieFormat& MovieFormatOf(const std::filesystem::path& file);
const TMovieFormat& MovieFormatFor(TMovieContainer container);
// The file name with its suffix made the format's own: "walk" and "walk.mov" give "walk.mp4".
std::string WithMovieSuffix(const std::string& name, const TMovieFormat& format);

// The file of frame `frame` (from 1) of a PNG sequence named `file`: "walk.png" gives
// "walk_0007.png", the number with at least four digits.
std::filesystem::path SequenceFrameFile(const std::filesystem::path& file, std::int32_t frame);
