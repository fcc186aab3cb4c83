#include "cli/CelwrightCli.h"
#include "export/tests/AviReader.h"
#include "imaging/PictureCodecs.h"
#include "imaging/tests/PictureTestSupport.h"
#include "testsupport/CliFixture.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <sstream>

namespace {

struct TCelLine {
    int Layer;
    int Frame;
    int Hold;
    std::string Name;
};

// celwright-cli render and export on a sheet of two layers in a temporary folder, with the
// preferences in a fresh configuration folder.
class RenderCommandsTest : public TCliFixture {
protected:
    void SetUp() override {
        for (const char* layer : {"back", "front"})
            std::filesystem::create_directories(Files / layer);
        // Back: a red square on white, frames 1 to 6. Front: grey paper on frames 3 and 4, and a
        // hidden layer's cel that runs to frame 9.
        WritePng(Files / "back/red.png", Drawing(20, 10, {255, 0, 0}, 0, 0, 4));
        WritePng(Files / "front/grey.png", Solid(20, 10, {100, 100, 100}));
        WriteSheet({{1, 1, 6, "red.png"}, {2, 3, 2, "grey.png"}, {3, 9, 1, "grey.png"}});
    }

    void WriteSheet(const std::vector<TCelLine>& cels) {
        std::string xps =
            "<xsheet version=\"4.0\">\r\n<settings>\r\n\t<fps>12</fps>\r\n\t<step>2</step>\r\n"
            "\t<numbering>sequential</numbering>\r\n\t<color>0</color>\r\n\t<format>png</format>\r\n"
            "\t<path>" +
            (Files / "") +
            "</path>\r\n</settings>\r\n<audio>\r\n</audio>\r\n"
            "<layers cols=\"3\">\r\n";
        const char* folders[] = {"back/", "front/", "front/"};
        for (int layer = 1; layer <= 3; ++layer) {
            xps += "\t<layer col=\"" + std::to_string(layer) + "\" caption=\"\" dir=\"" +
                   (Files / folders[layer - 1]) + "\" color=\"0\" visible=\"" + (layer == 3 ? "0" : "1") +
                   "\">\r\n";
            for (const TCelLine& cel : cels) {
                if (cel.Layer == layer)
                    xps += "\t\t<cel col=\"" + std::to_string(layer) + "\" row=\"" +
                           std::to_string(cel.Frame) + "\" duration=\"" + std::to_string(cel.Hold) + "\">" +
                           cel.Name + "</cel>\r\n";
            }
            xps += "\t</layer>\r\n";
        }
        xps += "</layers>\r\n</xsheet>\r\n";
        WriteText(Files / "sheet.xps", xps);
    }

    TPicture ReadFrame(const std::string& name) {
        TPicture picture;
        ReadPng(Files / ("out/" + name), picture);
        return picture;
    }

};

} // namespace

TEST_F(RenderCommandsTest, RenderWritesNumberedFramesCountingUpFromTheFirst) {
    ASSERT_EQ(Run({"render", Files / "sheet.xps", "--from", "3", "--to=2", "--size", "10x5", "--out-dir",
                   Files / "out"}),
              0)
        << Err.str();
    EXPECT_EQ(Out.str(), "Rendered frames 3 to 4 at 10 x 5 into " + (Files / "out") + "\n");
    for (const char* name : {"0003.png", "0004.png"}) {
        const TPicture frame = ReadFrame(name);
        ASSERT_EQ(frame.PixelFormat(), TPixelFormat::pf24bit);
        ASSERT_EQ(frame.Width(), 10);
        ASSERT_EQ(frame.Height(), 5);
        EXPECT_EQ(PixelAt(frame, 1, 1), (TRgb{255, 0, 0})); // red (60) is darker than grey (100)
        EXPECT_EQ(PixelAt(frame, 5, 3), (TRgb{100, 100, 100}));
    }
    EXPECT_FALSE(std::filesystem::exists(Files / "out/0002.png"));
    EXPECT_FALSE(std::filesystem::exists(Files / "out/0005.png"));
}

