// celwright-cli export through the media platform's encoders, checked with ffprobe.
#include "testsupport/CliFixture.h"
#include "imaging/PictureCodecs.h"
#include "imaging/tests/PictureTestSupport.h"
#include "testsupport/CommandOutput.h"

#include <atomic>
#include <cmath>
#include <iostream>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <glib.h>
#include <gtest/gtest.h>
#include <regex>
#include <sstream>
#include <sys/stat.h>
#include <thread>

namespace fs = std::filesystem;

namespace {

// The bundled sample: 48 frames at 24 fps, 320 x 240, with a 1.849 s sound of 40,780 samples.
class ExportCodecsTest : public TCliFixture {
protected:
    void SetUp() override {
        ::setenv("TMPDIR", Temp.Path().c_str(), 1);
        std::ifstream in(CELWRIGHT_SAMPLE_SHEET, std::ios::binary);
        Sample.assign(std::istreambuf_iterator<char>(in), {});
    }
    void TearDown() override { ::unsetenv("TMPDIR"); }

    // The sample sheet with its sound file replaced by `sound` ("" for none).
    std::string SheetWithSound(const std::string& sound) {
        const std::string sheet = Files / "sheet.xps";
        std::ofstream(sheet, std::ios::binary) << std::regex_replace(
            Sample, std::regex("<audiofile>[^<]*</audiofile>"), "<audiofile>" + sound + "</audiofile>");
        return sheet;
    }

    int Export(const std::vector<std::string>& args) {
        std::vector<std::string> all{"export"};
        all.insert(all.end(), args.begin(), args.end());
        return Run(all);
    }

    // One line per stream: codec, type, frame rate, and the frames (video) or samples (PCM sound) its header
    // counts.
    static std::string Probe(const std::string& file) {
        const std::string command = "ffprobe -v error -show_entries "
                                    "stream=codec_name,codec_type,r_frame_rate,nb_frames -of csv=p=0 '" +
                                    file + "' 2>&1";
        return CommandOutput(command);
    }

    bool TempIsEmpty() const { return fs::is_empty(Temp.Path()); }

    TTempFolder Temp;
    std::string Sample;
};

} // namespace

TEST_F(ExportCodecsTest, WithoutEncoderOrSoundTheMovieIsWrittenDirectly) {
    const std::string movie = Files / "plain.avi";
    ASSERT_EQ(Export({SheetWithSound(""), movie}), 0) << Err.str();
    EXPECT_EQ(Probe(movie), "rawvideo,video,24/1,48\n");
    EXPECT_EQ(Out.str(), "Build Complete\n");
    EXPECT_TRUE(TempIsEmpty());
}

// The sample's sound ends before its last drawing: silence fills the movie's last frames.
TEST_F(ExportCodecsTest, SoundWithoutEncoderKeepsRawVideoAndPcmSoundAsLongAsTheMovie) {
    const std::string movie = Files / "sound.avi";
    ASSERT_EQ(Export({CELWRIGHT_SAMPLE_SHEET, movie, "--video-codec", "none"}), 0) << Err.str();
    EXPECT_EQ(Probe(movie), "rawvideo,video,24/1,48\npcm_s16le,audio,0/0,44100\n");
    EXPECT_EQ(Out.str(), "Compression complete.\n");
    EXPECT_TRUE(TempIsEmpty());
}

TEST_F(ExportCodecsTest, EncodersGiveTheirCodecAtTheSheetsFrameCountAndRate) {
    struct Case {
        const char* Video;
        const char* Audio;
        const char* Streams;
    };
    for (const Case& c : {Case{"avenc_mpeg4", "none", "mpeg4,video,24/1,48\npcm_s16le,audio,0/0,44100\n"},
                          Case{"jpegenc", "lamemp3enc", "mjpeg,video,24/1,48\nmp3,audio,"}}) {
        const std::string movie = Files / (std::string(c.Video) + ".avi");
        ASSERT_EQ(Export({CELWRIGHT_SAMPLE_SHEET, movie, "--video-codec", c.Video, "--audio-codec", c.Audio}), 0)
            << Err.str();
        EXPECT_EQ(Probe(movie).substr(0, std::string(c.Streams).size()), c.Streams) << c.Video;
    }
    EXPECT_TRUE(TempIsEmpty());
}

