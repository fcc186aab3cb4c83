// A real program process killed with SIGKILL at seeded points of a scripted session of editing,
// capturing and scanning, then started again and recovered: the sheet comes back as it was after a
// step of the session, never older than the last picture placed or the last change that had had
// its write interval to reach the disk.
#include "testsupport/TempFolder.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <poll.h>
#include <random>
#include <sstream>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {
constexpr int kSteps = 16;
constexpr unsigned kSessionSeed = 27;
// A change waits at most the write interval (500 ms) for its record; more on a busy machine.
constexpr long long kSettleMs = 1500;

long long MonotonicMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1'000'000;
}

// The session program, its output read line by line.
class TSession {
public:
    TSession(const fs::path& work, const std::vector<std::string>& args) {
        int out[2];
        if (pipe2(out, O_CLOEXEC) != 0)
            throw std::runtime_error("pipe");
        Pid = fork();
        if (Pid == 0) {
            dup2(out[1], STDOUT_FILENO);
            setenv("QT_QPA_PLATFORM", "offscreen", 1);
            setenv("SANE_CONFIG_DIR", (work / "sane").c_str(), 1);
            setenv("XDG_CONFIG_HOME", (work / "user").c_str(), 1);
            std::vector<char*> argv{const_cast<char*>(CELWRIGHT_RECOVERY_SESSION)};
            for (const std::string& arg : args)
                argv.push_back(const_cast<char*>(arg.c_str()));
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
        close(out[1]);
        Out = out[0];
    }
    ~TSession() {
        Kill();
        close(Out);
    }

    // The next line, or nothing when the program ended or `ms` passed.
    std::optional<std::string> ReadLine(int ms) {
        const long long until = MonotonicMs() + ms;
        for (;;) {
            if (const std::size_t end = Buffer.find('\n'); end != std::string::npos) {
                std::string line = Buffer.substr(0, end);
                Buffer.erase(0, end + 1);
                return line;
            }
            const long long left = std::max(0LL, until - MonotonicMs());
            pollfd poller{Out, POLLIN, 0};
            if (poll(&poller, 1, static_cast<int>(left)) <= 0)
                return std::nullopt;
            char chunk[4096];
            const ssize_t got = read(Out, chunk, sizeof chunk);
            if (got <= 0) {
                AtEnd = true;
                return std::nullopt;
            }
            Buffer.append(chunk, static_cast<std::size_t>(got));
        }
    }
    // The program closed its output: it ended.
    bool Finished() const { return AtEnd; }
    void Kill() {
        if (Pid > 0 && !Ended) {
            kill(Pid, SIGKILL);
            Wait();
        }
    }
    int Wait() {
        int status = 0;
        waitpid(Pid, &status, 0);
        Ended = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    pid_t Pid = -1;
    int Out = -1;
    bool Ended = false;
    bool AtEnd = false;
    std::string Buffer;
};

struct TStep {
    long long Ms = 0;
    std::string Hash;
    bool Picture = false;
};

// What one session printed: step 0 is the sheet as opened.
struct TSessionLog {
    std::vector<TStep> Steps;
    void Add(const std::string& line) {
        std::istringstream words(line);
        std::string what;
        words >> what;
        TStep step;
        if (what == "ready") {
            words >> step.Ms >> step.Hash;
        } else if (what == "done") {
            std::size_t index = 0;
            std::string kind;
            words >> index >> step.Ms >> step.Hash >> kind;
            step.Picture = kind == "picture";
        } else {
            return;
        }
        Steps.push_back(step);
    }
};

// Every run works in the same folder, made afresh: the folders are part of the sheet.
void PrepareWork(const fs::path& work) {
    fs::remove_all(work);
    fs::create_directories(work / "ink");
    fs::create_directories(work / "paper");
    fs::create_directories(work / "user/Celwright/3.0");
    fs::create_directories(work / "sane");
    fs::create_directories(work / "state/celwright/recovery");
    WriteText(work / "sane/dll.conf", "test\n");
    WriteText(work / "sane/test.conf", "test-picture \"Grid\"\n");
    WriteText(work / "user/Celwright/3.0/celwright.ini",
              "[capture devices]\ntest camera=1\n[capture preferences]\nnumbering=sequential\n");
    WriteText(work / "shoot.xps",
              "<xsheet version=\"4.0\">\r\n<settings>\r\n\t<fps>24</fps>\r\n</settings>\r\n<audio>\r\n</audio>\r\n"
              "<layers cols=\"2\">\r\n"
              "\t<layer col=\"1\" caption=\"Ink\" dir=\"" + (work / "ink/").string() + "\" color=\"0\" visible=\"1\">\r\n"
              "\t\t<cel col=\"1\" row=\"1\" duration=\"3\">a.png</cel>\r\n"
              "\t\t<cel col=\"1\" row=\"6\" duration=\"2\">b.png</cel>\r\n\t</layer>\r\n"
              "\t<layer col=\"2\" caption=\"Paper\" dir=\"" + (work / "paper/").string() + "\" color=\"1\" visible=\"1\">\r\n"
              "\t\t<cel col=\"2\" row=\"2\" duration=\"4\">c.png</cel>\r\n\t</layer>\r\n</layers>\r\n</xsheet>\r\n");
}

std::string Recovered(const fs::path& work) {
    TSession recover(work, {"recover", work.string()});
    const std::optional<std::string> line = recover.ReadLine(60000);
    EXPECT_EQ(recover.Wait(), 0) << "the recovered sheet is not marked modified";
    return line ? *line : "nothing";
}

class KillTest : public ::testing::Test {
protected:
    // The session run to its end, once: what every step gives.
    static void SetUpTestSuite() {
        Base = new TTempFolder;
        PrepareWork(Work());
        TSession session(Work(), {"run", Work().string(), std::to_string(kSessionSeed), std::to_string(kSteps)});
        Reference = new TSessionLog;
        while (const auto line = session.ReadLine(60000))
            Reference->Add(*line);
        EXPECT_EQ(session.Wait(), 0);
    }
    static void TearDownTestSuite() {
        delete Reference;
        delete Base;
    }
    static fs::path Work() { return Base->Path() / "work"; }

    // Kills a session when `killNow` says so (given what it printed; asked at least every
    // `pollMs`), then recovers it and checks the sheet that comes back.
    static void KillAndRecover(const fs::path& work, const std::function<bool(const TSessionLog&)>& killNow,
                               int pollMs = 5) {
        TSessionLog log;
        long long killedAt = 0;
        {
            TSession session(work, {"run", work.string(), std::to_string(kSessionSeed), std::to_string(kSteps)});
            const long long started = MonotonicMs();
            while (!killNow(log) && !session.Finished() && MonotonicMs() - started < 120000) {
                if (const auto line = session.ReadLine(pollMs))
                    log.Add(*line);
            }
            killedAt = MonotonicMs();
            session.Kill();
            while (const auto line = session.ReadLine(0))
                log.Add(*line);
        }
        ASSERT_FALSE(log.Steps.empty()) << "the session never started";
        for (std::size_t i = 0; i < log.Steps.size(); ++i)
            ASSERT_EQ(log.Steps[i].Hash, Reference->Steps[i].Hash) << "the session is not repeatable at step " << i;

        // The oldest state that may come back: the last picture placed, and the last change that
        // had its time to reach the disk.
        std::size_t oldest = 0;
        for (std::size_t i = 0; i < log.Steps.size(); ++i) {
            if (log.Steps[i].Picture || log.Steps[i].Ms <= killedAt - kSettleMs)
                oldest = i;
        }
        const std::size_t newest = std::min(log.Steps.size(), Reference->Steps.size() - 1);
        const std::string recovered = Recovered(work);
        SCOPED_TRACE("killed after step " + std::to_string(log.Steps.size() - 1) + ", " + recovered);
        if (recovered == "recovered none") {
            EXPECT_EQ(oldest, 0u) << "changes were lost";
            return;
        }
        bool found = false;
        for (std::size_t i = oldest; i <= newest; ++i)
            found = found || recovered == "recovered " + Reference->Steps[i].Hash;
        EXPECT_TRUE(found) << "the sheet came back as after none of steps " << oldest << " to " << newest;
    }

    static TSessionLog* Reference;
    static TTempFolder* Base;
};
TSessionLog* KillTest::Reference = nullptr;
TTempFolder* KillTest::Base = nullptr;
} // namespace

TEST_F(KillTest, EveryCompletedChangeSurvivesAKillAnywhereInTheSession) {
    ASSERT_EQ(Reference->Steps.size(), static_cast<std::size_t>(kSteps + 1));
    const long long length = Reference->Steps.back().Ms - Reference->Steps.front().Ms;
    std::mt19937 random(27);
    for (int run = 0; run < 6; ++run) {
        const long long after = std::uniform_int_distribution<long long>(0, length)(random);
        SCOPED_TRACE("killed " + std::to_string(after) + " ms into the session");
        PrepareWork(Work());
        KillAndRecover(Work(), [after](const TSessionLog& log) {
            return !log.Steps.empty() && MonotonicMs() >= log.Steps.front().Ms + after;
        });
    }
}

TEST_F(KillTest, AKillDuringTheRecordsWriteLeavesTheRecordBefore) {
    // The kill comes as the writer makes its temporary file for the third record: mid-write.
    bool interrupted = false;
    for (int attempt = 0; attempt < 3 && !interrupted; ++attempt) {
        PrepareWork(Work());
        const fs::path folder = Work() / "state/celwright/recovery";
        const int watcher = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        ASSERT_GE(watcher, 0);
        inotify_add_watch(watcher, folder.c_str(), IN_CREATE);
        int writes = 0;
        KillAndRecover(Work(), [&](const TSessionLog& log) {
            pollfd poller{watcher, POLLIN, 0};
            poll(&poller, 1, 5);
            alignas(inotify_event) char events[4096];
            const ssize_t got = read(watcher, events, sizeof events);
            for (ssize_t at = 0; at < got;) {
                const auto* event = reinterpret_cast<const inotify_event*>(events + at);
                // Records written while the session starts do not count.
                if (!log.Steps.empty() && event->len > 0 &&
                    std::string(event->name).find(".record.tmp") != std::string::npos)
                    ++writes;
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
            return writes >= 3;
        }, 0);
        close(watcher);
        for (const fs::directory_entry& file : fs::directory_iterator(folder))
            interrupted = interrupted || file.path().filename().string().find(".record.tmp") != std::string::npos;
    }
    EXPECT_TRUE(interrupted) << "no kill landed inside a write";
}