TEST_F(RenderCommandsTest, RenderDefaultsToTheVisibleFramesAtTheFirstDrawingsSize) {
    ASSERT_EQ(Run({"render", Files / "sheet.xps", "--out-dir", Files / "out"}), 0) << Err.str();
    // Frames 1 to 6: the hidden layer's cel on frame 9 does not count.
    for (int frame = 1; frame <= 6; ++frame)
        EXPECT_TRUE(std::filesystem::exists(Files / ("out/000" + std::to_string(frame) + ".png"))) << frame;
    EXPECT_FALSE(std::filesystem::exists(Files / "out/0007.png"));
    const TPicture frame = ReadFrame("0001.png");
    EXPECT_EQ(frame.Width(), 20);
    EXPECT_EQ(frame.Height(), 10);
}

TEST_F(RenderCommandsTest, RenderCompositeModeComesFromThePreferencesUnlessGiven) {
    WritePreferences("[general preferences]\ncomposite mode=cBlend\n");
    ASSERT_EQ(Run({"render", Files / "sheet.xps", "--from", "3", "--to", "3", "--out-dir", Files / "out"}), 0)
        << Err.str();
    // Grey blended over red at 127/255.
    EXPECT_EQ(PixelAt(ReadFrame("0003.png"), 1, 1), (TRgb{178, 50, 50}));
    ASSERT_EQ(Run({"render", Files / "sheet.xps", "--from", "3", "--to", "3", "--composite", "multiply",
                   "--out-dir", Files / "out"}),
              0);
    EXPECT_EQ(PixelAt(ReadFrame("0003.png"), 1, 1), (TRgb{99, 0, 0}));
}

TEST_F(RenderCommandsTest, RenderInBlackAndWhiteWritesEightBitGrey) {
    ASSERT_EQ(
        Run({"render", Files / "sheet.xps", "--from", "1", "--to", "1", "--bw", "--out-dir", Files / "out"}),
        0)
        << Err.str();
    const std::string png = ReadText(Files / "out/0001.png");
    ASSERT_GT(png.size(), 26u);
    EXPECT_EQ(png[24], 8); // bit depth
    EXPECT_EQ(png[25], 0); // colour type: grey
    const TPicture frame = ReadFrame("0001.png");
    EXPECT_EQ(PixelAt(frame, 0, 0), (TRgb{76, 76, 76}));
    EXPECT_EQ(PixelAt(frame, 10, 5), kWhite);
}

TEST_F(RenderCommandsTest, RenderRefusesBadArguments) {
    const std::string sheet = Files / "sheet.xps", out = Files / "out";
    struct TCase {
        std::vector<std::string> Args;
        int Status;
        std::string Message;
    };
    const std::vector<TCase> cases = {
        {{"render", sheet}, 2, "celwright-cli render: --out-dir is missing"},
        {{"render", sheet, "--out-dir", out, "--size", "10"}, 2, "--size must be WxH"},
        {{"render", sheet, "--out-dir", out, "--size", "0x5"}, 2, "--size must be WxH"},
        {{"render", sheet, "--out-dir", out, "--composite", "screen"},
         2,
         "--composite must be darken, blend or multiply"},
        {{"render", sheet, "--out-dir", out, "--fast"}, 2, "unknown option --fast"},
        {{"render", sheet, "--out-dir"}, 2, "--out-dir needs a value"},
        {{"render", sheet, "--out-dir", out, "--from", "abc"}, 1, "'abc' is not a valid integer value\n"},
        {{"render", sheet, "--out-dir", out, "--to", "41"}, 1, "Frame 41 is not on the sheet (1 to 40).\n"},
        {{"render", sheet, "--out-dir", out, "--from", "0"}, 1, "Frame 0 is not on the sheet (1 to 40).\n"},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(Run(c.Args), c.Status) << c.Message;
        EXPECT_NE(Err.str().find(c.Message), std::string::npos) << Err.str();
    }
    EXPECT_FALSE(std::filesystem::exists(out));
}

