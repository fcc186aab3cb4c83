// celwright-cli export through the media platform's encoders, checked with ffprobe.
#include "testsupport/CliFixture.h"
#include "testsupport/CommandOutput.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <glib.h>
#include <gtest/gtest.h>
#include <regex>
#include <sstream>

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

TEST_F(ExportCodecsTest, SoundWithoutEncoderKeepsRawVideoAndAddsTheWholeSoundAsPcm) {
    const std::string movie = Files / "sound.avi";
    ASSERT_EQ(Export({CELWRIGHT_SAMPLE_SHEET, movie, "--video-codec", "none"}), 0) << Err.str();
    EXPECT_EQ(Probe(movie), "rawvideo,video,24/1,48\npcm_s16le,audio,0/0,40780\n");
    EXPECT_EQ(Out.str(), "Build Complete\nCompression complete.\n");
    EXPECT_TRUE(TempIsEmpty());
}

TEST_F(ExportCodecsTest, EncodersGiveTheirCodecAtTheSheetsFrameCountAndRate) {
    struct Case {
        const char* Video;
        const char* Audio;
        const char* Streams;
    };
    for (const Case& c : {Case{"avenc_mpeg4", "none", "mpeg4,video,24/1,48\npcm_s16le,audio,0/0,40780\n"},
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
    const std::regex shape("(video|audio) [A-Za-z0-9_-]+ .+");
    for (std::string line; std::getline(lines, line);)
        EXPECT_TRUE(std::regex_match(line, shape)) << line;
    EXPECT_NE(list.find("video jpegenc JPEG image encoder\n"), std::string::npos);
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

// A minute of eight unpositioned channels on the sample's 2-second sheet: the movie carries two
// seconds of it, mixed down to stereo, and the media platform has nothing to complain about.
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
    const int result = Export({SheetWithSound(sound), movie, "--video-codec", "none"});
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
