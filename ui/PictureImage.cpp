#include "ui/PictureImage.h"

#include "imaging/Picture.h"

QImage PictureToImage(const TPicture& picture) {
    if (picture.Empty())
        return {};
    const auto stride = static_cast<qsizetype>(picture.Stride());
    switch (picture.PixelFormat()) {
    case TPixelFormat::pf8bit: {
        QImage image(picture.Row(0), picture.Width(), picture.Height(), stride, QImage::Format_Indexed8);
        QList<QRgb> colours;
        colours.reserve(256);
        for (const TPaletteEntry& entry : picture.Palette)
            colours.push_back(qRgb(entry.Red, entry.Green, entry.Blue));
        image.setColorTable(colours);
        return image.copy();
    }
    case TPixelFormat::pf24bit:
        return QImage(picture.Row(0), picture.Width(), picture.Height(), stride, QImage::Format_BGR888)
            .copy();
    case TPixelFormat::pf32bit:
        return QImage(picture.Row(0), picture.Width(), picture.Height(), stride, QImage::Format_ARGB32)
            .copy();
    }
    return {};
}
