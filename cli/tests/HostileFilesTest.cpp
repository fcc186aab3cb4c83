// celwright-cli as a separate process on hostile and damaged files: each run must end within a
// budget of memory and processor time measured by the system, with a message naming the file.
#include "imaging/tests/HostilePictures.h"
#include "imaging/tests/PictureTestSupport.h"
#include "testsupport/TempFolder.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr long kMemoryBudgetMb = 300;
constexpr double kTimeBudgetSeconds = 5;

struct TRun {
    int Status = -1; // exit status, or -1 when a signal ended the process
    int Signal = 0;
    std::string Err;
    long MaxRssMb = 0;
    double CpuSeconds = 0;
};

class HostileFilesTest : public ::testing::Test {
protected:
    // As `out`: a pipe whose reader has gone, as when `| head -c1` has read its byte.
    static constexpr const char* kClosedPipe = "";

    // Runs the program with its standard output into `out`; `whileRunning` gets the process id.
    TRun Run(const std::vector<std::string>& args, const std::string& out = "/dev/null",
             const std::function<void(pid_t)>& whileRunning = {}) {
        const std::string errPath = Files / "stderr.txt";
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::setenv("XDG_CONFIG_HOME", (Config / "").c_str(), 1);
            ::setenv("TMPDIR", Temporary.Path().c_str(), 1);
            int outFd = -1;
            if (out == kClosedPipe) {
                int ends[2];
                if (::pipe(ends) == 0) {
                    ::close(ends[0]);
                    outFd = ends[1];
                }
            } else {
                outFd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            }
            const int errFd = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            ::dup2(outFd, STDOUT_FILENO);
            ::dup2(errFd, STDERR_FILENO);
            std::vector<char*> argv{const_cast<char*>(CELWRIGHT_CLI)};
            for (const std::string& arg : args)
                argv.push_back(const_cast<char*>(arg.c_str()));
            argv.push_back(nullptr);
            ::execv(CELWRIGHT_CLI, argv.data());
            ::_exit(127);
        }
        if (whileRunning)
            whileRunning(pid);
        int status = 0;
        rusage usage{};
        ::wait4(pid, &status, 0, &usage);
        TRun run;
        if (WIFEXITED(status))
            run.Status = WEXITSTATUS(status);
        else if (WIFSIGNALED(status))
            run.Signal = WTERMSIG(status);
        run.Err = ReadText(errPath);
        run.MaxRssMb = usage.ru_maxrss / 1024;
        run.CpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
        return run;
    }

    // A sheet of one layer in the files folder whose one cel, held `hold` frames, is `name`.
    std::string SheetOf(const std::string& name, int hold = 1) {
        const std::string sheet = Files / (name + ".xps");
        WriteText(sheet, "<xsheet version=\"4.0\">\r\n<settings>\r\n\t<fps>12</fps>\r\n</settings>\r\n"
                         "<layers cols=\"1\">\r\n\t<layer col=\"1\" caption=\"\" dir=\"" +
                             (Files / "") +
                             "\" color=\"0\" visible=\"1\">\r\n\t\t<cel col=\"1\" row=\"1\" duration=\"" +
                             std::to_string(hold) + "\">" + name +
                             "</cel>\r\n\t</layer>\r\n</layers>\r\n</xsheet>\r\n");
        return sheet;
    }

    void ExpectWithinBudget(const TRun& run) {
        EXPECT_LT(run.MaxRssMb, kMemoryBudgetMb);
        EXPECT_LT(run.CpuSeconds, kTimeBudgetSeconds);
    }

    TTempFolder Config;
    TTempFolder Files;
    TTempFolder Temporary; // the system's temporary folder, for the program
};

