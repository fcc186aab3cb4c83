#pragma once

#include "imaging/tests/PictureTestSupport.h"
#include "testsupport/TempFolder.h"

#include <cstdint>
#include <string>

// Writes into `project` a sheet of one drawing held for `frames` frames at `fps`, with `sound`,
// and returns the sheet's path: the preview's sound tests need little of the picture.
inline std::string WriteHeldDrawingSheet(const TTempFolder& project, std::int32_t fps, const std::string& sound,
                                         std::int32_t frames) {
    WritePng(project / "a.png", Drawing(64, 48, TRgb{200, 30, 30}, 8, 8, 16));
    const std::string sheet = project / "talk.xps";
    WriteText(sheet, "<xsheet version=\"4.0\">\r\n<settings>\r\n\t<fps>" + std::to_string(fps) +
                         "</fps>\r\n</settings>\r\n<audio>\r\n\t<audiofile>" + sound +
                         "</audiofile>\r\n</audio>\r\n<layers cols=\"1\">\r\n\t<layer col=\"1\" caption=\"\" dir=\"" +
                         (project / "") + "\" color=\"0\" visible=\"1\">\r\n\t\t<cel col=\"1\" row=\"1\" duration=\"" +
                         std::to_string(frames) + "\">a.png</cel>\r\n\t</layer>\r\n</layers>\r\n</xsheet>\r\n");
    return sheet;
}