TEST_F(RenderCommandsTest, ExportBuildsTheMovieOfTheWholeSheet) {
    const std::string movie = Files / "movie.avi";
    ASSERT_EQ(Run({"export", Files / "sheet.xps", movie}), 0) << Err.str();
    EXPECT_EQ(Out.str(), "Build Complete\n");
    EXPECT_EQ(Err.str(), ""); // no progress line when stderr is not a terminal
    const std::string bytes = ReadText(movie);
    const TParsedAvi avi = TAviReader(bytes).Parse();
    EXPECT_EQ(avi.Rate, 12u);                           // the sheet's frame rate
    EXPECT_EQ(avi.Frames.size(), 9u);                   // to the hidden layer's last cel
    EXPECT_EQ(avi.Width, 20u);                          // the first drawing's size
    EXPECT_EQ(avi.StreamSuggestedBufferSize, 60u * 10); // 24-bit rows of 60 bytes

    ASSERT_EQ(Run({"export", Files / "sheet.xps", movie, "--size", "8x6"}), 0) << Err.str();
    EXPECT_EQ(TAviReader(ReadText(movie)).Parse().Width, 8u);

    WriteSheet({{1, 2, 1, "red.png"}});
    EXPECT_EQ(Run({"export", Files / "sheet.xps", movie}), 1);
    EXPECT_EQ(Err.str(), "Movie cannot start with an empty frame.\n");
    EXPECT_EQ(Run({"export", Files / "sheet.xps"}), 2);
}

TEST_F(RenderCommandsTest, MissingDrawingsStopRenderAndExportUnlessAllowed) {
    WriteSheet({{1, 1, 6, "red.png"}, {2, 3, 2, "gone.png"}, {2, 6, 1, "gone.png"}});
    const std::string list = Files / "front/gone.png" + " (layer 2, frames 3-4, 6)\n";
    const std::string movie = Files / "movie.avi";
    const std::string out = Files / "out";
    struct TCase {
        std::vector<std::string> Args;
        std::string Written;
    };
    for (const TCase& c : {TCase{{"render", Files / "sheet.xps", "--out-dir", out}, Files / "out/0001.png"},
                           TCase{{"export", Files / "sheet.xps", movie}, movie}}) {
        SCOPED_TRACE(c.Args[0]);
        EXPECT_EQ(Run(c.Args), 1);
        EXPECT_EQ(Err.str(), "Drawings are missing (--allow-missing renders them as white paper):\n" + list);
        EXPECT_FALSE(std::filesystem::exists(c.Written));

        std::vector<std::string> allowed = c.Args;
        allowed.push_back("--allow-missing");
        EXPECT_EQ(Run(allowed), 0) << Err.str();
        EXPECT_EQ(Err.str(), "Drawings are missing and render as white paper:\n" + list);
        EXPECT_TRUE(std::filesystem::exists(c.Written));
    }
    // Frames without the missing drawing render without a word.
    EXPECT_EQ(Run({"render", Files / "sheet.xps", "--out-dir", out, "--from", "1", "--to", "2"}), 0) << Err.str();
}

// Cels the sheet cannot place are named as they are left out; the frames, movies and printouts are
// still written, without them, and the partial success shows in the exit status.
TEST_F(RenderCommandsTest, CelsLeftOutOnOpeningMakeRenderExportAndPrintPartial) {
    WriteSheet({{1, 1, 6, "red.png"}, {2, 0, 2, "grey.png"}, {2, 1630, 10, "grey.png"}});
    const std::string leftOut = "Left out: grey.png, layer 2, frame 0: no first frame\n"
                                "Left out: grey.png, layer 2, frame 1630: passes frame 1637\n";
    struct TCase {
        std::vector<std::string> Args;
        std::string Written;
    };
    for (const TCase& c :
         {TCase{{"render", Files / "sheet.xps", "--out-dir", Files / "out"}, Files / "out/0006.png"},
          TCase{{"export", Files / "sheet.xps", Files / "movie.avi"}, Files / "movie.avi"},
          TCase{{"export", Files / "sheet.xps", Files / "movie.gif"}, Files / "movie.gif"},
          TCase{{"print", Files / "sheet.xps", Files / "sheet.pdf"}, Files / "sheet.pdf"}}) {
        SCOPED_TRACE(c.Args.back());
        EXPECT_EQ(Run(c.Args), 3);
        EXPECT_EQ(Err.str(), leftOut);
        EXPECT_TRUE(std::filesystem::exists(c.Written));
    }
    EXPECT_EQ(TAviReader(ReadText(Files / "movie.avi")).Parse().Frames.size(), 6u);

    // A failure stays a failure.
    WriteSheet({{1, 2, 1, "red.png"}, {2, 0, 2, "grey.png"}});
    EXPECT_EQ(Run({"export", Files / "sheet.xps", Files / "empty.avi"}), 1);
    EXPECT_EQ(Err.str(), "Left out: grey.png, layer 2, frame 0: no first frame\n"
                         "Movie cannot start with an empty frame.\n");
}