TEST_F(ExportCodecsTest, UnknownOrFailingEncodersLeaveNoFiles) {
    // Junk where the sound should be fails inside the running graph.
    const std::string junk = Files / "junk.wav";
    std::ofstream(junk) << "not a sound at all";
    struct Case {
        std::vector<std::string> Args;
        std::string Message;
    };
    const std::string movie = Files / "out.avi";
    for (const Case& c :
         {Case{{CELWRIGHT_SAMPLE_SHEET, movie, "--video-codec", "nosuchenc"},
               "Unknown video encoder \"nosuchenc\""},
          Case{{CELWRIGHT_SAMPLE_SHEET, movie, "--video-codec", "avenc_mpeg2video"},
               "The encoder \"avenc_mpeg2video\" does not work at 320 x 240, 24 fps"},
          Case{{CELWRIGHT_SAMPLE_SHEET, movie, "--audio-codec", "jpegenc"},
               "Unknown audio encoder \"jpegenc\""},
          Case{{SheetWithSound(junk), movie}, "Error during Compressed build of \"" + movie + "\": "}}) {
        EXPECT_EQ(Export(c.Args), 1) << c.Message;
        EXPECT_NE(Err.str().find(c.Message), std::string::npos) << Err.str();
        EXPECT_FALSE(fs::exists(movie)) << c.Message;
        EXPECT_TRUE(TempIsEmpty()) << c.Message;
    }
}

TEST_F(ExportCodecsTest, ListCodecsPrintsWorkingEncodersOneALine) {
    ASSERT_EQ(Export({"--list-codecs"}), 0) << Err.str();
    const std::string list = Out.str();
    std::istringstream lines(list);
    const std::regex shape("(video|audio) [A-Za-z0-9_-]+ .+|container [a-z0-9]+ video=[a-z0-9_,]+ audio=[a-z0-9_,-]+");
    for (std::string line; std::getline(lines, line);)
        EXPECT_TRUE(std::regex_match(line, shape)) << line;
    EXPECT_NE(list.find("video jpegenc JPEG image encoder\n"), std::string::npos);
    EXPECT_NE(list.find("container avi video=none,"), std::string::npos);
    EXPECT_TRUE(std::regex_search(list, std::regex("container mp4 video=[a-z0-9_,]*x264enc")));
    EXPECT_TRUE(std::regex_search(list, std::regex("container webm video=[a-z0-9_,]*vp8enc[a-z0-9_,]* audio=[a-z0-9_,]*opusenc")));
    EXPECT_NE(list.find("container gif video=builtin audio=-\n"), std::string::npos);
    EXPECT_NE(list.find("container png video=builtin audio=-\n"), std::string::npos);
    EXPECT_NE(list.find("video avenc_mpeg4 "), std::string::npos);
    EXPECT_NE(list.find("audio lamemp3enc "), std::string::npos);
    // A candidate that refuses 24 fps is not offered.
    EXPECT_EQ(list.find("avenc_mpeg2video"), std::string::npos);
    EXPECT_EQ(Export({"--list-codecs", "sheet.xps"}), 2);
}

TEST_F(ExportCodecsTest, EncodersRunWithTheSettingsRememberedByTheExportDialog) {
    const std::string ini = Config / "Celwright/3.0/celwright.ini";
    fs::create_directories(fs::path(ini).parent_path());
    WriteText(ini, "[encoder jpegenc]\nquality=10\nidct-method=flaot\n");
    const std::string sheet = SheetWithSound("");
    const std::string remembered = Files / "remembered.avi";
    const std::string defaults = Files / "defaults.avi";
    ASSERT_EQ(Export({sheet, remembered, "--video-codec", "jpegenc"}), 0) << Err.str();
    EXPECT_EQ(Err.str(), "Left out the setting idct-method=flaot of jpegenc in " + ini +
                             ": the encoder takes no such value.\n");
    ASSERT_EQ(Export({sheet, defaults, "--video-codec", "jpegenc", "--encoder-defaults"}), 0) << Err.str();
    EXPECT_EQ(Err.str(), "");
    EXPECT_EQ(Probe(remembered), "mjpeg,video,24/1,48\n");
    EXPECT_GT(fs::file_size(defaults), 2 * fs::file_size(remembered));
}

