#pragma once

// Small pictures and sheets of drawings for the imaging, export and command-line tests.

#include "document/SheetDocument.h"
#include "imaging/Picture.h"
#include "imaging/PictureCodecs.h"
#include "testsupport/TempFolder.h"

#include <array>
#include <cctype>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <ostream>
#include <string>

// A colour as (R, G, B), the order people write colours in.
struct TRgb {
    int R = 0;
    int G = 0;
    int B = 0;
    bool operator==(const TRgb&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const TRgb& c) {
    return out << '(' << c.R << ", " << c.G << ", " << c.B << ')';
}

inline constexpr TRgb kWhite{255, 255, 255};

// The colour of a pixel of any format (8-bit through the palette).
inline TRgb PixelAt(const TPicture& picture, std::int32_t x, std::int32_t y) {
    const std::uint8_t* row = picture.Row(y);
    if (picture.PixelFormat() == TPixelFormat::pf8bit) {
        const TPaletteEntry& c = picture.Palette[row[x]];
        return {c.Red, c.Green, c.Blue};
    }
    const std::uint8_t* p = row + x * BytesPerPixel(picture.PixelFormat());
    return {p[2], p[1], p[0]};
}

inline void SetPixel(TPicture& picture, std::int32_t x, std::int32_t y, TRgb c) {
    std::uint8_t* p = picture.Row(y) + x * BytesPerPixel(picture.PixelFormat());
    p[0] = static_cast<std::uint8_t>(c.B);
    p[1] = static_cast<std::uint8_t>(c.G);
    p[2] = static_cast<std::uint8_t>(c.R);
    if (picture.PixelFormat() == TPixelFormat::pf32bit)
        p[3] = 255;
}

// A 24-bit (or 32-bit) picture whose pixel (x, y) is colour(x, y).
inline TPicture MakePicture(std::int32_t width, std::int32_t height,
                            const std::function<TRgb(int, int)>& colour,
                            TPixelFormat format = TPixelFormat::pf24bit) {
    TPicture picture(width, height, format);
    for (std::int32_t y = 0; y < height; ++y)
        for (std::int32_t x = 0; x < width; ++x)
            SetPixel(picture, x, y, colour(x, y));
    return picture;
}

inline TPicture Solid(std::int32_t width, std::int32_t height, TRgb colour) {
    return MakePicture(width, height, [&](int, int) { return colour; });
}

// A drawing: white paper with one coloured square at (x, y), `size` pixels wide.
inline TPicture Drawing(std::int32_t width, std::int32_t height, TRgb ink, int x, int y, int size) {
    return MakePicture(width, height, [&](int px, int py) {
        return px >= x && px < x + size && py >= y && py < y + size ? ink : kWhite;
    });
}

// A sheet in a temporary folder whose layers each have a folder of their own ("L1/", "L2/", ...).
class TSheetFixture {
public:
    TSheetDocument Sheet;
    TTempFolder Folder;

    // Adds a layer with its folder; returns its number (1-based).
    std::int32_t AddLayer() {
        const std::int32_t layer = Sheet.LayerCount() + 1;
        const std::string folder = LayerFolder(layer);
        std::filesystem::create_directories(folder);
        Sheet.AddLayer("", folder, Sheet.DefaultColors);
        return layer;
    }
    std::string LayerFolder(std::int32_t layer) const { return Folder / ("L" + std::to_string(layer) + "/"); }
    // Writes the drawing as a PNG (or whatever the name's extension says) into the layer's folder.
    void WriteDrawing(std::int32_t layer, const std::string& name, const TPicture& picture) const {
        const std::string path = LayerFolder(layer) + name;
        std::string extension = std::filesystem::path(name).extension().string();
        for (char& c : extension)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (extension == ".bmp")
            WriteBmp(path, picture);
        else if (extension == ".jpg" || extension == ".jpeg")
            WriteJpeg(path, picture, 95, false);
        else
            WritePng(path, picture);
    }
    // Places `name` on the layer from `frame` (1-based) for `hold` frames and writes its drawing.
    void Place(std::int32_t layer, std::int32_t frame, std::int32_t hold, const std::string& name,
               const TPicture& picture) {
        WriteDrawing(layer, name, picture);
        Sheet.PlaceCelAt(layer, frame, name, hold);
    }
};
