#pragma once

#include <cstdio>
#include <string>

// Runs a shell command and returns what it wrote to its standard output; empty when it cannot run.
inline std::string CommandOutput(const std::string& command) {
    std::string text;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return text;
    char buffer[4096];
    while (const std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe))
        text.append(buffer, n);
    ::pclose(pipe);
    return text;
}
