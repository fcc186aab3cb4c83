// Start-up on large language and profile files: a language file of 100,000 keys and a profiles.ini
// of 20,000 sections. Prints the best of several loads of each, and the time to merely split the
// same bytes into lines as a reference measured in the same run: loading should stay a small
// multiple of it however many keys there are.
#include "base/TextUtil.h"
#include "settings/Preferences.h"
#include "settings/LanguageTable.h"
#include "settings/Profiles.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

namespace {
constexpr int kRuns = 5;

double BestMilliseconds(const std::function<void()>& work) {
    double best = 1e300;
    for (int run = 0; run < kRuns; ++run) {
        const auto start = std::chrono::steady_clock::now();
        work();
        const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count());
    }
    return best;
}

void Report(const char* what, std::size_t bytes, double load, double reference) {
    std::printf("%-34s %9zu bytes  load %8.1f ms  split into lines %6.1f ms  ratio %5.1f\n", what, bytes,
                load, reference, load / reference);
}
} // namespace

int main() {
    for (const int keys : {10'000, 100'000, 400'000}) {
        std::string language;
        for (int i = 0; i < keys; ++i)
            language += "msgKey" + std::to_string(i) + "\tText number " + std::to_string(i) + "\r\n";
        TLanguageTable handler;
        const double load = BestMilliseconds([&] { handler.LoadLanguageText(language); });
        const double reference = BestMilliseconds([&] { SplitLines(DecodeText(language)); });
        Report(("language file, " + std::to_string(keys) + " keys").c_str(), language.size(), load,
               reference);
    }

    const auto folder = std::filesystem::temp_directory_path() / "celwright-bench-profiles";
    std::filesystem::create_directories(folder);
    for (const int sections : {2'000, 20'000}) {
        std::string profiles;
        for (int i = 0; i < sections; ++i)
            profiles += "[Animator " + std::to_string(i) + "]\ndefault path=/anim/" + std::to_string(i) +
                        "/\ncapture mode=cmStopMotion\n";
        std::ofstream(folder / "profiles.ini", std::ios::binary) << profiles;
        const TSettings saved;
        TProfileList list(saved, folder.string());
        const double load = BestMilliseconds([&] { list.LoadProfiles(); });
        const double reference = BestMilliseconds([&] { SplitLines(DecodeText(profiles)); });
        Report(("profiles.ini, " + std::to_string(sections) + " sections").c_str(), profiles.size(), load,
               reference);
    }
    std::filesystem::remove_all(folder);
    return 0;
}
