// Writes the render bench's project into a folder: a 240-frame sheet of three layers whose
// 640 x 480 PNG drawings are held on twos, and for ffmpeg the same frames as numbered picture
// sequences, one per layer (one link per frame to the drawing the sheet shows there).
//
// Usage: celwright-bench-render-fixture FOLDER [--frames N] [--layers L] [--size WxH]
#include "imaging/PictureCodecs.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

namespace fs = std::filesystem;

namespace {

constexpr int kHold = 2;

struct TFixture {
    int Width = 640;
    int Height = 480;
    int Frames = 240;
    int Layers = 3;
};

struct TInk {
    std::uint8_t B, G, R;
};

void Plot(TPicture& picture, int x, int y, TInk ink) {
    if (x < 0 || y < 0 || x >= picture.Width() || y >= picture.Height())
        return;
    std::uint8_t* p = picture.Row(y) + 3 * x;
    p[0] = ink.B;
    p[1] = ink.G;
    p[2] = ink.R;
}

// A pencil ring: the outline of a circle, `thickness` pixels wide, over a lightly tinted fill.
void Ring(TPicture& picture, double cx, double cy, double radius, double thickness, TInk line, TInk fill) {
    const int top = static_cast<int>(cy - radius - thickness),
              bottom = static_cast<int>(cy + radius + thickness);
    const int left = static_cast<int>(cx - radius - thickness),
              right = static_cast<int>(cx + radius + thickness);
    for (int y = top; y <= bottom; ++y) {
        for (int x = left; x <= right; ++x) {
            const double d = std::hypot(x - cx, y - cy);
            if (std::abs(d - radius) <= thickness / 2)
                Plot(picture, x, y, line);
            else if (d < radius)
                Plot(picture, x, y, fill);
        }
    }
}

void Line(TPicture& picture, double x0, double y0, double x1, double y1, TInk ink) {
    const int steps = static_cast<int>(std::max(std::abs(x1 - x0), std::abs(y1 - y0))) + 1;
    for (int i = 0; i <= steps; ++i) {
        const double x = x0 + (x1 - x0) * i / steps, y = y0 + (y1 - y0) * i / steps;
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                Plot(picture, static_cast<int>(x) + dx, static_cast<int>(y) + dy, ink);
    }
}

// Drawing `n` of layer `layer`: a background of room lines, a bouncing ball, a swaying figure,
// and for further layers the same again, shifted. Laid out for 640 x 480 and scaled to the size.
TPicture Draw(const TFixture& f, int layer, int n) {
    TPicture picture(640, 480, TPixelFormat::pf24bit);
    picture.Fill(255);
    const TInk pencil{60, 60, 60};
    const double t = n / 120.0 + layer / 3 * 0.1;
    if (layer % 3 == 0) {
        const double wobble = std::sin(n * 0.7) * 2;
        Line(picture, 0, 380 + wobble, 640, 380 - wobble, pencil);
        Line(picture, 520, 380, 520 + wobble, 60, pencil);
        Line(picture, 40, 120, 200, 120 + wobble, {120, 120, 120});
        Ring(picture, 560, 80, 30, 3, {40, 140, 200}, {200, 235, 255});
    } else if (layer % 3 == 1) {
        const double x = 40 + 560 * t;
        const double y = 350 - std::abs(std::sin(t * 3 * 3.14159)) * 260;
        Ring(picture, x, y, 28, 4, {30, 30, 160}, {190, 190, 250});
    } else {
        const double x = 200 + std::sin(t * 6.28) * 120;
        Ring(picture, x, 200, 40, 3, pencil, {220, 230, 220});
        Line(picture, x, 240, x, 330, pencil);
        Line(picture, x, 330, x - 30 + 10 * std::sin(n * 0.5), 379, pencil);
        Line(picture, x, 330, x + 30 - 10 * std::sin(n * 0.5), 379, pencil);
    }
    if (f.Width == 640 && f.Height == 480)
        return picture;
    TPicture scaled(f.Width, f.Height, TPixelFormat::pf24bit);
    for (int y = 0; y < f.Height; ++y)
        for (int x = 0; x < f.Width; ++x)
            std::memcpy(scaled.Row(y) + 3 * x, picture.Row(y * 480 / f.Height) + 3 * (x * 640 / f.Width), 3);
    return scaled;
}

std::string Numbered(int n) {
    char name[16];
    std::snprintf(name, sizeof name, "%04d.png", n);
    return name;
}

} // namespace

int main(int argc, char** argv) {
    TFixture f;
    bool usage = argc < 2 || argc % 2 != 0;
    for (int i = 2; !usage && i + 1 < argc; i += 2) {
        const std::string option = argv[i], value = argv[i + 1];
        if (option == "--frames")
            f.Frames = std::atoi(value.c_str());
        else if (option == "--layers")
            f.Layers = std::atoi(value.c_str());
        else if (option == "--size")
            usage = std::sscanf(value.c_str(), "%dx%d", &f.Width, &f.Height) != 2;
        else
            usage = true;
    }
    if (usage || f.Frames < kHold || f.Layers < 1 || f.Width < 1 || f.Height < 1) {
        std::cerr << "Usage: celwright-bench-render-fixture FOLDER [--frames N] [--layers L] [--size WxH]\n";
        return 2;
    }
    const fs::path root = fs::absolute(argv[1]);
    const int drawings = f.Frames / kHold;
    std::string layers;
    for (int layer = 0; layer < f.Layers; ++layer) {
        const fs::path folder = root / ("layer" + std::to_string(layer + 1));
        const fs::path sequence = root / ("frames" + std::to_string(layer + 1));
        fs::create_directories(folder);
        fs::create_directories(sequence);
        layers += "\t<layer col=\"" + std::to_string(layer + 1) + "\" caption=\"\" dir=\"" + folder.string() +
                  "/\" color=\"0\" visible=\"1\">\r\n";
        for (int n = 1; n <= drawings; ++n) {
            WritePng(folder / Numbered(n), Draw(f, layer, n));
            const int frame = (n - 1) * kHold + 1;
            layers += "\t\t<cel col=\"" + std::to_string(layer + 1) + "\" row=\"" + std::to_string(frame) +
                      "\" duration=\"" + std::to_string(kHold) + "\">" + Numbered(n) + "</cel>\r\n";
            for (int k = 0; k < kHold; ++k)
                fs::create_symlink(folder / Numbered(n), sequence / Numbered(frame + k));
        }
        layers += "\t</layer>\r\n";
    }
    std::ofstream sheet(root / "bench.xps", std::ios::binary);
    sheet << "<xsheet version=\"4.0\">\r\n<settings>\r\n\t<fps>24</fps>\r\n\t<step>2</step>\r\n"
             "\t<numbering>sequential</numbering>\r\n\t<color>0</color>\r\n\t<format>png</format>\r\n"
             "\t<path>"
          << root.string() << "/</path>\r\n</settings>\r\n<audio>\r\n</audio>\r\n<layers cols=\"" << f.Layers
          << "\">\r\n"
          << layers << "</layers>\r\n</xsheet>\r\n";
    return sheet ? 0 : 1;
}
