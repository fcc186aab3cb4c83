// The converter, the play length, the playback graph and the scrub output on real GStreamer
// pipelines; sound goes to a fakesink, whose buffers show what was really played.
#include "../../testsupport/TempFolder.h"
#include "PlayedRange.h"
#include "PlayedRuns.h"
#include "WavWriter.h"
#include "audio/AudioGraph.h"
#include "audio/AudioConverter.h"
#include "audio/ScrubOutput.h"
#include "audio/WavParser.h"
#include "audio/Waveform.h"
#include "document/SheetObjects.h"
#include "platform/GstMedia.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <mutex>

namespace {

// Runs a launch description to its end; for making test files.
void RunPipeline(const std::string& description) {
    EnsureGstInit();
    GError* error = nullptr;
    GstElement* pipeline =
        gst_parse_launch_full(description.c_str(), nullptr, GST_PARSE_FLAG_FATAL_ERRORS, &error);
    ASSERT_TRUE(pipeline && !error) << description;
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    GstBus* bus = gst_element_get_bus(pipeline);
    GstMessage* message = gst_bus_timed_pop_filtered(
        bus, 30 * GST_SECOND, static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    ASSERT_TRUE(message && GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS) << description;
    gst_message_unref(message);
    gst_object_unref(bus);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
}

// Processes events until `done` or 20 seconds have passed.
template <typename F> bool WaitFor(F done) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < 20000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    return done();
}

struct TConversion {
    bool Started = false;
    std::string Result, Completed, Error;
    bool OnUiThread = false;
};

TConversion Convert(TAudioConverter& converter, const std::string& source, const std::string& folder,
                    std::int64_t maxLengthMs = 60000) {
    TConversion c;
    converter.OnConversionComplete = [&c](TAudioConverter&, const std::string& file) {
        c.Completed = file;
        c.OnUiThread = QThread::currentThread() == QCoreApplication::instance()->thread();
    };
    converter.OnConversionError = [&c](TAudioConverter&, const std::string& message) { c.Error = message; };
    c.Started = converter.Convert(source, folder, maxLengthMs, c.Result);
    if (c.Started)
        WaitFor([&c] { return !c.Completed.empty() || !c.Error.empty(); });
    return c;
}

class AudioMedia : public testing::Test {
protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "audio_media_tests";
        static char* argv[] = {name, nullptr};
        if (!QCoreApplication::instance())
            new QCoreApplication(argc, argv);
    }
    TTempFolder Folder;
};

TEST_F(AudioMedia, ConvertsCompressedFilesToPcmWav) {
    const std::string out = Folder / "out/";
    std::filesystem::create_directory(out);
    // Two seconds of tone in each format.
    const std::string tone =
        "audiotestsrc samplesperbuffer=4410 num-buffers=20 ! audio/x-raw,rate=44100,channels=1 ! ";
    // Like the lame program, with the Xing header that gives players the exact length.
    RunPipeline(tone + "lamemp3enc ! xingmux ! filesink location=" + (Folder / "tone.mp3"));
    RunPipeline(tone + "audioconvert ! vorbisenc ! oggmux ! filesink location=" + (Folder / "tone.ogg"));
    for (const char* name : {"tone.mp3", "tone.ogg"}) {
        SCOPED_TRACE(name);
        TAudioConverter converter;
        const TConversion c = Convert(converter, Folder / name, out);
        ASSERT_TRUE(c.Started) << c.Error;
        EXPECT_EQ(c.Error, "");
        EXPECT_EQ(c.Result, out + "cwAudio.wav");
        EXPECT_EQ(c.Completed, c.Result);
        EXPECT_TRUE(c.OnUiThread);
        TWavParser parser;
        parser.LoadFromFile(c.Result);
        TWaveFormat format;
        ASSERT_NE(parser.FindChunk("fmt "), nullptr);
        ASSERT_TRUE(format.Read(*parser.FindChunk("fmt ")));
        EXPECT_EQ(format.FormatTag, TWaveFormat::kPcm);
        EXPECT_EQ(format.BitsPerSample, 16);
        std::string reason;
        EXPECT_NEAR(AudioPlayLengthMs(c.Result, reason), 2000, 50) << reason;
        // An MP3 stream holds whole frames of 1152 samples and the encoder's delay: up to 65 ms more.
        EXPECT_NEAR(AudioPlayLengthMs(Folder / name, reason), 2000, 70) << reason;
    }
}

