#pragma once

#include "testsupport/MonitorRecording.h"
#include "testsupport/WaitFor.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <utility>
#include <vector>

// A sound with a tone of its own per frame, and the frames whose tones the test sound server's
// monitor heard, in order: for tests of sound that must be heard frame by frame.
class THeardTones {
public:
    static constexpr std::int32_t kRate = 44100; // the server's sink resamples to 48 kHz

    explicit THeardTones(std::int32_t frames) : Frames(frames) {}

    static double Tone(std::int32_t frame) { return 300.0 * (frame + 1); }

    // Mono samples at kRate of `Frames` frames at `fps`, frame n (from 1) sounding Tone(n).
    std::vector<std::int32_t> Track(std::int32_t fps) const {
        std::vector<std::int32_t> samples(static_cast<std::size_t>(Frames * kRate / fps));
        for (std::size_t i = 0; i < samples.size(); ++i) {
            const auto frame = static_cast<std::int32_t>(i * fps / kRate) + 1;
            samples[i] =
                static_cast<std::int32_t>(12000 * std::sin(2 * M_PI * Tone(frame) * static_cast<double>(i) / kRate));
        }
        return samples;
    }

    // Waits until sound is heard after `move` (a time of TMonitorRecording::Now), then until it has
    // had time to die away.
    static bool HeardAfter(TMonitorRecording& recording, std::int64_t move) {
        std::int64_t heard = -1;
        if (!WaitSleepingFor([&] { return (heard = recording.FirstSoundFrom(move)) >= 0; }, 5000))
            return false;
        WaitSleepingFor([&] { return TMonitorRecording::Now() > heard + 400'000'000; }, 1000);
        return true;
    }

    // The frames whose tones were recorded, in order: each stretch of sound (a stretch broken for
    // less than 50 ms by a busy machine is one) given to the frame whose tone is strongest in it.
    std::vector<std::int32_t> Heard(TMonitorRecording& recording) const {
        const std::vector<std::int16_t> samples = recording.Recorded();
        constexpr std::size_t kQuiet = 48 * 5, kShortest = 48 * 5, kJoin = 48 * 50;
        std::vector<std::pair<std::size_t, std::size_t>> stretches;
        std::size_t last = 0;
        for (std::size_t i = 0; i < samples.size(); ++i) {
            if (std::abs(samples[i]) < 3000)
                continue;
            if (stretches.empty() || i - last > kQuiet)
                stretches.emplace_back(i, i);
            stretches.back().second = last = i;
        }
        std::vector<std::int32_t> frames;
        std::size_t end = 0;
        for (const auto& [first, stop] : stretches) {
            if (stop - first < kShortest)
                continue;
            std::int32_t strongest = 0;
            double most = 0;
            for (std::int32_t frame = 1; frame <= Frames; ++frame) {
                const double power = TonePower(samples, first, stop, Tone(frame));
                if (power > most) {
                    most = power;
                    strongest = frame;
                }
            }
            if (frames.empty() || frames.back() != strongest || first - end > kJoin)
                frames.push_back(strongest);
            end = stop;
        }
        return frames;
    }

private:
    // The power of one frequency in samples [first, stop] at the recording's rate (Goertzel).
    static double TonePower(const std::vector<std::int16_t>& samples, std::size_t first, std::size_t stop,
                            double frequency) {
        const double coefficient = 2 * std::cos(2 * M_PI * frequency / TMonitorRecording::kRate);
        double previous = 0, before = 0;
        for (std::size_t i = first; i <= stop; ++i) {
            const double next = samples[i] + coefficient * previous - before;
            before = previous;
            previous = next;
        }
        return previous * previous + before * before - coefficient * previous * before;
    }

    std::int32_t Frames;
};
