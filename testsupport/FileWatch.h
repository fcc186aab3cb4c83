#pragma once

#include <string>
#include <sys/inotify.h>
#include <unistd.h>

// Counts the times a file is opened or read, from the moment the watch is made.
class TFileWatch {
public:
    explicit TFileWatch(const std::string& path) : Handle(::inotify_init1(IN_NONBLOCK)) {
        ::inotify_add_watch(Handle, path.c_str(), IN_OPEN | IN_ACCESS);
    }
    ~TFileWatch() { ::close(Handle); }
    int Events() const {
        alignas(inotify_event) char buffer[4096];
        int events = 0;
        for (ssize_t got; (got = ::read(Handle, buffer, sizeof buffer)) > 0;) {
            for (char* at = buffer; at < buffer + got; at += sizeof(inotify_event) + reinterpret_cast<inotify_event*>(at)->len)
                ++events;
        }
        return events;
    }

private:
    int Handle;
};