// Clicks at known samples of a 44.1 kHz source must land on the same samples of the converted
// file, and the file must have the source's length: an MP3 encoder's delay and padding are left
// out whether or not the media platform reads the encoder's header itself (it reads only some
// encoders' headers), AAC's priming and padding as the M4A file's edit states them (the media
// platform leaves out its last frame, counted short, which comes back as silence), and other
// formats are not cut.
TEST_F(AudioMedia, ConvertedSoundStartsAtTheSourcesFirstSampleAndHasItsLength) {
    constexpr std::size_t kLength = 2 * 44100 + 1234;
    constexpr std::size_t kClicks[] = {10000, kLength - 1000};
    std::vector<std::int32_t> samples(kLength, 0);
    for (std::size_t at : kClicks)
        samples[at] = 30000;
    const std::string source = Folder / "clicks.wav";
    const auto wav = TRiffBuilder().Format(1, 1, 44100, 16).Chunk("data", SampleBytes(samples, 16)).Data();
    WriteText(source, std::string(wav.begin(), wav.end()));
    ASSERT_EQ(std::system(("lame --quiet -b 128 '" + source + "' '" + (Folder / "lame.mp3") + "'").c_str()), 0);
    const std::string lame = ReadText(Folder / "lame.mp3");
    // The same stream as another encoder names itself, and behind a tag of its own.
    std::string other = lame;
    const std::size_t name = other.find("LAME3");
    ASSERT_NE(name, std::string::npos);
    other.replace(name, 4, "Lavc");
    WriteText(Folder / "other.mp3", other);
    const std::string tag("ID3\x03\x00\x00\x00\x00\x00\x0a" "PAD\x00\x00\x00\x00\x00\x00\x00", 20);
    WriteText(Folder / "tagged.mp3", tag + other);
    std::filesystem::copy_file(source, Folder / "clicks.WAV");
    RunPipeline("filesrc location=" + source + " ! wavparse ! audioconvert ! vorbisenc ! oggmux ! filesink location=" +
                (Folder / "clicks.ogg"));
    ASSERT_EQ(std::system(("ffmpeg -v error -i '" + source + "' -c:a aac '" + (Folder / "ffmpeg.m4a") + "'").c_str()), 0);

    for (const char* name : {"lame.mp3", "other.mp3", "tagged.mp3", "clicks.ogg", "clicks.WAV", "ffmpeg.m4a"}) {
        SCOPED_TRACE(name);
        const std::string out = Folder / "out/";
        std::filesystem::create_directories(out);
        TAudioConverter converter;
        const TConversion c = Convert(converter, Folder / name, out);
        ASSERT_EQ(c.Completed, out + "cwAudio.wav") << c.Error;
        TWavParser parser;
        parser.LoadFromFile(c.Completed);
        const TRiffChunk* data = parser.FindChunk("data");
        ASSERT_NE(data, nullptr);
        const auto* converted = reinterpret_cast<const std::int16_t*>(data->Data.data());
        const std::size_t frames = data->Size / 2;
        constexpr double kTwoMs = 88.2;
        EXPECT_NEAR(static_cast<double>(frames), static_cast<double>(kLength), kTwoMs);
        for (std::size_t at : kClicks) {
            // The loudest sample near where the click belongs.
            const std::size_t from = at - 2000, to = std::min(frames, at + 2000);
            std::size_t loudest = from;
            for (std::size_t i = from; i < to; ++i)
                if (std::abs(converted[i]) > std::abs(converted[loudest]))
                    loudest = i;
            EXPECT_NEAR(static_cast<double>(loudest), static_cast<double>(at), kTwoMs);
        }
        std::filesystem::remove_all(out);
    }
}

