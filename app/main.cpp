#include "app/CelwrightApp.h"

int main(int argc, char** argv) {
    return RunCelwright(argc, argv);
}
