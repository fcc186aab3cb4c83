// Sound timings. Scrub latency: the time from a scrub move to the first sample of its slice heard
// at a private sound server's sink, as on a desktop, over 50 moves, and how many moves were never
// heard. Waveform: the waveform of a 10-minute 48 kHz stereo WAV,
// and loading and drawing it through the sheet control, beside reading the same file's bytes. Conversion: an MP3
// to WAV through the converter, beside ffmpeg doing the same when it is installed.
#include "audio/AudioConverter.h"
#include "audio/ScrubOutput.h"
#include "audio/Scrubbing.h"
#include "audio/Waveform.h"
#include "document/SheetObjects.h"
#include "platform/GstMedia.h"
#include "sheetview/AudioColumn.h"
#include "sheetview/SheetView.h"
#include "testsupport/MonitorRecording.h"
#include "testsupport/SoundServer.h"

#include <QApplication>
#include <QEventLoop>
#include <QTest>
#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <time.h>
#include <thread>
#include <vector>

namespace {

using TClock = std::chrono::steady_clock;

struct TStats {
    double Median, P95;
};

TStats Stats(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], times[std::min(times.size() - 1, times.size() * 95 / 100)]};
}

void WriteWav(const std::string& path, int seconds, int rate, int channels) {
    const std::uint32_t frames = static_cast<std::uint32_t>(seconds * rate);
    const std::uint32_t dataSize = frames * channels * 2;
    std::ofstream out(path, std::ios::binary);
    auto put = [&out](std::uint32_t v, int n) {
        for (int i = 0; i < n; ++i)
            out.put(static_cast<char>(v >> (8 * i)));
    };
    out.write("RIFF", 4);
    put(36 + dataSize, 4);
    out.write("WAVEfmt ", 8);
    put(16, 4);
    put(1, 2);
    put(channels, 2);
    put(rate, 4);
    put(rate * channels * 2, 4);
    put(channels * 2, 2);
    put(16, 2);
    out.write("data", 4);
    put(dataSize, 4);
    std::vector<std::int16_t> block(static_cast<std::size_t>(rate) * channels);
    for (int s = 0; s < seconds; ++s) {
        for (int i = 0; i < rate; ++i)
            for (int c = 0; c < channels; ++c)
                block[static_cast<std::size_t>(i * channels + c)] =
                    static_cast<std::int16_t>(12000 * std::sin(2 * M_PI * (220 + s) * i / rate));
        out.write(reinterpret_cast<const char*>(block.data()),
                  static_cast<std::streamsize>(block.size() * 2));
    }
}

// Wall and processor time of one run, in milliseconds.
struct TRunTime {
    double WallMs = -1;
    double CpuMs = -1;
};

// Processor time of the calling thread, to the nanosecond: getrusage's counts go in scheduler ticks.
double ThreadCpuMs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1e6;
}