// A minute of eight unpositioned channels on the sample's 2-second sheet, exported as its first 48
// frames: the movie carries two seconds of it, mixed down to stereo, and the media platform has
// nothing to complain about.
TEST_F(ExportCodecsTest, SoundIsCutToTheMovieAndMixedDownToStereo) {
    const std::string sound = Files / "eight.wav";
    CommandOutput("gst-launch-1.0 -q audiotestsrc samplesperbuffer=8000 num-buffers=60 ! "
                  "'audio/x-raw,rate=8000,channels=8,format=S16LE,channel-mask=(bitmask)0' ! wavenc ! "
                  "filesink location='" + sound + "'");
    ASSERT_TRUE(fs::exists(sound));
    const std::string movie = Files / "cut.avi";
    std::atomic<int> complaints = 0;
    const GLogFunc previous = g_log_set_default_handler(
        [](const gchar*, GLogLevelFlags level, const gchar*, gpointer count) {
            if (level & (G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_WARNING))
                ++*static_cast<std::atomic<int>*>(count);
        },
        &complaints);
    const int result = Export({SheetWithSound(sound), movie, "--video-codec", "none", "--frames", "1-48"});
    g_log_set_default_handler(previous, nullptr);
    ASSERT_EQ(result, 0) << Err.str();
    EXPECT_EQ(complaints, 0);
    EXPECT_EQ(Probe(movie), "rawvideo,video,24/1,48\npcm_s16le,audio,0/0,16000\n");
    EXPECT_EQ(CommandOutput("ffprobe -v error -show_entries stream=channels -of csv=p=0 -select_streams a '" +
                            movie + "'"),
              "2\n");
    EXPECT_EQ(Err.str(), "");
    EXPECT_TRUE(TempIsEmpty());
}

namespace {

// A mono 48 kHz WAV of `seconds` of silence with a full-scale click of 1 ms at each of `clicks`
// (seconds).
void WriteClickWav(const std::string& path, double seconds, const std::vector<double>& clicks) {
    const auto samples = static_cast<std::uint32_t>(seconds * 48000);
    std::string data(samples * 2, '\0');
    for (const double clickAt : clicks)
        for (std::uint32_t i = 0; i < 48; ++i)
            data[(static_cast<std::uint32_t>(std::lround(clickAt * 48000)) + i) * 2 + 1] = 0x7f;
    const auto u32 = [](std::uint32_t v) { return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; };
    std::ofstream(path, std::ios::binary) << "RIFF" << u32(36 + samples * 2) << "WAVEfmt " << u32(16)
                                          << std::string{1, 0, 1, 0} << u32(48000) << u32(96000) << std::string{2, 0, 16, 0}
                                          << "data" << u32(samples * 2) << data;
}

// The movie's sound decoded to 48 kHz mono: its length, and where the first click is (seconds; -1
// for none).
std::pair<double, double> SoundOf(const std::string& movie) {
    const std::string pcm = CommandOutput("ffmpeg -v error -i '" + movie + "' -map 0:a -ac 1 -ar 48000 -f s16le -");
    double click = -1;
    for (std::size_t i = 0; i + 1 < pcm.size(); i += 2)
        if (static_cast<std::int16_t>(static_cast<std::uint8_t>(pcm[i]) | (static_cast<std::uint8_t>(pcm[i + 1]) << 8)) >
            8000) {
            click = static_cast<double>(i / 2) / 48000;
            break;
        }
    return {static_cast<double>(pcm.size() / 2) / 48000, click};
}

} // namespace