// A small file may decode to hours of sound, or to more channels and a higher rate than the
// sheet's sound column uses: the converted file stays within the limit, in stereo at 48 kHz at most.
TEST_F(AudioMedia, ConversionIsBounded) {
    RunPipeline("audiotestsrc wave=silence samplesperbuffer=8000 num-buffers=3600 ! "
                "audio/x-raw,rate=8000,channels=1,format=S16LE ! flacenc ! filesink location=" +
                (Folder / "hour.flac"));
    RunPipeline("audiotestsrc samplesperbuffer=9600 num-buffers=10 ! "
                "audio/x-raw,rate=96000,channels=6,format=S16LE ! wavenc ! filesink location=" +
                (Folder / "surround.WAV"));
    struct TCase {
        const char* Source;
        std::int64_t MaxMs;
        std::int64_t LengthMs;
        std::uint16_t Channels;
        std::uint32_t Rate;
        bool Cut;
    };
    const TCase cases[] = {
        {"hour.flac", 69208, 69208, 1, 8000, true},
        {"surround.WAV", 69208, 1000, 2, 48000, false},
        {"surround.WAV", 250, 250, 2, 48000, true},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::string(c.Source) + " within " + std::to_string(c.MaxMs));
        const std::string out = Folder / "out/";
        std::filesystem::create_directories(out);
        TAudioConverter converter;
        const TConversion conversion = Convert(converter, Folder / c.Source, out, c.MaxMs);
        ASSERT_EQ(conversion.Completed, out + "cwAudio.wav") << conversion.Error;
        EXPECT_EQ(converter.WasCut(), c.Cut);
        TWavParser parser;
        parser.LoadFromFile(conversion.Completed);
        TWaveFormat format;
        ASSERT_TRUE(parser.FindChunk("fmt ") && parser.FindChunk("data"));
        ASSERT_TRUE(format.Read(*parser.FindChunk("fmt ")));
        EXPECT_EQ(format.Channels, c.Channels);
        EXPECT_EQ(format.SampleRate, c.Rate);
        const std::int64_t frames = parser.FindChunk("data")->Size / format.FrameBytes();
        EXPECT_NEAR(static_cast<double>(frames), static_cast<double>(c.LengthMs * c.Rate / 1000), 1.0);
        std::filesystem::remove_all(out);
    }
}

TEST_F(AudioMedia, OutputFolderFallsBackToTheSystemsTemporaryFolderNeverTheSourceFolder) {
    const std::string source = Folder / "voice.WAV";
    WriteToneWav(source, 0.5);
    WriteText(Folder / "cwAudio.wav", "the user's own file");
    std::filesystem::create_directories(Folder / "tmp");
    const char* before = std::getenv("TMPDIR");
    const std::string kept = before ? before : "";
    ::setenv("TMPDIR", (Folder / "tmp").c_str(), 1);
    for (const std::string& folder : {std::string(), Folder / "no such folder/"}) {
        TAudioConverter converter;
        const TConversion c = Convert(converter, source, folder);
        EXPECT_EQ(c.Result, Folder / "tmp/cwAudio.wav");
        EXPECT_EQ(c.Completed, c.Result) << c.Error;
    }
    before ? ::setenv("TMPDIR", kept.c_str(), 1) : ::unsetenv("TMPDIR");
    EXPECT_EQ(ReadText(Folder / "cwAudio.wav"), "the user's own file");
}

TEST_F(AudioMedia, ConversionProblemsAreReportedOnce) {
    WriteText(Folder.Path() / "notes.mp3", "These are my notes, not a song.\n");
    struct TCase {
        std::string Source;
        bool Starts;
        std::string Message;
    };
    const TCase cases[] = {
        {Folder / "missing.mp3", false, "Audio file not found. "},
        {Folder / "notes.mp3", true,
         "\"" + (Folder / "notes.mp3") + "\" is not a sound file that can be read. "},
    };
    for (const auto& c : cases) {
        TAudioConverter converter;
        int errors = 0;
        std::string message;
        bool completed = false;
        converter.OnConversionError = [&](TAudioConverter&, const std::string& text) {
            ++errors;
            message = text;
        };
        converter.OnConversionComplete = [&](TAudioConverter&, const std::string&) { completed = true; };
        std::string result;
        EXPECT_EQ(converter.Convert(c.Source, Folder / "", 60000, result), c.Starts) << c.Source;
        WaitFor([&] { return errors > 0; });
        QCoreApplication::processEvents();
        EXPECT_EQ(message, c.Message);
        EXPECT_EQ(errors, 1);
        EXPECT_FALSE(completed);
        EXPECT_FALSE(std::filesystem::exists(Folder / "cwAudio.wav"));
    }
    std::string reason;
    EXPECT_EQ(AudioPlayLengthMs(Folder / "missing.mp3", reason), -1);
    EXPECT_EQ(reason, "file not found");
    EXPECT_EQ(AudioPlayLengthMs(Folder / "notes.mp3", reason), -1);
    EXPECT_FALSE(reason.empty());
}

