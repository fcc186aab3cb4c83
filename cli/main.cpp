#include "cli/CelwrightCli.h"

#include <iostream>

int main(int argc, char** argv) {
    RemoveUnfinishedFilesOnSignals();
    return RunCelwrightCli(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}
