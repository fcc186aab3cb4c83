#include "audio/Waveform.h"

#include "../../testsupport/TempFolder.h"
#include "WavWriter.h"
#include "audio/WavParser.h"
#include "base/Error.h"
#include "document/SheetObjects.h"

#include <atomic>
#include <chrono>
#include <cstring>
#include <gtest/gtest.h>
#include <iostream>
#include <random>
#include <string_view>
#include <thread>
#include <unistd.h>

namespace {

struct TWaveCase {
    const char* Name;
    std::uint16_t Tag;
    std::uint16_t Channels;
    std::uint32_t Rate;
    std::uint16_t Bits;
    std::vector<std::int32_t> Samples; // interleaved
    std::vector<std::int32_t> Left, Right;
    bool Signed;
    std::int32_t LengthMs; // whole milliseconds of the frames, rounded down
};

// Rates of 600 and 1200 Hz give one and two samples per waveform pair, so every value can be
// worked out by hand: trunc(sample x scale) for the pair's sample and the one after it.
std::vector<TWaveCase> WaveCases() {
    return {
        // 0 x 0.195315, 128 x 0.195315 = 25.0, 255 x 0.195315 = 49.8; the last pair repeats the
        // last sample, there being no sample after it.
        {"8-bit unsigned", 1, 1, 600, 8, {0, 128, 255}, {0, 25, 25, 49, 49, 49}, {}, false, 5},
        // 1000 x 0.0015258 = 1.5, 32767 x 0.0015258 = 49.996, -32768 x 0.0015258 = -49.99
        {"16-bit mono",
         1,
         1,
         1200,
         16,
         {0, 1000, -1000, 32767, -32768, 500},
         {0, 1, -1, 49, -49, 0},
         {},
         true,
         5},
        {"16-bit stereo",
         1,
         2,
         1200,
         16,
         {3000, -3000, 6000, -6000, 9000, -9000, 12000, -12000},
         {4, 9, 13, 18},
         {-4, -9, -13, -18},
         true,
         3}, // four frames at 1200 Hz: 3.3 ms
        // 8388607 x 0.0000059 = 49.49
        {"24-bit", 1, 1, 600, 24, {8388607, -8388608}, {49, -49, -49, -49}, {}, true, 3},
        // Three channels: the first two are drawn.
        {"16-bit, three channels",
         1,
         3,
         600,
         16,
         {32767, -32768, 1000, 0, 0, 0},
         {49, 0, 0, 0},
         {-49, 0, 0, 0},
         true,
         3},
        // 2^30 of 2^31 is half of 50.
        {"32-bit integer", 1, 1, 600, 32, {1 << 30, -(1 << 30)}, {25, -25, -25, -25}, {}, true, 3},
    };
}

TEST(Waveform, ValuesByHand) {
    for (const auto& c : WaveCases()) {
        SCOPED_TRACE(c.Name);
        const auto file = TRiffBuilder()
                              .Format(c.Tag, c.Channels, c.Rate, c.Bits)
                              .Chunk("LIST", {1, 2, 3})
                              .Chunk("data", SampleBytes(c.Samples, c.Bits))
                              .Data();
        TWavParser parser;
        parser.LoadFromBytes(file.data(), file.size());
        TSoundTrack audio;
        std::int32_t lengthMs = 0;
        ASSERT_TRUE(ReadWaveform(parser, audio, lengthMs));
        EXPECT_EQ(audio.Peaks[0], c.Left);
        EXPECT_EQ(audio.Peaks[1], c.Right);
        EXPECT_EQ(audio.Channels, c.Channels);
        EXPECT_EQ(audio.SignedSamples, c.Signed);
        EXPECT_EQ(lengthMs, c.LengthMs);
    }
}

// Read from disk, a file gives the values it gives from memory, its samples starting at an offset
// that is no page boundary; a limit keeps the values before it and says the file held more.
TEST(Waveform, FileReadFromDiskGivesTheSameValues) {
    std::mt19937 random(7);
    std::uniform_int_distribution<std::int32_t> sample(-32768, 32767);
    std::vector<std::int32_t> samples(2 * 700001); // stereo, 2.8 MB
    for (auto& value : samples)
        value = sample(random);
    const auto file =
        TRiffBuilder().Format(1, 2, 44100, 16).Chunk("LIST", {1, 2, 3}).Chunk("data", SampleBytes(samples, 16)).Data();
    TTempFolder folder;
    const std::filesystem::path path = folder / "long.wav";
    WriteText(path, std::string_view(reinterpret_cast<const char*>(file.data()), file.size()));
    TWavParser parser;
    parser.LoadFromBytes(file.data(), file.size());
    TSoundTrack whole;
    std::int32_t wholeMs = 0;
    ASSERT_TRUE(ReadWaveform(parser, whole, wholeMs));

    TSoundTrack streamed;
    std::int32_t streamedMs = 0;
    EXPECT_EQ(ReadWaveformFile(path, 60000, streamed, streamedMs), TWaveformRead::Whole);
    EXPECT_EQ(streamed.Peaks, whole.Peaks);
    EXPECT_EQ(streamedMs, wholeMs);
    EXPECT_EQ(streamed.Channels, 2);

    TSoundTrack cut;
    std::int32_t cutMs = 0;
    EXPECT_EQ(ReadWaveformFile(path, 10000, cut, cutMs), TWaveformRead::Cut);
    EXPECT_EQ(cutMs, wholeMs); // the file still plays to its end
    ASSERT_EQ(cut.Peaks[0].size(), std::size_t{12000}); // 600 pairs a second
    EXPECT_TRUE(std::equal(cut.Peaks[1].begin(), cut.Peaks[1].end(), whole.Peaks[1].begin()));
}

// Another program cuts the file short and lengthens it again while it is read, over and over: each
// read gives a waveform or says which file it could not read, and never takes the program down.
TEST(Waveform, AFileCutShortWhileReadGivesAnErrorNotACrash) {
    const std::vector<std::int32_t> samples(2 * 2'000'000, 1000); // stereo, 8 MB
    const auto file = TRiffBuilder().Format(1, 2, 44100, 16).Chunk("data", SampleBytes(samples, 16)).Data();
    TTempFolder folder;
    const std::filesystem::path path = folder / "shrinking.wav";
    WriteText(path, std::string_view(reinterpret_cast<const char*>(file.data()), file.size()));
    std::atomic<bool> reading = true;
    std::thread cutter([&] {
        while (reading) {
            ::truncate(path.c_str(), 4096);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            ::truncate(path.c_str(), static_cast<off_t>(file.size()));
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    int failures = 0;
    for (int i = 0; i < 40; ++i) {
        TSoundTrack audio;
        std::int32_t lengthMs = 0;
        try {
            ReadWaveformFile(path, 60000, audio, lengthMs);
        } catch (const ECwError& error) {
            EXPECT_EQ(std::string(error.what()), "Cannot read the sound file \"" + path.string() + "\".");
            ++failures;
        }
    }
    reading = false;
    cutter.join();
    std::cout << failures << " of 40 reads met the cut file\n";
}

TEST(Waveform, FloatSamples) {
    std::vector<std::uint8_t> data(8);
    const float values[2] = {0.5f, -2.0f}; // out-of-range floats are held to full scale
    std::memcpy(data.data(), values, 8);
    const auto file = TRiffBuilder().Format(TWaveFormat::kFloat, 1, 600, 32).Chunk("data", data).Data();
    TWavParser parser;
    parser.LoadFromBytes(file.data(), file.size());
    TSoundTrack audio;
    std::int32_t lengthMs = 0;
    ASSERT_TRUE(ReadWaveform(parser, audio, lengthMs));
    EXPECT_EQ(audio.Peaks[0], (std::vector<std::int32_t>{25, -50, -50, -50}));
}

TEST(Waveform, OneSecondAt44100GivesSixHundredPairs) {
    // A pair every 73.5 frames; a pair needs its whole stretch of frames.
    const std::pair<std::int32_t, std::size_t> cases[] = {{44100, 1200}, {100, 2}, {73, 0}};
    for (const auto& [frames, values] : cases) {
        const auto file = TRiffBuilder()
                              .Format(1, 1, 44100, 16)
                              .Chunk("data", std::vector<std::uint8_t>(static_cast<std::size_t>(frames) * 2))
                              .Data();
        TWavParser parser;
        parser.LoadFromBytes(file.data(), file.size());
        TSoundTrack audio;
        std::int32_t lengthMs = 0;
        ASSERT_TRUE(ReadWaveform(parser, audio, lengthMs));
        EXPECT_EQ(audio.Peaks[0].size(), values) << frames;
    }
}

TEST(Waveform, FilesItCannotDraw) {
    const std::vector<std::uint8_t> samples(16);
    const std::vector<std::vector<std::uint8_t>> files = {
        TRiffBuilder().Format(2, 1, 8000, 4).Chunk("data", samples).Data(),       // ADPCM
        TRiffBuilder().Format(1, 1, 8000, 12).Chunk("data", samples).Data(),      // odd bit depth
        TRiffBuilder().Format(1, 0, 8000, 16).Chunk("data", samples).Data(),      // no channels
        TRiffBuilder().Format(1, 1, 0, 16).Chunk("data", samples).Data(),         // no rate
        TRiffBuilder().Format(1, 1, 8000, 16).Data(),                             // no data
        TRiffBuilder().Chunk("fmt ", {1, 0, 1, 0}).Chunk("data", samples).Data(), // short "fmt "
    };
    for (std::size_t i = 0; i < files.size(); ++i) {
        TWavParser parser;
        parser.LoadFromBytes(files[i].data(), files[i].size());
        TSoundTrack audio;
        audio.Channels = 7;
        std::int32_t lengthMs = 0;
        EXPECT_FALSE(ReadWaveform(parser, audio, lengthMs)) << i;
        EXPECT_EQ(audio.Channels, 7) << i;
    }
}

} // namespace
