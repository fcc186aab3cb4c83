#pragma once
// A private temporary folder for the fuzz targets whose readers take files rather than bytes.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

// The folder, made on first use and removed when the process ends.
inline const std::filesystem::path& FuzzFolder() {
    static const std::filesystem::path folder = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "celwright-fuzz-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            std::abort();
        static const std::string made = pattern;
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(made, ignored);
        });
        return std::filesystem::path(pattern);
    }();
    return folder;
}

// Writes the input as FuzzFolder()/name and returns its path.
inline std::filesystem::path WriteFuzzFile(const std::string& name, const std::uint8_t* data,
                                           std::size_t size) {
    const std::filesystem::path path = FuzzFolder() / name;
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    return path;
}
