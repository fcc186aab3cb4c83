#pragma once

#include <cstdint>
#include <iosfwd>
#include <map>
#include <optional>
#include <string>
#include <vector>

// Command-line pieces the commands of celwright-cli share.

// The exit statuses of celwright-cli, which scripts rely on.
inline constexpr int kCliExitOk = 0;
inline constexpr int kCliExitFailed = 1;
inline constexpr int kCliExitUsage = 2;
inline constexpr int kCliExitLeftOut = 3; // the file was written, but cels of the sheet were left out

// Options and their values, as "--name VALUE" or "--name=VALUE"; flags take no value.
struct TArguments {
    std::vector<std::string> Positional;
    std::map<std::string, std::string> Values;
    std::string Error; // what was not understood; empty when all was
};

// Splits command arguments into positional ones and the options named in `valued` and `flags`.
TArguments ParseArguments(const std::vector<std::string>& args, const std::vector<std::string>& valued,
                          const std::vector<std::string>& flags);

struct TSize {
    std::int32_t Width = 0;
    std::int32_t Height = 0;
};

// "WxH", each side from 1 to kMaxPictureSide.
std::optional<TSize> ParseSize(const std::string& text);

// Writes "celwright-cli COMMAND: MESSAGE" and the command's help to `err`; returns kCliExitUsage.
int UsageError(const std::string& command, const std::string& message, const char* help, std::ostream& err);
