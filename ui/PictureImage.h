#pragma once

#include <QImage>

class TPicture;

// A copy of a picture as a QImage, for showing it on screen.
QImage PictureToImage(const TPicture& picture);
