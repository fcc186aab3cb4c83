#pragma once

#include "export/EncodeGraph.h"
#include "imaging/Picture.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

class TCompositor;

// How an export reports and is stopped: frames done out of the total after each frame (and 0
// before the first), and a question asked after each frame; true stops the export with ECwError
// "The export was cancelled.", leaving no file.
struct TExportProgress {
    std::function<void(std::int32_t done, std::int32_t total)> OnProgress;
    std::function<bool()> Aborted;
};

// Whether the movie passes through the media platform's encoders: all but an uncompressed AVI
// without sound, a GIF and a PNG sequence.
bool PassesThroughEncoders(const TMovieEncoding& encoding);

// The files an export names, none of which may be one of the sheet's own: the target, and each
// picture of a PNG sequence.
std::vector<std::filesystem::path> MovieFiles(const std::filesystem::path& target, const TMovieEncoding& encoding);

// Writes the movie of the sheet's frames in `encoding.Range` to `target`, in `encoding.Format`: an
// uncompressed AVI without sound straight from the compositor (streamed into a pipe or a device),
// GIF and PNG sequences by Celwright's own writers, everything else through the media platform's
// encoders. The target (each picture of a sequence) is replaced only once it is complete. Returns
// the line the export ends with: "Build Complete" or "Compression complete.".
std::string ExportSheetMovie(TCompositor& rostrum, const TMovieEncoding& encoding,
                             const std::filesystem::path& target, const TExportProgress& progress);

// The same for the preview's rendered frames: frames[0], then frames[order[i]] for i from 1, at
// the size of frames[0] (encoding's size and range are taken from them).
std::string ExportFrameMovie(const TFrameArray& order, const TImageArray& frames, TMovieEncoding encoding,
                             const std::filesystem::path& target, const TExportProgress& progress);
