#pragma once

#include <csignal>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

// The id of a process that has ended: free again, and naming no running program.
inline long EndedProcess() {
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    ::waitpid(child, nullptr, 0);
    return child;
}

// Another program that is still running, until the object goes.
class TChildProcess {
public:
    TChildProcess() : Pid(::fork()) {
        if (Pid == 0) {
            ::pause();
            ::_exit(0);
        }
    }
    ~TChildProcess() {
        ::kill(Pid, SIGKILL);
        ::waitpid(Pid, nullptr, 0);
    }
    TChildProcess(const TChildProcess&) = delete;
    TChildProcess& operator=(const TChildProcess&) = delete;

    const pid_t Pid;
};