TEST_F(HostileFilesTest, PictureBombsAndDamagedPicturesFailWithinBudgetNamingTheFile) {
    const hostile::TBytes jpeg = hostile::SmallJpeg(Files / "scratch.jpg");
    struct TCase {
        std::string Name;
        hostile::TBytes Bytes;
        std::string Reason;
    };
    const std::vector<TCase> cases = {
        {"rle-bomb.bmp", hostile::Rle8Bmp(32768, 32768, 1080), "the picture claims 32768 x 32768 pixels"},
        {"rle-short.bmp", hostile::Rle8Bmp(9000, 9000, 1080), "the file is too short"},
        {"bomb.png", hostile::PngClaiming(20000, 20000), "the picture claims 20000 x 20000 pixels"},
        {"short.png", hostile::PngClaiming(9000, 9000), "the file is too short"},
        {"bomb.jpg", hostile::JpegClaiming(jpeg, 20000, 20000), "the picture claims 20000 x 20000 pixels"},
        {"short.jpg", hostile::JpegClaiming(jpeg, 9000, 9000), "the file is too short"},
        {"damaged.jpg", hostile::DamagedJpeg(jpeg), "Corrupt JPEG data"},
        {"cut.jpg", hostile::TBytes(jpeg.begin(), jpeg.begin() + static_cast<long>(jpeg.size() / 3)),
         "the file is truncated"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        WriteText(Files / c.Name, std::string(c.Bytes.begin(), c.Bytes.end()));
        const TRun run = Run({"render", SheetOf(c.Name), "--out-dir", Files / "out"});
        EXPECT_EQ(run.Status, 1);
        EXPECT_NE(run.Err.find("Cannot read the picture \"" + (Files / c.Name) + "\": " + c.Reason),
                  std::string::npos)
            << run.Err;
        ExpectWithinBudget(run);
    }
    EXPECT_FALSE(fs::exists(Files / "out/0001.png"));
}

TEST_F(HostileFilesTest, DeclaredLayerCountsCostOnlyWhatTheFileHolds) {
    const std::string lines(1'000'000, '\n');
    const std::vector<std::pair<std::string, std::string>> sheets = {
        {"tagged.xps",
         "<xsheet version=\"4.0\">\n<settings>\n</settings>\n<layers cols=\"1000000\">\n"
         "<layer col=\"1\" caption=\"Walk\">\n<cel row=\"1\" duration=\"1637\">a.png</cel>\n</layer>\n" +
             lines + "</layers>\n</xsheet>\n"},
        {"version1.xps", "fps=12\ncols=1000000\nlayer1path=/anim/\nbegin\ncol1\na.png\n" + lines},
    };
    for (const auto& [name, text] : sheets) {
        SCOPED_TRACE(name);
        WriteText(Files / name, text);
        const TRun run = Run({"info", Files / name}, Files / "info.txt");
        EXPECT_EQ(run.Status, 0) << run.Err;
        EXPECT_NE(ReadText(Files / "info.txt").find("Layers:         1\n"), std::string::npos);
        EXPECT_LT(run.MaxRssMb, 200);
        EXPECT_LT(run.CpuSeconds, 2);
    }
}

TEST_F(HostileFilesTest, AnInterruptedExportLeavesNoTemporaryFile) {
    WritePng(Files / "paper.png", Solid(2000, 1500, kWhite));
    const std::string sheet = SheetOf("paper.png", 1637);
    auto temporaryFile = [&]() -> fs::path {
        for (const auto& entry : fs::directory_iterator(Files.Path())) {
            if (entry.path().filename().string().starts_with(".movie.avi.tmp"))
                return entry.path();
        }
        return {};
    };
    for (const int signal : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(signal);
        bool sawTemporary = false;
        const TRun run = Run({"export", sheet, Files / "movie.avi"}, "/dev/null", [&](pid_t pid) {
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
            while (std::chrono::steady_clock::now() < deadline) {
                std::error_code error;
                const fs::path temp = temporaryFile();
                if (!temp.empty() && fs::file_size(temp, error) > (1u << 20)) {
                    sawTemporary = true;
                    break;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
            ::kill(pid, signal);
        });
        EXPECT_TRUE(sawTemporary);
        EXPECT_EQ(run.Signal, signal);
        EXPECT_EQ(temporaryFile(), fs::path());
        EXPECT_FALSE(fs::exists(Files / "movie.avi"));
    }
}

// The compressed route encodes the frames straight into a temporary file beside the target: an
// interruption by either signal leaves nothing behind, neither there nor in the temporary folder.
TEST_F(HostileFilesTest, AnInterruptedCompressedExportLeavesNoTemporaryFolderNorTarget) {
    // Noise, so that the PNG encoder takes its time.
    WritePng(Files / "noise.png", MakePicture(640, 480, [](int x, int y) {
                 const int v =
                     static_cast<int>((static_cast<unsigned>(x * 7919 + y * 104729) * 2654435761u) >> 24);
                 return TRgb{v, v, v};
             }));
    const std::string sheet = SheetOf("noise.png", 240);
    // The size of the largest file under `folder` whose name contains `name`.
    auto largest = [](const fs::path& folder, const std::string& name) {
        std::uintmax_t size = 0;
        bool found = false;
        std::error_code error;
        for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end;
             it.increment(error)) {
            if (it->is_regular_file(error) &&
                it->path().filename().string().find(name) != std::string::npos) {
                found = true;
                size = std::max(size, it->file_size(error));
            }
        }
        return found ? std::optional<std::uintmax_t>(size) : std::nullopt;
    };
    for (const int signal : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(signal);
        bool reached = false;
        const TRun run = Run(
            {"export", sheet, Files / "movie.avi", "--video-codec", "pngenc"}, "/dev/null", [&](pid_t pid) {
                const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
                while (!reached && std::chrono::steady_clock::now() < deadline) {
                    reached = largest(Files.Path(), "movie.avi").value_or(0) > (1u << 20);
                    std::this_thread::sleep_for(std::chrono::milliseconds(2));
                }
                ::kill(pid, signal);
            });
        EXPECT_TRUE(reached);
        EXPECT_EQ(run.Signal, signal) << run.Err;
        EXPECT_TRUE(fs::is_empty(Temporary.Path()));
        EXPECT_EQ(largest(Files.Path(), "movie.avi"), std::nullopt);
    }
}

TEST_F(HostileFilesTest, OutputThatCannotBeWrittenIsAFailure) {
    WritePng(Files / "a.png", Solid(4, 4, kWhite));
    const TRun full = Run({"info", SheetOf("a.png")}, "/dev/full");
    EXPECT_EQ(full.Status, 1);
    EXPECT_NE(full.Err.find("celwright-cli: cannot write the output: No space left on device"),
              std::string::npos)
        << full.Err;
    const TRun closed = Run({"info", SheetOf("a.png")}, kClosedPipe);
    EXPECT_EQ(closed.Signal, 0);
    EXPECT_EQ(closed.Status, 1);
    EXPECT_NE(closed.Err.find("celwright-cli: cannot write the output: Broken pipe"), std::string::npos)
        << closed.Err;

    // A sheet saved into a character device goes into it and leaves the device as it was.
    std::string device = Files / "null";
    if (::mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0)
        device = "/dev/null";
    EXPECT_EQ(Run({"upgrade", SheetOf("a.png"), device}).Status, 0);
    struct stat info {};
    ::stat(device.c_str(), &info);
    EXPECT_TRUE(S_ISCHR(info.st_mode));
    EXPECT_EQ(Run({"upgrade", SheetOf("a.png"), Files / ""}).Err,
              "Cannot write \"" + (Files / "") + "\": it is a folder\n");
}

} // namespace
