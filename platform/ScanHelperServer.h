#pragma once

// The scan helper's side: answers the program's requests on the socket with this process's SANE
// source manager, and asks the program when the user is to choose a source. Returns when the
// source manager was closed (0) or the program went away (1).
int ServeScanHelper(int socket);
