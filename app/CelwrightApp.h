#pragma once

// Starts the program: the splash, the main window, the event loop. Returns the exit status.
int RunCelwright(int argc, char** argv);
