#include "document/CelPictures.h"
#include "base/TextUtil.h"
#include "document/SheetDocument.h"
#include "imaging/PictureCodecs.h"

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

enum class TCelDecoder { None, Jpeg, Png, Bmp };

TCelDecoder DecoderForName(const std::string& name) {
    const std::string extension = ToLowerAscii(fs::path(name).extension().string());
    if (extension == ".jpg" || extension == ".jpeg")
        return TCelDecoder::Jpeg;
    if (extension == ".png")
        return TCelDecoder::Png;
    if (extension == ".bmp")
        return TCelDecoder::Bmp;
    return TCelDecoder::None;
}

bool IsDirectory(const std::string& folder) {
    std::error_code error;
    return !folder.empty() && fs::is_directory(folder, error);
}

bool IsFile(const fs::path& path) {
    std::error_code error;
    return fs::is_regular_file(path, error);
}

} // namespace

bool TSheetDocument::CelImageExists(std::int32_t layer, std::int32_t frame) const {
    const TCel* cel = CelAt(layer, frame);
    if (!cel)
        return false;
    const std::string folder = LayerFolder(layer);
    return IsDirectory(folder) && IsFile(folder + cel->Name);
}

std::string TSheetDocument::CelDrawingFile(const TCel& cel) const {
    const std::string folder = LayerFolder(cel.Col + 1);
    if (!IsDirectory(folder))
        return {};
    const std::string path = folder + cel.Name;
    if (IsFile(path))
        return path;
    // Linked imports: a symbolic link named after the cel plus ".lnk" points at the drawing.
    const fs::path link = path + ".lnk";
    std::error_code error;
    if (!fs::is_symlink(link, error))
        return {};
    fs::path target = fs::read_symlink(link, error);
    if (error)
        return {};
    if (target.is_relative())
        target = link.parent_path() / target;
    return IsFile(target) ? target.string() : std::string();
}

std::string TSheetDocument::CelImageFile(std::int32_t layer, std::int32_t frame) const {
    const TCel* cel = CelAt(layer, frame);
    // A name without a picture extension shows nothing, rather than whatever was decoded last.
    if (!cel || DecoderForName(cel->Name) == TCelDecoder::None)
        return {};
    return CelDrawingFile(*cel);
}

bool TSheetDocument::CelDrawingMissing(std::int32_t layer, std::int32_t frame) const {
    const TCel* cel = CelAt(layer, frame);
    return cel && CelDrawingFile(*cel).empty();
}

bool TSheetDocument::ReadCelImage(std::int32_t layer, std::int32_t frame, TPicture& picture) const {
    const std::string file = CelImageFile(layer, frame);
    return !file.empty() && ReadCelPicture(CelName(layer, frame), file, picture);
}

const TPicture* TSheetDocument::GetCelImage(std::int32_t layer, std::int32_t frame) {
    if (!CelPicture)
        CelPicture = std::make_shared<TPicture>();
    return ReadCelImage(layer, frame, *CelPicture) ? CelPicture.get() : nullptr;
}

void TSheetDocument::CelImagePaths(const TCellRect& cells, std::vector<std::string>& list) const {
    list.clear();
    const std::int32_t left = std::max(cells.Left, 1);
    const std::int32_t right = std::min(cells.Right, LayerCount());
    const std::int32_t top = std::max(cells.Top, 1);
    const std::int32_t bottom = std::min(cells.Bottom, FrameCount());
    for (std::int32_t layer = left; layer <= right; ++layer) {
        const TCel* previous = nullptr;
        for (std::int32_t frame = top; frame <= bottom; ++frame) {
            const TCel* cel = CelAt(layer, frame);
            // A held cel fills consecutive slots of its layer, so comparing with the slot above
            // is enough to list each cel once.
            if (cel && cel != previous)
                list.push_back(LayerFolder(layer) + cel->Name);
            previous = cel;
        }
    }
}

bool ReadCelPicture(const std::string& celName, const std::string& file, TPicture& picture) {
    // The cel's name picks the decoder, not the name of a link's target.
    switch (DecoderForName(celName)) {
    case TCelDecoder::Jpeg:
        ReadJpeg(file, picture);
        return true;
    case TCelDecoder::Png:
        ReadPng(file, picture);
        return true;
    case TCelDecoder::Bmp:
        ReadBmp(file, picture);
        return true;
    case TCelDecoder::None:
        break;
    }
    return false;
}

bool GetFirstImageInfo(TSheetDocument& sheet, std::int32_t& width, std::int32_t& height, TPixelFormat& format) {
    for (std::int32_t frame = 1; frame <= sheet.FrameCount(); ++frame) {
        for (std::int32_t layer = 1; layer <= sheet.LayerCount(); ++layer) {
            if (const TPicture* picture = sheet.GetCelImage(layer, frame)) {
                width = picture->Width();
                height = picture->Height();
                format = picture->PixelFormat();
                return true;
            }
        }
    }
    return false;
}
