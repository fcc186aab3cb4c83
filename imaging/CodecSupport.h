#pragma once

#include "document/CwError.h"

#include <string>

// The errors of the picture codecs.
inline ECwError PictureReadError(const std::string& name, const std::string& reason) {
    return ECwError("Cannot read the picture \"" + name + "\": " + reason);
}

inline ECwError PictureWriteError(const std::string& name, const std::string& reason) {
    return ECwError("Cannot write the picture \"" + name + "\": " + reason);
}
