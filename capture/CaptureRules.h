#pragma once

#include "document/SheetData.h"
#include "document/SheetRecords.h"
#include "imaging/Picture.h"
#include "platform/StillCamera.h"
#include "settings/PlacementRules.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// What every capture does with a grabbed picture, the same for the capture window and
// celwright-cli: averaging, the filters, the file's name and format, and placing the cel.

// The number of frames averaged when averaging is on.
inline constexpr std::int32_t kAveragedFrames = 8;

// For every pixel and channel of 24-bit frames of one size: the integer mean of the eight values,
// remainder dropped. Throws ECwError when the frames differ in size or format.
TPicture AverageFrames(const std::array<TPicture, kAveragedFrames>& frames);

// Gathers the frames of one capture: one frame, or kAveragedFrames grabbed one after another.
class TFrameCollector {
public:
    void Start(bool averaging);
    // Takes the next frame (24-bit, as the camera gives them); true when the capture has all its
    // frames.
    bool Add(const TPicture& frame);
    std::int32_t Count() const { return Collected; }
    // The captured picture: the frame, or the mean of the frames.
    TPicture Result() const;

private:
    bool Averaging = false;
    std::int32_t Collected = 0;
    std::array<TPicture, kAveragedFrames> Frames;
};

// Turns a picture by 180 degrees in place: (x, y) moves to (width - 1 - x, height - 1 - y).
void TurnUpsideDown(TPicture& picture);

struct TCaptureFilters {
    bool SquarePixels = false; // only for DV cameras
    bool UpsideDown = false;
    bool BlackAndWhite = false;
};

// Applies the filters in their order: square pixels, upside down, black and white (an 8-bit grey
// picture afterwards).
void ProcessCapture(TPicture& picture, const TCaptureFilters& filters);

// Writes a captured picture: PNG with default settings, JPEG at quality 70 (greyscale when black
// and white), or BMP as it is. The file is replaced in one step; failures throw ECwError.
void WriteCapture(const std::string& path, const TPicture& picture, TcwImageFormat format,
                  bool blackAndWhite);

// The name of the folder inside a layer's folder that keeps a still camera's full-size originals.
inline constexpr const char* kOriginalsFolder = "raw";

// Keeps the files a still camera wrote for a picture beside its cel: in the "raw" folder of the
// layer's folder, named like the cel with each file's own extension in lower case (Ink_0007.png
// keeps IMG_0042.CR2 as raw/Ink_0007.cr2). Replaces files of those names; returns their paths.
// Failures throw ECwError naming the file.
std::vector<std::string> KeepStillOriginals(const std::string& layerFolder, const std::string& celFileName,
                                            const std::vector<TStillFile>& files);

// Places a normal capture as the sheet's PlaceHeldCel does, one undo step, and selects the frame
// after it. Works on the document or on the sheet control, which forwards to it and repaints.
template <class TSheet>
void PlaceCapture(TSheet& sheet, std::int32_t layer, std::int32_t frame, const std::string& fileName,
                  std::int32_t hold) {
    sheet.SelectCell(layer, frame + sheet.PlaceHeldCel(layer, frame, fileName, hold));
}
