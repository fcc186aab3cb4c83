// Runs celwright-cli with arbitrary command lines (one argument per input line) in a private folder
// holding a small sheet "s.xps" with one drawing. Paths leaving that folder are left out, and so are
// large frame sizes: the renderer's cost for a big frame the user asked for is no fault.
#include "FuzzFiles.h"
#include "cli/CelwrightCli.h"
#include "document/SheetDocument.h"
#include "document/XpsFile.h"
#include "imaging/PictureCodecs.h"
#include "testsupport/RecordedGPhoto.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string SheetBytes;
std::string DrawingBytes;

std::string ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void MakeSheet() {
    const auto folder = FuzzFolder();
    ::setenv("XDG_CONFIG_HOME", (folder / "config").c_str(), 1);
    ::setenv("HOME", folder.c_str(), 1);
    // No scanner drivers either: an input naming the scanners loads none of SANE's backends.
    std::filesystem::create_directories(folder / "sane");
    ::setenv("SANE_CONFIG_DIR", (folder / "sane").c_str(), 1);
    TPicture drawing(8, 6, TPixelFormat::pf24bit);
    drawing.Fill(200);
    WritePng(folder / "a.png", drawing);
    TSheetDocument sheet;
    sheet.AddLayer("Walk", folder.string() + "/", sheet.DefaultColors);
    sheet.PlaceCelAt(1, 1, "a.png", 3);
    TXpsSettings settings;
    TXpsFile::SaveSheet(folder / "s.xps", sheet, settings);
    SheetBytes = ReadAll(folder / "s.xps");
    DrawingBytes = ReadAll(folder / "a.png");
    std::filesystem::current_path(folder);
}

// A command may have written over the sheet or its drawing; the next input starts from the same files.
void RestoreFile(const char* name, const std::string& bytes) {
    if (ReadAll(name) != bytes)
        std::ofstream(name, std::ios::binary | std::ios::trunc) << bytes;
}

// Paths stay in the folder, and frame sizes (any argument with an "x" and six digits or more) small.
bool Allowed(const std::string& arg) {
    const auto digits = std::count_if(arg.begin(), arg.end(), [](char c) { return c >= '0' && c <= '9'; });
    return !arg.starts_with('/') && !arg.starts_with('~') && arg.find("..") == std::string::npos &&
           !(arg.find_first_of("xX") != std::string::npos && digits >= 6);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    MakeSheet();
    // No still camera: an input naming the cameras does not search this machine's USB bus.
    GPhotoPort() = std::make_shared<TRecordedGPhoto>();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> args;
    std::string arg;
    for (std::size_t i = 0; i <= size; ++i) {
        if (i == size || data[i] == '\n') {
            if (!Allowed(arg))
                return 0;
            args.push_back(arg);
            arg.clear();
        } else {
            arg += static_cast<char>(data[i]);
        }
    }
    std::ostringstream out, err;
    const int status = RunCelwrightCli(args, out, err);
    RestoreFile("s.xps", SheetBytes);
    RestoreFile("a.png", DrawingBytes);
    // Every failure says why.
    if (status < 0 || status > 3 || (status != 0 && err.str().empty()))
        std::abort();
    return 0;
}