// Every kind of movie, of the whole sheet and of a range: the sample's 48 frames of drawings with a
// 3-second sound that clicks in frame 19 (0.75 s). The whole movie runs to the sound's end, the
// last picture held; a range carries its own part of the sound, starting with its first frame.
// Compressed sound may run on to the end of the encoder's last block and opens with its priming
// (AAC: 1024 samples), which the pictures wait for.
TEST_F(ExportCodecsTest, EveryKindOfMovieCarriesItsRangeAndTheSoundOfIt) {
    const std::string sound = Files / "click.wav";
    WriteClickWav(sound, 3.0, {0.75});
    const std::string sheet = SheetWithSound(sound);
    struct Case {
        const char* File;
        const char* Frames; // --frames, or "" for the whole movie
        const char* Streams;
        int Count;
        double SoundSeconds, ClickAt, Slack; // sound -1 for none
    };
    const double aacSlack = 2048.0 / 48000;
    for (const Case& c : {
             Case{"whole.avi", "", "rawvideo,video,24/1\npcm_s16le,audio,0/0\n", 72, 3.0, 0.75, 0.001},
             Case{"part.avi", "13-36", "rawvideo,video,24/1\npcm_s16le,audio,0/0\n", 24, 1.0, 0.25, 0.001},
             Case{"part.mp4", "13-36", "h264,video,24/1\naac,audio,0/0\n", 24, 1.0, 0.25, aacSlack},
             Case{"part.mkv", "13-36", "h264,video,24/1\naac,audio,0/0\n", 24, 1.0, 0.25, aacSlack},
             Case{"part.webm", "13-36", "vp8,video,24/1\nopus,audio,0/0\n", 24, 1.0, 0.25, 0.001},
             // A GIF counts in hundredths (4, 4, 5, ...): ffprobe guesses the rate from them.
             Case{"part.gif", "13-36", "gif,video,24000/1001\n", 24, -1, -1, 0},
             Case{"late.avi", "40-72", "rawvideo,video,24/1\npcm_s16le,audio,0/0\n", 33, 33.0 / 24, -1, 0.001},
         }) {
        const std::string movie = Files / c.File;
        std::vector<std::string> args{sheet, movie};
        if (*c.Frames)
            args.insert(args.end(), {"--frames", c.Frames});
        ASSERT_EQ(Export(args), 0) << c.File << ": " << Err.str();
        EXPECT_EQ(CommandOutput("ffprobe -v error -show_entries stream=codec_name,codec_type,r_frame_rate -of csv=p=0 '" +
                                movie + "'"),
                  c.Streams)
            << c.File;
        EXPECT_EQ(CommandOutput("ffprobe -v error -count_frames -select_streams v -show_entries stream=nb_read_frames "
                                "-of csv=p=0 '" +
                                movie + "'"),
                  std::to_string(c.Count) + "\n")
            << c.File;
        if (c.SoundSeconds < 0)
            continue;
        const auto [length, click] = SoundOf(movie);
        EXPECT_GE(length, c.SoundSeconds - 0.001) << c.File;
        EXPECT_LE(length, c.SoundSeconds + c.Slack) << c.File;
        if (c.ClickAt < 0)
            EXPECT_EQ(click, -1) << c.File;
        else
            EXPECT_NEAR(click, c.ClickAt, c.Slack) << c.File;
    }
    EXPECT_TRUE(TempIsEmpty());
}

TEST_F(ExportCodecsTest, APngSequenceIsAPictureForEachFrameNamedByItsFrame) {
    const std::string movie = Files / "walk.png";
    ASSERT_EQ(Export({SheetWithSound(""), movie, "--frames", "47-50"}), 0) << Err.str();
    for (const int frame : {47, 48, 49, 50})
        EXPECT_EQ(CommandOutput("ffprobe -v error -show_entries stream=codec_name,width,height -of csv=p=0 '" +
                                (Files / ("walk_00" + std::to_string(frame) + ".png")) + "'"),
                  "png,320,240\n")
            << frame;
    EXPECT_FALSE(fs::exists(Files / "walk_0046.png"));
    EXPECT_FALSE(fs::exists(Files / "walk_0051.png"));
    // Frames past the last drawing hold its picture.
    EXPECT_EQ(ReadText(Files / "walk_0049.png"), ReadText(Files / "walk_0048.png"));
}

TEST_F(ExportCodecsTest, RangesAndKindsThatCannotBeWrittenAreRefused) {
    const std::string sheet = SheetWithSound("");
    struct Case {
        std::vector<std::string> Args;
        int Status;
        std::string Message;
    };
    for (const Case& c : {
             Case{{"--frames", "0-10"}, 1, "Frames 0 to 10 are no movie range"},
             Case{{"--frames", "20-10"}, 1, "Frames 20 to 10 are no movie range"},
             Case{{"--frames", "1-1638"}, 1, "Frames 1 to 1638 are no movie range"},
             Case{{"--frames", "12"}, 2, "--frames must be A-B"},
             Case{{"--video-codec", "none", "--frames", "1-2"}, 1, "needs a video encoder"},
         }) {
        std::vector<std::string> args{sheet, Files / "out.mp4"};
        args.insert(args.end(), c.Args.begin(), c.Args.end());
        EXPECT_EQ(Export(args), c.Status) << c.Message;
        EXPECT_NE(Err.str().find(c.Message), std::string::npos) << Err.str();
        EXPECT_FALSE(fs::exists(Files / "out.mp4"));
    }
    EXPECT_TRUE(TempIsEmpty());
}

