// celwright-scan-helper: the SANE source manager in a process of its own, so that a scanner driver
// that never returns holds only this process, which the program then ends. Started by the program
// with its end of a socket as file descriptor 3 and the folder of the remembered default source
// as its argument; not meant to be started by hand.
#include "platform/SaneSourceManager.h"
#include "platform/ScanHelperServer.h"

#include <csignal>
#include <sys/prctl.h>

int main(int argc, char** argv) {
    constexpr int kProgramSocket = 3;
    // A network scanner's connection that drops must give an error, not end the process.
    std::signal(SIGPIPE, SIG_IGN);
    // The helper never outlives the program that started it.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    SetSaneDefaultSourceFolder(argc > 1 ? argv[1] : "");
    return ServeScanHelper(kProgramSocket);
}
