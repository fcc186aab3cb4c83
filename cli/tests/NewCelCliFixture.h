#pragma once

#include "cli/CelwrightCli.h"
#include "testsupport/TempFolder.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

// For the commands that put a new picture on a sheet: a sheet of 40 frames (the least a sheet opens
// with) whose layer "Ink" keeps its drawings in ink/ and whose layer "Gone" names a folder that does
// not exist, with the settings file of a private configuration folder.
class TNewCelCliFixture : public ::testing::Test {
protected:
    // `settings` is the settings file's text; `inkCels` the cel lines of the layer "Ink".
    void MakeSheet(const std::string& settings, const std::string& inkCels) {
        ::setenv("XDG_CONFIG_HOME", (Config / "").c_str(), 1);
        std::filesystem::create_directories(Config.Path() / "Celwright/3.0");
        WriteText(Config.Path() / "Celwright/3.0/celwright.ini", settings);
        std::filesystem::create_directories(Files.Path() / "ink");
        Sheet = Files / "s.xps";
        WriteText(Sheet, "<xsheet version=\"4.0\">\r\n<settings>\r\n\t<fps>24</fps>\r\n</settings>\r\n"
                         "<audio>\r\n</audio>\r\n<layers cols=\"2\">\r\n"
                         "\t<layer col=\"1\" caption=\"Ink\" dir=\"" +
                             Files / "ink/" + "\" color=\"0\" visible=\"1\">\r\n" + inkCels +
                             "\t</layer>\r\n"
                             "\t<layer col=\"2\" caption=\"Gone\" dir=\"" +
                             Files / "missing/" +
                             "\" color=\"0\" visible=\"1\">\r\n\t</layer>\r\n"
                             "</layers>\r\n</xsheet>\r\n");
    }

    int Run(const std::vector<std::string>& args) {
        Out.str("");
        Err.str("");
        return RunCelwrightCli(args, Out, Err);
    }

    std::string Info() {
        std::ostringstream out, err;
        RunCelwrightCli({"info", Sheet}, out, err);
        return out.str();
    }

    TTempFolder Config;
    TTempFolder Files;
    std::string Sheet;
    std::ostringstream Out;
    std::ostringstream Err;
};
