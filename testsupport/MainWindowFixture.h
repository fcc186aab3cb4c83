#pragma once

#include "app/MainWindow.h"
#include "app/SheetFiles.h"
#include "audio/SheetSound.h"
#include "sheetview/SheetView.h"
#include "testsupport/TempFolder.h"
#include "testsupport/TestAppFolders.h"

#include <QAction>
#include <QMenu>
#include <gtest/gtest.h>
#include <memory>
#include <stdexcept>

// The main window's part with that object name ("CutAction", "EditMenu", "InfoPanel"...): what a
// user finds by its place in the window. Throws when the window has none, so the test fails there.
template <class T = QAction> T* Part(const QObject& window, const char* name) {
    T* part = window.findChild<T*>(name);
    if (!part)
        throw std::runtime_error(std::string("the main window has no ") + name);
    return part;
}

// The folders of a main window on a fresh user folder, with the program's own languages, help and
// licence.
class TMainWindowFixture : public ::testing::Test {
protected:
    TMainWindowFixture() : Folders(TestAppFolders(User)) {}

    std::unique_ptr<TMainWindow> NewWindow() const { return std::make_unique<TMainWindow>(Folders); }

    TTempFolder User;
    TAppFolders Folders;
};
