#include "cli/CliArguments.h"

#include "base/TextUtil.h"
#include "imaging/Picture.h"

#include <algorithm>
#include <ostream>

TArguments ParseArguments(const std::vector<std::string>& args, const std::vector<std::string>& valued,
                          const std::vector<std::string>& flags) {
    TArguments parsed;
    auto isOneOf = [](const std::string& name, const std::vector<std::string>& names) {
        return std::find(names.begin(), names.end(), name) != names.end();
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.rfind("--", 0) != 0) {
            parsed.Positional.push_back(arg);
            continue;
        }
        const std::size_t equals = arg.find('=');
        const std::string name = arg.substr(0, equals);
        if (isOneOf(name, flags)) {
            if (equals != std::string::npos) {
                parsed.Error = name + " takes no value";
                return parsed;
            }
            parsed.Values[name] = "";
        } else if (isOneOf(name, valued)) {
            if (equals != std::string::npos) {
                parsed.Values[name] = arg.substr(equals + 1);
            } else if (i + 1 < args.size()) {
                parsed.Values[name] = args[++i];
            } else {
                parsed.Error = name + " needs a value";
                return parsed;
            }
        } else {
            parsed.Error = "unknown option " + name;
            return parsed;
        }
    }
    return parsed;
}

std::optional<TSize> ParseSize(const std::string& text) {
    const std::size_t x = text.find_first_of("xX");
    if (x == std::string::npos)
        return std::nullopt;
    const auto width = ParseInt32(text.substr(0, x));
    const auto height = ParseInt32(text.substr(x + 1));
    if (!width || !height || *width < 1 || *height < 1 || *width > kMaxPictureSide ||
        *height > kMaxPictureSide)
        return std::nullopt;
    return TSize{*width, *height};
}

int UsageError(const std::string& command, const std::string& message, const char* help, std::ostream& err) {
    err << "celwright-cli " << command << ": " << message << "\n\n" << help;
    return kCliExitUsage;
}
