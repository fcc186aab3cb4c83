// Reads arbitrary bytes as the desktop's "user-dirs.dirs" to find the documents folder, which must
// come out as a folder that exists.
#include "FuzzFiles.h"
#include "settings/Folders.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    WriteFuzzFile("user-dirs.dirs", data, size);
    TFolderEnvironment env;
    env.Home = FuzzFolder().string();
    env.ConfigHome = FuzzFolder().string();
    const std::string documents = DocumentsFolder(env);
    std::error_code error;
    if (documents.empty() || !std::filesystem::is_directory(documents, error))
        std::abort();
    return 0;
}