TEST_F(AudioMedia, ScrubsPlayExactlyThePositionsAskedFor) {
    const std::string file = Folder / "long.wav";
    WriteToneWav(file, 220.0, 8000);
    TAudioGraph graph("fakesink sync=false");
    ASSERT_TRUE(graph.RenderFile(file));
    EXPECT_FALSE(graph.HasSoundOutput());
    TPlayedRange played(graph.Sink());
    const std::pair<TMediaTime, TMediaTime> segments[] = {
        {0, 937'485},                             // APos 0 to 45 at 24 fps and 20-pixel rows
        {102'720LL * 20'833, 103'000LL * 20'833}, // past 214 seconds
        {30LL * 20'833, 130LL * 20'833},
    };
    for (const auto& [start, stop] : segments) {
        played.Reset();
        graph.PlaySegment(start, stop);
        ASSERT_TRUE(WaitFor([&] { return played.IsEnded(); })) << start;
        const auto [first, last] = played.Range();
        // Sound is cut at whole samples: 125 us at 8 kHz.
        EXPECT_NEAR(first, start * 100, 125'000);
        EXPECT_NEAR(last, stop * 100, 125'000);
    }
}

TEST_F(AudioMedia, AnInactiveGraphPlaysNothingAndBreaksNothing) {
    TAudioGraph graph("fakesink");
    EXPECT_FALSE(graph.Active());
    graph.PlaySegment(0, 1000); // nothing to play, nothing breaks
    EXPECT_FALSE(graph.RenderFile(Folder / "missing.wav"));
    EXPECT_FALSE(graph.Active());
    const std::string file = Folder / "a.wav";
    WriteToneWav(file, 1.0);
    ASSERT_TRUE(graph.RenderFile(file));
    graph.Clear();
    EXPECT_FALSE(graph.Active());
}

TEST_F(AudioMedia, TheScrubOutputsLevelIsKeptWithinItsRangeAndSetOnItsOutput) {
    TScrubOutput output("fakesink sync=true");
    EXPECT_TRUE(output.SetVolume(3660));
    EXPECT_FALSE(output.SetVolume(-328));
    EXPECT_FALSE(output.SetVolume(10001));
    EXPECT_EQ(output.Volume(), 3660);
    const std::string file = Folder / "a.wav";
    WriteToneWav(file, 1.0);
    ASSERT_TRUE(output.Load(file));
    double gain = 0;
    GstElement* volume = gst_bin_get_by_name(GST_BIN(GST_ELEMENT_PARENT(output.Sink())), "volume");
    g_object_get(volume, "volume", &gain, nullptr);
    gst_object_unref(volume);
    EXPECT_NEAR(gain, std::pow(10.0, -6340 / 2000.0), 1e-9); // 63.40 dB down
    output.Clear();
    EXPECT_FALSE(output.Active());
}

// The scrub output's sink: what it plays as 16-bit mono, undithered so that levels stay exact.
constexpr const char* kLevelSink = "audioconvert dithering=none ! audio/x-raw,format=S16LE,channels=1 ! fakesink sync=true";

// Every sample format the waveform reader draws plays each frame's own samples, and silence
// between slices (unsigned 8-bit silence included).
TEST_F(AudioMedia, ScrubSlicesPlayTheFramesOwnSamplesInEverySampleFormat) {
    struct TFormat {
        std::uint16_t Tag, Channels, Bits;
        std::int64_t (*Sample)(std::int32_t level);
    };
    const TFormat formats[] = {
        {1, 1, 8, [](std::int32_t v) -> std::int64_t { return 128 + v / 256; }},
        {1, 1, 16, [](std::int32_t v) -> std::int64_t { return v; }},
        {1, 2, 16, [](std::int32_t v) -> std::int64_t { return v; }},
        {1, 1, 24, [](std::int32_t v) -> std::int64_t { return std::int64_t{v} << 8; }},
        {1, 1, 32, [](std::int32_t v) -> std::int64_t { return std::int64_t{v} << 16; }},
        {3, 1, 32,
         [](std::int32_t v) -> std::int64_t {
             const float f = static_cast<float>(v) / 32768.0F;
             std::int32_t bits = 0;
             std::memcpy(&bits, &f, sizeof bits);
             return bits;
         }},
    };
    for (const TFormat& format : formats) {
        std::vector<std::int32_t> samples;
        for (std::int32_t level : LevelTrack(6, 24, 48000))
            samples.insert(samples.end(), format.Channels, static_cast<std::int32_t>(format.Sample(level)));
        const std::string file = Folder / "levels.wav";
        const auto bytes = TRiffBuilder()
                               .Format(format.Tag, format.Channels, 48000, format.Bits)
                               .Chunk("data", SampleBytes(samples, format.Bits))
                               .Data();
        std::ofstream(file, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        TScrubOutput output(kLevelSink);
        ASSERT_TRUE(output.Load(file)) << format.Bits;
        EXPECT_FALSE(output.HasSoundOutput());
        TPlayedRuns played(output.Sink());
        // Frames 3 and 1 at 24 fps, in the graph's 100 ns units: 2000 samples each at 48 kHz.
        output.PlaySlice(2 * 416'666, 3 * 416'666);
        ASSERT_TRUE(WaitFor([&] { return played.Count() == 1; })) << format.Bits;
        output.PlaySlice(0, 416'666);
        ASSERT_TRUE(WaitFor([&] { return played.Count() == 2; })) << format.Bits;
        EXPECT_EQ(played.Runs(), (std::vector<TPlayedRuns::TRun>{{3, 2000}, {1, 2000}}))
            << format.Tag << " " << format.Channels << " " << format.Bits;
    }
    // A header claiming what no sound has is refused, not allocated for.
    for (const auto& [channels, rate] : {std::pair<std::uint16_t, std::uint32_t>{1, 4'000'000'000}, {65, 48000}}) {
        const std::string file = Folder / "claims.wav";
        const auto bytes =
            TRiffBuilder().Format(1, channels, rate, 16).Chunk("data", std::vector<std::uint8_t>(1024)).Data();
        std::ofstream(file, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        TScrubOutput output(kLevelSink);
        EXPECT_FALSE(output.Load(file)) << channels << " " << rate;
        EXPECT_FALSE(output.Active());
    }
}

// Slices given while the output cannot take them replace each other: only the last is played,
// whole. A slice that runs past the sound's end plays what there is, and one beyond it, nothing.
TEST_F(AudioMedia, ANewScrubSliceReplacesWhatIsLeftOfTheLast) {
    const std::string file = Folder / "levels.wav";
    WriteMonoWav(file, LevelTrack(6, 24, 48000), 48000);
    TScrubOutput output(kLevelSink);
    ASSERT_TRUE(output.Load(file));
    TPlayedRuns played(output.Sink());
    std::atomic<bool> held{false};
    GstPad* pad = gst_element_get_static_pad(output.Sink(), "sink");
    const gulong hold = gst_pad_add_probe(
        pad, GST_PAD_PROBE_TYPE_BLOCK_DOWNSTREAM,
        [](GstPad*, GstPadProbeInfo*, gpointer flag) {
            static_cast<std::atomic<bool>*>(flag)->store(true);
            return GST_PAD_PROBE_OK;
        },
        &held, nullptr);
    ASSERT_TRUE(WaitFor([&] { return held.load(); }));
    for (std::int64_t frame : {2, 5, 4})
        output.PlaySlice((frame - 1) * 416'666, frame * 416'666);
    gst_pad_remove_probe(pad, hold);
    gst_object_unref(pad);
    ASSERT_TRUE(WaitFor([&] { return played.Count() == 1; }));
    output.PlaySlice(2'291'667, 7 * 416'666); // from sample 11000: the last 1000 of frame 6
    ASSERT_TRUE(WaitFor([&] { return played.Count() == 2; }));
    output.PlaySlice(6 * 416'666, 7 * 416'666);
    output.PlaySlice(1 * 416'666, 2 * 416'666);
    ASSERT_TRUE(WaitFor([&] { return played.Count() == 3; }));
    EXPECT_EQ(played.Runs(), (std::vector<TPlayedRuns::TRun>{{4, 2000}, {6, 1000}, {2, 2000}}));
}

} // namespace
