#pragma once

#include <stdexcept>
#include <string>

// The one exception type of Celwright: a failing command throws it with the exact text the user sees.
class ECwError : public std::runtime_error {
public:
    explicit ECwError(const std::string& message) : std::runtime_error(message) {}
};

// The error of a text that should have been a whole number: "'abc' is not a valid integer value".
inline ECwError InvalidIntegerError(const std::string& text) {
    return ECwError("'" + text + "' is not a valid integer value");
}