// An uncompressed movie goes into a pipe with nothing kept in the temporary folder, and the reader
// gets the whole movie.
TEST_F(ExportCodecsTest, ARawMovieStreamsIntoAPipe) {
    const std::string pipe = Files / "pipe.avi";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    std::string movie;
    std::thread reader([&] { movie = ReadText(pipe); });
    EXPECT_EQ(Export({SheetWithSound(""), pipe, "--frames", "1-60"}), 0) << Err.str();
    reader.join();
    WriteText(Files / "read.avi", movie);
    EXPECT_EQ(Probe(Files / "read.avi"), "rawvideo,video,24/1,60\n");
    EXPECT_TRUE(fs::is_fifo(pipe));
    EXPECT_TRUE(TempIsEmpty());
}

namespace {

// The times (seconds) at which the movie's video shows a black frame, and its sound decoded at
// 48 kHz mono on the video's time line, by ffmpeg.
struct TSync {
    std::vector<double> Flashes;
    std::string Pcm;
    double PcmStart = 0; // where its first sample lies on the video's time line

    // When the sound first clicks within 10 ms before and 50 ms after `at`; -1 when it does not.
    double ClickNear(double at) const {
        at -= PcmStart;
        const auto first = static_cast<std::size_t>(std::max(0.0, (at - 0.01) * 48000));
        for (std::size_t i = first; i < first + 0.06 * 48000 && 2 * i + 1 < Pcm.size(); ++i) {
            const auto sample = static_cast<std::int16_t>(static_cast<std::uint8_t>(Pcm[2 * i]) |
                                                          (static_cast<std::uint8_t>(Pcm[2 * i + 1]) << 8));
            if (std::abs(sample) > 8000)
                return static_cast<double>(i) / 48000 + PcmStart;
        }
        return -1;
    }
};

TSync SyncOf(const std::string& movie) {
    TSync sync;
    std::istringstream frames(CommandOutput("ffmpeg -v info -nostats -i '" + movie +
                                            "' -map 0:v -vf format=gray,showinfo -f null - 2>&1"));
    const std::regex frame("pts_time:([0-9.]+) .* mean:\\[([0-9]+)");
    std::smatch match;
    for (std::string line; std::getline(frames, line);)
        if (std::regex_search(line, match, frame) && std::stoi(match[2]) < 64)
            sync.Flashes.push_back(std::stod(match[1]));
    sync.Pcm = CommandOutput("ffmpeg -v error -i '" + movie + "' -map 0:a -ac 1 -ar 48000 -f s16le -");
    // A movie whose sound starts before 0 (Opus states its start delay so) is moved to start at 0,
    // the video with it; the decoded sound starts at 0 of the movie's own time.
    sync.PcmStart = -std::stod(
        CommandOutput("ffprobe -v error -show_entries format=start_time -of csv=p=0 '" + movie + "'"));
    return sync;
}

} // namespace

