#pragma once

#include "document/SheetObjects.h"

#include <string>
#include <vector>

struct TXpsSettings;

// The files of a new project with folders: the sheet "<name>.xps" in `Folder` and beside it one
// folder per layer, "<name>_<caption>".
struct TNewProject {
    std::string Name;
    std::string Folder; // ends with "/"
    std::vector<std::string> LayerCaptions;

    std::string SheetPath() const;
    // The folder of layer `index` (from 0); ends with "/".
    std::string LayerFolder(std::size_t index) const;
};

// Makes the layer folders that are missing and writes the sheet that names them (empty layers of
// `colors`, with `settings`), so that the project opens as it stands. When a folder or the sheet
// cannot be made, the folders made here are removed again and ECwError names what failed and why.
// Returns the captions of the layers whose folders were there already.
std::vector<std::string> MakeProjectFiles(const TNewProject& project, const TXpsSettings& settings,
                                          const TLayerColors& colors);
