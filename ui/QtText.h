#pragma once

#include <QString>
#include <string>

// Below the windows text is UTF-8 in std::string; these cross into Qt's text and back.

inline QString FromStd(const std::string& text) {
    return QString::fromStdString(text);
}

inline std::string ToStd(const QString& text) {
    return text.toStdString();
}
