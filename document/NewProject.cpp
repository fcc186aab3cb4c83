#include "document/NewProject.h"

#include "base/Error.h"
#include "document/SheetDocument.h"
#include "document/XpsFile.h"

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

std::string TNewProject::SheetPath() const {
    return Folder + Name + ".xps";
}

std::string TNewProject::LayerFolder(std::size_t index) const {
    return Folder + Name + "_" + LayerCaptions[index] + "/";
}

std::vector<std::string> MakeProjectFiles(const TNewProject& project, const TXpsSettings& settings,
                                          const TLayerColors& colors) {
    std::vector<std::string> existing;
    std::vector<fs::path> made;
    try {
        TSheetDocument sheet;
        for (std::size_t k = 0; k < project.LayerCaptions.size(); ++k) {
            const fs::path folder = fs::path(project.LayerFolder(k)).parent_path();
            std::error_code error;
            if (fs::is_directory(folder, error)) {
                existing.push_back(project.LayerCaptions[k]);
            } else if (fs::create_directory(folder, error)) {
                made.push_back(folder);
            } else {
                // A file of that name makes no error of its own.
                throw ECwError(folder.string() + ": " +
                               (error ? error.message() : std::string("a file of this name is in the way")));
            }
            sheet.AddLayer(project.LayerCaptions[k], project.LayerFolder(k), colors);
        }
        TXpsFile::SaveSheet(project.SheetPath(), sheet, settings);
    } catch (const ECwError&) {
        std::error_code ignored;
        for (const fs::path& folder : made)
            fs::remove(folder, ignored);
        throw;
    }
    return existing;
}