// The export sync table: at 12, 24, 25 and 30 fps a sheet flashes black on its first, middle and
// last frame, and its sound clicks at the start of each. Decoded, every click lies on its flash:
// within 1 ms for PCM and Opus (whose start delay WebM states), within 2 ms for AAC and MP3 in MP4
// and Matroska, whose pictures start after the encoder's delay. voaacenc drops the last partial
// block of what it is given and keeps its delay, so it is given silence enough after the sound
// that the last click, 33 ms before the end at 30 fps, still sounds. AVI has no place for a stream's
// start, so MP3 there comes late by the encoder's delay (1105 samples, 23 ms at 48 kHz; plus a
// millisecond), the same at every click.
TEST_F(ExportCodecsTest, ClicksLieOnTheirFlashesAtEveryFrameRate) {
    std::filesystem::create_directories(Files.Path() / "ink");
    WritePng(Files / "ink/white.png", Solid(64, 48, kWhite));
    WritePng(Files / "ink/black.png", Solid(64, 48, {0, 0, 0}));
    const int frames = 48;
    struct Case {
        const char* Suffix;
        const char* Audio;
        double MaxEarly, MaxLate; // seconds
    };
    const double pcm = 0.001, compressed = 0.002, lameDelay = 1105 / 48000.0 + 0.001;
    for (const int fps : {12, 24, 25, 30}) {
        const std::string sound = Files / ("clicks" + std::to_string(fps) + ".wav");
        const double seconds = static_cast<double>(frames) / fps;
        WriteClickWav(sound, seconds,
                      {0.0, static_cast<double>(frames / 2 - 1) / fps, static_cast<double>(frames - 1) / fps});
        const auto cel = [](int row, int hold, const char* name) {
            return "\t\t<cel col=\"1\" row=\"" + std::to_string(row) + "\" duration=\"" + std::to_string(hold) + "\">" +
                   name + "</cel>\r\n";
        };
        const std::string sheet = Files / ("sync" + std::to_string(fps) + ".xps");
        WriteText(sheet, "<xsheet version=\"4.0\">\r\n<settings>\r\n\t<fps>" + std::to_string(fps) +
                             "</fps>\r\n</settings>\r\n<audio>\r\n\t<audiofile>" + sound +
                             "</audiofile>\r\n</audio>\r\n<layers cols=\"1\">\r\n\t<layer col=\"1\" caption=\"Ink\" dir=\"" +
                             Files / "ink/" + "\" color=\"0\" visible=\"1\">\r\n" + cel(1, 1, "black.png") +
                             cel(2, frames / 2 - 2, "white.png") + cel(frames / 2, 1, "black.png") +
                             cel(frames / 2 + 1, frames / 2 - 1, "white.png") + cel(frames, 1, "black.png") +
                             "\t</layer>\r\n</layers>\r\n</xsheet>\r\n");
        for (const Case& c : {Case{"avi", "none", pcm, pcm}, Case{"mkv", "none", pcm, pcm},
                              Case{"webm", "opusenc", pcm, pcm}, Case{"mp4", "avenc_aac", compressed, compressed},
                              Case{"mkv", "avenc_aac", compressed, compressed},
                              Case{"mp4", "voaacenc", compressed, compressed},
                              Case{"mkv", "voaacenc", compressed, compressed},
                              Case{"mp4", "lamemp3enc", compressed, compressed},
                              Case{"mkv", "lamemp3enc", compressed, compressed},
                              Case{"avi", "lamemp3enc", pcm, lameDelay}}) {
            const std::string name = std::to_string(fps) + " fps, " + c.Suffix + ", " + c.Audio;
            const std::string movie = Files / ("sync." + std::string(c.Suffix));
            ASSERT_EQ(Export({sheet, movie, "--audio-codec", c.Audio}), 0) << name << ": " << Err.str();
            const TSync sync = SyncOf(movie);
            ASSERT_EQ(sync.Flashes.size(), 3u) << name;
            std::vector<double> lates;
            for (std::size_t i = 0; i < 3; ++i) {
                // Containers that count in milliseconds round the frames' times.
                EXPECT_NEAR(sync.Flashes[i] - sync.Flashes[0],
                            static_cast<double>(std::vector<int>{0, frames / 2 - 1, frames - 1}[i]) / fps, 0.001)
                    << name;
                const double click = sync.ClickNear(sync.Flashes[i]);
                ASSERT_GE(click, 0) << name << ": no click at flash " << i + 1;
                lates.push_back(click - sync.Flashes[i]);
                EXPECT_GE(lates.back(), -c.MaxEarly) << name << ", click " << i + 1;
                EXPECT_LE(lates.back(), c.MaxLate) << name << ", click " << i + 1;
                EXPECT_NEAR(lates.back(), lates.front(), 0.002) << name << ", click " << i + 1;
            }
            std::cout << name << ": clicks late by " << lates[0] * 1000 << ", " << lates[1] * 1000 << ", "
                      << lates[2] * 1000 << " ms\n";
        }
    }
}
