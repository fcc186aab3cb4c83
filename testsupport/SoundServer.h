#pragma once

#include "testsupport/TempFolder.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <optional>
#include <stdexcept>
#include <string>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

// A private sound server for one test: a PulseAudio daemon in a scratch folder with one null sink,
// which the process's sound outputs reach as they would a desktop's server. Nothing of the user's
// session is used or changed: the daemon keeps its socket, state and cookie in the scratch folder,
// is never autospawned, and is ended (also when the test process dies) with the object.
class TSoundServer {
public:
    static constexpr const char* kSinkName = "celwright_test";

    TSoundServer() {
        WriteText(Folder / "server.pa",
                  std::string("load-module module-native-protocol-unix auth-anonymous=1 socket=") + Socket() +
                      "\nload-module module-null-sink sink_name=" + kSinkName +
                      " rate=48000 channels=2\nset-default-sink " + kSinkName + "\n");
        WriteText(Folder / "client.conf", "autospawn = no\n");
        Start();
        Remember("PULSE_SERVER", "unix:" + Socket());
        Remember("PULSE_CLIENTCONFIG", Folder / "client.conf");
    }
    ~TSoundServer() {
        for (auto it = Saved.rbegin(); it != Saved.rend(); ++it) {
            if (it->second)
                setenv(it->first.c_str(), it->second->c_str(), 1);
            else
                unsetenv(it->first.c_str());
        }
        kill(Pid, SIGTERM);
        waitpid(Pid, nullptr, 0);
    }
    TSoundServer(const TSoundServer&) = delete;
    TSoundServer& operator=(const TSoundServer&) = delete;

    // The source that hears everything the sink plays.
    static std::string Monitor() { return std::string(kSinkName) + ".monitor"; }

private:
    std::string Socket() const { return Folder / "native"; }

    void Start() {
        const std::string runtime = Folder / "";
        // Root is allowed a per-user daemon when its home and runtime folders are its own.
        std::vector<std::string> env = {"HOME=" + runtime, "XDG_RUNTIME_DIR=" + runtime,
                                        "PULSE_RUNTIME_PATH=" + runtime, "PULSE_STATE_PATH=" + runtime,
                                        "PATH=/usr/bin:/bin"};
        std::vector<std::string> args = {"pulseaudio",        "-n",
                                         "--daemonize=no",    "--exit-idle-time=-1",
                                         "--disallow-exit",   "--use-pid-file=no",
                                         "--log-level=error", "-F",
                                         Folder / "server.pa"};
        std::vector<char*> argv, envp;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        for (auto& e : env)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        const std::string log = Folder / "server.log";
        Pid = fork();
        if (Pid == 0) {
            prctl(PR_SET_PDEATHSIG, SIGTERM);
            const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            dup2(out, 1);
            dup2(out, 2);
            execve("/usr/bin/pulseaudio", argv.data(), envp.data());
            _exit(127);
        }
        if (Pid < 0)
            throw std::runtime_error("cannot start the test sound server");
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!Answers()) {
            if (waitpid(Pid, nullptr, WNOHANG) == Pid || std::chrono::steady_clock::now() > deadline)
                throw std::runtime_error("the test sound server did not start: " + ReadText(log));
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }

    bool Answers() const {
        const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        Socket().copy(address.sun_path, sizeof(address.sun_path) - 1);
        const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
        close(fd);
        return ok;
    }

    void Remember(const std::string& name, const std::string& value) {
        const char* old = std::getenv(name.c_str());
        Saved.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
        setenv(name.c_str(), value.c_str(), 1);
    }

    TTempFolder Folder;
    pid_t Pid = -1;
    std::vector<std::pair<std::string, std::optional<std::string>>> Saved;
};
