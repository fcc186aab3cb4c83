#pragma once

#include <map>
#include <string>
#include <vector>

// Options and their values, as "--name VALUE" or "--name=VALUE"; flags take no value.
struct TArguments {
    std::vector<std::string> Positional;
    std::map<std::string, std::string> Values;
    std::string Error; // what was not understood; empty when all was
};

// Splits command arguments into positional ones and the options named in `valued` and `flags`.
TArguments ParseArguments(const std::vector<std::string>& args, const std::vector<std::string>& valued,
                          const std::vector<std::string>& flags);
