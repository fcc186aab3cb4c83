#pragma once

#include "app/MainWindow.h"
#include "testsupport/TempFolder.h"

#include <filesystem>

// The main window's folders for a test: the program's own files from the source tree, and the user
// folder "Celwright/3.0/" made inside `user`.
inline TAppFolders TestAppFolders(const TTempFolder& user) {
    std::filesystem::create_directories(user.Path() / "Celwright/3.0");
    return {QString(CELWRIGHT_SOURCE_DIR) + "/", QString::fromStdString(user / "Celwright/3.0/"), {}};
}
