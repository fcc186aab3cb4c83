#pragma once

#include "cli/CelwrightCli.h"
#include "testsupport/TempFolder.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

// celwright-cli run in this process, with its preferences in a fresh configuration folder and a
// temporary folder for the files it reads and writes.
class TCliFixture : public ::testing::Test {
protected:
    TCliFixture() { ::setenv("XDG_CONFIG_HOME", (Config / "").c_str(), 1); }

    // Runs the program; what it prints is in Out and Err.
    int Run(const std::vector<std::string>& args) {
        Out.str("");
        Err.str("");
        return RunCelwrightCli(args, Out, Err);
    }

    // Writes the settings file ("celwright.ini") of the configuration folder.
    void WritePreferences(const std::string& text) {
        std::filesystem::create_directories(Config.Path() / "Celwright/3.0");
        WriteText(Config.Path() / "Celwright/3.0/celwright.ini", text);
    }

    TTempFolder Config;
    TTempFolder Files;
    std::ostringstream Out;
    std::ostringstream Err;
};

// For the commands that put a new picture on a sheet: a sheet of 40 frames (the least a sheet opens
// with) whose layer "Ink" keeps its drawings in ink/ and whose layer "Gone" names a folder that does
// not exist.
class TNewCelCliFixture : public TCliFixture {
protected:
    // `settings` is the settings file's text; `inkCels` the cel lines of the layer "Ink".
    void MakeSheet(const std::string& settings, const std::string& inkCels) {
        WritePreferences(settings);
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

    // What "info" prints about the sheet.
    std::string Info() {
        std::ostringstream out, err;
        RunCelwrightCli({"info", Sheet}, out, err);
        return out.str();
    }

    std::string Sheet;
};