double CpuMs(int who) {
    rusage usage{};
    getrusage(who, &usage);
    return (static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
}

// One conversion of `mp3` into `folder` by the converter; times of -1 when it fails.
TRunTime Convert(const std::string& mp3, const std::string& folder) {
    TAudioConverter converter;
    QEventLoop waiting;
    bool failed = false;
    converter.OnConversionComplete = [&](TAudioConverter&, const std::string&) { waiting.quit(); };
    converter.OnConversionError = [&](TAudioConverter&, const std::string&) {
        failed = true;
        waiting.quit();
    };
    std::string result;
    const double cpu = CpuMs(RUSAGE_SELF);
    const auto begin = TClock::now();
    if (!converter.Convert(mp3, folder, 3600 * 1000, result))
        return {};
    // Waiting idle, as the window does: a polling loop would take processor time from the work.
    waiting.exec();
    if (failed)
        return {};
    return {std::chrono::duration<double, std::milli>(TClock::now() - begin).count(), CpuMs(RUSAGE_SELF) - cpu};
}

// One run of a shell command; times of -1 when it fails.
TRunTime Run(const std::string& command) {
    const double cpu = CpuMs(RUSAGE_CHILDREN);
    const auto begin = TClock::now();
    if (std::system(command.c_str()) != 0)
        return {};
    return {std::chrono::duration<double, std::milli>(TClock::now() - begin).count(), CpuMs(RUSAGE_CHILDREN) - cpu};
}

// The best of each kind of time over runs.
void KeepBest(TRunTime& best, const TRunTime& run) {
    if (run.WallMs < 0)
        return;
    best.WallMs = best.WallMs < 0 ? run.WallMs : std::min(best.WallMs, run.WallMs);
    best.CpuMs = best.CpuMs < 0 ? run.CpuMs : std::min(best.CpuMs, run.CpuMs);
}

// Milliseconds from each move to its first sample heard at the server's sink, recorded from the
// sink's monitor; -1 for a move whose sound did not come within a second.
std::vector<double> HeardScrubLatency(const std::string& file,
                                      const std::vector<std::pair<TMediaTime, TMediaTime>>& moves) {
    TSoundServer server;
    TMonitorRecording recording;
    TScrubOutput output;
    if (!output.Load(file) || !output.HasSoundOutput())
        return {};
    std::vector<double> times;
    for (const auto& [start, stop] : moves) {
        const std::int64_t begin = TMonitorRecording::Now();
        output.PlaySlice(start, stop);
        std::int64_t heard = -1;
        for (int i = 0; i < 1000 && heard < 0; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            heard = recording.FirstSoundFrom(begin);
        }
        times.push_back(heard < 0 ? -1.0 : (heard - begin) / 1e6);
        // The slice plays out and the sink falls quiet before the next move.
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
    }
    return times;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("celwright-sound-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);

    // 50 scrub moves of 25 rows each at 24 fps and 20-pixel rows, down a one-minute file: each plays
    // the slice of the frame it lands on, all within the file (moves of 45 rows ran past its end from
    // the 32nd on, and those were counted as never heard).
    const std::string minute = (folder / "minute.wav").string();
    WriteWav(minute, 60, 44100, 2);
    TScrubState scrub;
    scrub.Begin(0, 20, 24);
    std::vector<std::pair<TMediaTime, TMediaTime>> moves;
    for (int i = 1; i <= 50; ++i) {
        const TScrubStep step = scrub.Move(i * 25 * 20, 20, 24);
        moves.emplace_back(step.Start, step.Stop);
    }
    std::vector<double> heard;
    try {
        heard = HeardScrubLatency(minute, moves);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
    }
    const auto unheard = std::count(heard.begin(), heard.end(), -1.0);
    heard.erase(std::remove(heard.begin(), heard.end(), -1.0), heard.end());
    if (heard.empty() && unheard == 0)
        std::printf("scrub move to first sample heard          no sound server\n");
    else if (heard.empty())
        std::printf("scrub move to first sample heard (server) none of %d moves heard\n",
                    static_cast<int>(unheard));
    else
        std::printf("scrub move to first sample heard (server) median %6.2f ms   worst %6.2f ms   "
                    "%d of %d moves never heard\n",
                    Stats(heard).Median, *std::max_element(heard.begin(), heard.end()),
                    static_cast<int>(unheard), static_cast<int>(heard.size() + unheard));
    double loadAverage[3] = {0, 0, 0};
    if (getloadavg(loadAverage, 3) == 3)
        std::printf("load average                              %.2f %.2f %.2f\n", loadAverage[0], loadAverage[1],
                    loadAverage[2]);

    // The waveform of ten minutes of 48 kHz stereo sound.
    const std::string tenMinutes = (folder / "ten-minutes.wav").string();
    WriteWav(tenMinutes, 600, 48000, 2);
    TSheetView sheet;
    sheet.resize(800, 600);
    sheet.show();
    if (!QTest::qWaitForWindowExposed(&sheet)) {
        std::fprintf(stderr, "the control was never shown\n");
        return 1;
    }
    sheet.AddLayer("", "", sheet.Document().DefaultColors);
    // At 1 fps the sheet's 1637 frames span 27 minutes: the whole file is read.
    sheet.SetFps(1);
    std::vector<double> loads, reads, waveforms, readsCpu, waveformsCpu;
    TSoundTrack track;
    for (int run = 0; run < 25; ++run) {
        // Processor time of this thread alone, which a busy machine changes less than the wall's.
        double cpu = ThreadCpuMs();
        auto begin = TClock::now();
        {
            // Reading the file once, through a buffer of the size the waveform reader uses, whose
            // bytes lie at their place in the file's pages as the reader's do: a buffer a few bytes
            // further on would take the kernel's copy four times as long.
            std::ifstream in(tenMinutes, std::ios::binary);
            alignas(4096) static std::array<char, 256 << 10> block;
            while (in.read(block.data(), static_cast<std::streamsize>(block.size())) || in.gcount() > 0) {
            }
        }
        reads.push_back(std::chrono::duration<double, std::milli>(TClock::now() - begin).count());
        readsCpu.push_back(ThreadCpuMs() - cpu);
        cpu = ThreadCpuMs();
        begin = TClock::now();
        std::int32_t lengthMs = 0;
        ReadWaveformFile(tenMinutes, 3600 * 1000, track, lengthMs);
        waveforms.push_back(std::chrono::duration<double, std::milli>(TClock::now() - begin).count());
        waveformsCpu.push_back(ThreadCpuMs() - cpu);
        begin = TClock::now();
        sheet.LoadAudio(tenMinutes);
        sheet.repaint();
        loads.push_back(std::chrono::duration<double, std::milli>(TClock::now() - begin).count());
    }
    const TStats load = Stats(loads);
    const TStats read = Stats(reads);
    const TStats waveform = Stats(waveforms);
    const double readCpu = Stats(readsCpu).Median, waveformCpu = Stats(waveformsCpu).Median;
    std::printf("read a 10-minute 48 kHz stereo WAV (floor)   median %7.1f ms wall %7.1f ms processor\n", read.Median,
                readCpu);
    std::printf("its waveform                                 median %7.1f ms wall %7.1f ms processor"
                "   ratio %.2f wall %.2f processor\n",
                waveform.Median, waveformCpu, waveform.Median / std::max(read.Median, 0.001),
                waveformCpu / std::max(readCpu, 0.001));
    std::printf("load and draw it in the sheet control        median %7.1f ms   ratio %.2f (%d rows)\n",
                load.Median, load.Median / std::max(read.Median, 0.001), sheet.AudioDisplay().RowCount());

    // Five minutes of 44.1 kHz stereo MP3 at 192 kbit/s, as an animator's dialogue track might be.
    const std::string source = (folder / "five-minutes.wav").string();
    const std::string mp3 = (folder / "five-minutes.mp3").string();
    WriteWav(source, 300, 44100, 2);
    if (std::system(("lame --quiet -b 192 '" + source + "' '" + mp3 + "'").c_str()) != 0) {
        std::fprintf(stderr, "the lame program made no MP3\n");
        return 1;
    }
    std::filesystem::remove(source);
    const bool haveFfmpeg = std::system("ffmpeg -version > /dev/null 2>&1") == 0;
    const std::string ffmpegCommand =
        "ffmpeg -loglevel error -y -i '" + mp3 + "' '" + (folder / "ffmpeg.wav").string() + "'";
    // Turn about, so that both meet the same load of a busy machine.
    TRunTime converter, ffmpeg;
    for (int run = 0; run < 3; ++run) {
        KeepBest(converter, Convert(mp3, (folder / "").string()));
        if (haveFfmpeg)
            KeepBest(ffmpeg, Run(ffmpegCommand));
    }
    std::printf("MP3 to WAV, 5 minutes (best of 3)   converter  %7.1f ms wall %7.1f ms processor\n",
                converter.WallMs, converter.CpuMs);
    if (!haveFfmpeg)
        std::printf("                                    ffmpeg is not installed\n");
    else
        std::printf("                                    ffmpeg     %7.1f ms wall %7.1f ms processor"
                    "   ratio %.2f wall %.2f processor\n",
                    ffmpeg.WallMs, ffmpeg.CpuMs, converter.WallMs / ffmpeg.WallMs, converter.CpuMs / ffmpeg.CpuMs);

    std::filesystem::remove_all(folder);
    return 0;
}
