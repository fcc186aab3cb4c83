#include "export/AviBuilder.h"

#include "base/Error.h"
#include "export/tests/AviReader.h"
#include "imaging/Compositor.h"
#include "imaging/WorkerPool.h"
#include "imaging/tests/PictureTestSupport.h"
#include "testsupport/CommandOutput.h"

#include <cstdio>
#include <cstdlib>
#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <thread>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>

namespace {

TParsedAvi ReadAvi(const std::string& path) {
    const std::string bytes = ReadText(path);
    return TAviReader(bytes).Parse();
}

std::string ErrorOf(const std::function<void()>& build) {
    try {
        build();
    } catch (const ECwError& e) {
        return e.what();
    }
    return "no error";
}

// The colour of pixel (x, y), counted from the top, in a 24-bit DIB pixel block.
TRgb DibPixel(const std::string& pixels, int width, int height, int x, int y) {
    const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3};
    const auto* p = reinterpret_cast<const std::uint8_t*>(pixels.data()) +
                    stride * static_cast<std::size_t>(height - 1 - y) + 3 * static_cast<std::size_t>(x);
    return {p[2], p[1], p[0]};
}

bool HaveFfprobe() {
    return std::system("command -v ffprobe >/dev/null 2>&1") == 0;
}

// What ffprobe reads of the movie's video stream, counting every frame: "key=value" lines.
std::string Probe(const std::string& path) {
    const std::string command = "ffprobe -v error -count_frames -select_streams v:0 -show_entries "
                                "stream=codec_name,pix_fmt,width,height,r_frame_rate,nb_read_frames "
                                "-of default=noprint_wrappers=1 '" +
                                path + "' 2>&1";
    return CommandOutput(command);
}

} // namespace

TEST(BitmapToDib, RowsRunBottomUpPaddedToFourBytes) {
    struct TCase {
        int Width, Height;
        std::size_t RowBytes;
    };
    for (const TCase c : {TCase{320, 240, 960}, TCase{180, 120, 540}, TCase{161, 120, 484}}) {
        const TPicture picture = MakePicture(c.Width, c.Height, [](int x, int y) {
            return TRgb{x % 256, y, 7};
        });
        TDib dib;
        BitmapToDib(picture, dib);
        ASSERT_EQ(dib.HeaderSize(), 40u);
        EXPECT_EQ(dib.ImageSize(), c.RowBytes * static_cast<std::size_t>(c.Height)) << c.Width;
        const std::string header(dib.Header.begin(), dib.Header.end());
        const TAviReader read(header);
        EXPECT_EQ(read.U32(0), 40u);
        EXPECT_EQ(static_cast<int>(read.U32(4)), c.Width);
        EXPECT_EQ(static_cast<int>(read.U32(8)), c.Height); // positive: bottom-up
        EXPECT_EQ(read.U16(12), 1);
        EXPECT_EQ(read.U16(14), 24);
        EXPECT_EQ(read.U32(16), 0u);
        EXPECT_EQ(read.U32(20), dib.ImageSize());
        const std::string pixels(dib.Pixels.begin(), dib.Pixels.end());
        EXPECT_EQ(DibPixel(pixels, c.Width, c.Height, 5, 0), (TRgb{5, 0, 7}));
        EXPECT_EQ(DibPixel(pixels, c.Width, c.Height, c.Width - 1, c.Height - 1),
                  (TRgb{(c.Width - 1) % 256, c.Height - 1, 7}));
        if (c.RowBytes > static_cast<std::size_t>(c.Width) * 3) {
            EXPECT_EQ(dib.Pixels[c.RowBytes - 1], 0); // padding is zero
        }
    }

    TPicture grey(3, 2, TPixelFormat::pf8bit);
    grey.Fill(9);
    TDib dib;
    BitmapToDib(grey, dib);
    ASSERT_EQ(dib.HeaderSize(), 40u + 256 * 4);
    EXPECT_EQ(dib.Header[14], 8);
    EXPECT_EQ(dib.Header[32 + 0] | dib.Header[33] << 8, 256); // colours used
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(dib.Header[40 + 4 * i] + dib.Header[41 + 4 * i] + dib.Header[42 + 4 * i], 3 * i) << i;
    EXPECT_EQ(dib.ImageSize(), 8u);

    BitmapToDib(TPicture(), dib);
    EXPECT_EQ(dib.HeaderSize(), 0u);
    EXPECT_EQ(dib.ImageSize(), 0u);
}

class BuildFromSheetTest : public ::testing::Test {
protected:
    BuildFromSheetTest() {
        Back = Fixture.AddLayer();
        Front = Fixture.AddLayer();
        Builder.OnProgress = [this](const std::string& caption, std::int32_t done, std::int32_t total) {
            Progress << caption << ' ' << done << '/' << total << ';';
        };
        Builder.OnInfo = [this](const std::string& line) { Info.push_back(line); };
    }

    void Build(const std::string& file, std::int32_t width = 161, std::int32_t height = 120,
               std::int32_t fps = 12) {
        Builder.BuildFromSheet(file, width, height, Rostrum, fps, WholeMovie(Fixture.Sheet, fps, 0));
    }

    TSheetFixture Fixture;
    TCompositor Rostrum{Fixture.Sheet};
    TAviBuilder Builder;
    std::int32_t Back = 0, Front = 0;
    std::ostringstream Progress;
    std::vector<std::string> Info;
};

TEST_F(BuildFromSheetTest, WritesEveryFrameToTheLastCelOfAnyLayer) {
    const TRgb ink{200, 30, 30};
    Fixture.Place(Back, 1, 2, "a.png", Drawing(322, 240, ink, 0, 0, 40));
    // The front layer is hidden, yet its last cel sets the movie's length.
    Fixture.Place(Front, 3, 2, "b.png", Solid(161, 120, {0, 0, 0}));
    Fixture.Sheet.SetLayerVisible(Front, false);
    const std::string file = Fixture.Folder / "movie.avi";
    Build(file);

    const TParsedAvi avi = ReadAvi(file);
    EXPECT_EQ(avi.RiffTypes, std::vector<std::string>{"AVI "});
    EXPECT_EQ(avi.StreamType, "vids");
    EXPECT_EQ(avi.Handler, 0u);
    EXPECT_EQ(avi.StreamFlags, 0u);
    EXPECT_EQ(avi.Scale, 1u);
    EXPECT_EQ(avi.Rate, 12u);
    EXPECT_EQ(avi.Length, 4u);
    EXPECT_EQ(avi.Quality, 0u);
    EXPECT_EQ(avi.SampleSize, 0u);
    EXPECT_EQ(avi.StreamSuggestedBufferSize, 484u * 120); // rows of 483 bytes padded to 484
    EXPECT_EQ((std::vector<int>{avi.Rect[0], avi.Rect[1], avi.Rect[2], avi.Rect[3]}),
              (std::vector<int>{0, 0, 161, 120}));
    EXPECT_EQ(avi.TotalFrames, 4u);
    EXPECT_EQ(avi.Streams, 1u);
    EXPECT_EQ(avi.Width, 161u);
    EXPECT_EQ(avi.Height, 120u);
    EXPECT_EQ(avi.MicroSecPerFrame, 83333u);
    EXPECT_FALSE(avi.HasDmlh);

    // The format is the first frame's BITMAPINFOHEADER.
    ASSERT_EQ(avi.Format.size(), 40u);
    const TAviReader format(avi.Format);
    EXPECT_EQ(format.U32(4), 161u);
    EXPECT_EQ(format.U32(8), 120u);
    EXPECT_EQ(format.U16(14), 24);
    EXPECT_EQ(format.U32(20), 484u * 120);

    ASSERT_EQ(avi.Frames.size(), 4u);
    ASSERT_EQ(avi.Idx1.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(avi.Frames[i].size(), 484u * 120);
        EXPECT_EQ(avi.Idx1[i].Id, "00db");
        EXPECT_EQ(avi.Idx1[i].Flags, 0x10u); // key frame
        EXPECT_EQ(avi.FirstMoviPos + avi.Idx1[i].Offset, avi.FramePositions[i]);
        EXPECT_EQ(avi.Idx1[i].Size, 484u * 120);
    }
    // The drawing, halved to the movie size, on frames 1 and 2; frames 3 and 4 show only the
    // hidden layer's cel, so they are white.
    EXPECT_EQ(DibPixel(avi.Frames[0], 161, 120, 0, 0), ink);
    EXPECT_EQ(DibPixel(avi.Frames[1], 161, 120, 19, 19), ink);
    EXPECT_EQ(DibPixel(avi.Frames[1], 161, 120, 20, 20), kWhite);
    EXPECT_EQ(DibPixel(avi.Frames[2], 161, 120, 0, 0), kWhite);
    EXPECT_EQ(DibPixel(avi.Frames[3], 161, 120, 160, 119), kWhite);

    EXPECT_EQ(Progress.str(), "building movie 0/4;building movie 1/4;building movie 2/4;building movie 3/4;"
                              "building movie 4/4;");
    EXPECT_EQ(Info, std::vector<std::string>{"Build Complete"});
}

TEST_F(BuildFromSheetTest, RefusesSheetsItCannotMakeAMovieOf) {
    const std::string file = Fixture.Folder / "movie.avi";
    EXPECT_EQ(ErrorOf([&] { Build(file); }), "X-sheet is empty.");
    Fixture.Place(Back, 3, 1, "late.png", Solid(4, 4, kWhite));
    EXPECT_EQ(ErrorOf([&] { Build(file); }), "Movie cannot start with an empty frame.");
    // A cel on frame 1 of a hidden layer is a start.
    Fixture.Place(Front, 1, 1, "early.png", Solid(4, 4, kWhite));
    Fixture.Sheet.SetLayerVisible(Front, false);
    EXPECT_EQ(ErrorOf([&] { Build(Fixture.Folder / "no/such/folder/movie.avi"); }),
              "Failed to open AVI for writing: Cannot write \"" +
                  (Fixture.Folder / "no/such/folder/movie.avi") + "\": No such file or directory");
    EXPECT_EQ(ErrorOf([&] { Build(Fixture.Folder / ""); }),
              "Failed to open AVI for writing: Cannot write \"" + (Fixture.Folder / "") +
                  "\": it is a folder");
    EXPECT_EQ(ErrorOf([&] { Build(file, 161, 120, 0); }), "Failed to create AVI stream");
    EXPECT_TRUE(Info.empty());
    EXPECT_FALSE(std::filesystem::exists(file));
}

TEST_F(BuildFromSheetTest, ReplacesAnExistingMovieOnlyWhenTheNewOneIsComplete) {
    const std::string file = Fixture.Folder / "movie.avi";
    WriteText(file, "an older movie");
    Fixture.Place(Back, 1, 2, "a.png", Solid(8, 8, {1, 2, 3}));
    Build(file, 8, 8, 24);
    const TParsedAvi avi = ReadAvi(file);
    EXPECT_EQ(avi.Rate, 24u);
    EXPECT_EQ(avi.Frames.size(), 2u);

    // A drawing that cannot be read ends the build with its error; the movie stays as it was and
    // no partial file is left beside it.
    const std::string before = ReadText(file);
    WriteText(Fixture.LayerFolder(Back) + "broken.png", "garbage");
    Fixture.Sheet.PlaceCelAt(Back, 3, "broken.png", 1);
    EXPECT_NE(ErrorOf([&] { Build(file, 8, 8, 24); }).find("broken.png"), std::string::npos);
    EXPECT_EQ(ReadText(file), before);
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(Fixture.Folder.Path()))
        ++entries;
    EXPECT_EQ(entries, 3u); // L1/, L2/ and movie.avi
}

TEST_F(BuildFromSheetTest, FramesComeOutInOrderAndAsAOneThreadRunMakesThem) {
    // Twenty frames, each with its own drawing on the front layer and a held one behind.
    Fixture.Place(Back, 1, 20, "back.png", Drawing(40, 30, {230, 230, 230}, 0, 0, 40));
    for (int frame = 1; frame <= 20; ++frame)
        Fixture.Place(Front, frame, 1, "f" + std::to_string(frame) + ".png",
                      Drawing(40, 30, {0, frame * 10, 0}, frame, frame % 25, 5));
    const std::string pipelined = Fixture.Folder / "pipelined.avi";
    Build(pipelined, 41, 30);

    TWorkerPool noWorkers(0);
    TCompositor alone(Fixture.Sheet);
    alone.Pool = &noWorkers;
    alone.DecodeThreads = 1;
    const std::string oneThread = Fixture.Folder / "one-thread.avi";
    Builder.BuildFromSheet(oneThread, 41, 30, alone, 12, {1, 20});
    EXPECT_EQ(ReadText(pipelined), ReadText(oneThread));

    const TParsedAvi avi = ReadAvi(pipelined);
    ASSERT_EQ(avi.Frames.size(), 20u);
    for (int frame = 1; frame <= 20; ++frame)
        ASSERT_EQ(
            DibPixel(avi.Frames[static_cast<std::size_t>(frame - 1)], 41, 30, frame + 2, frame % 25 + 2),
            (TRgb{0, frame * 10, 0}))
            << frame;
}

TEST_F(BuildFromSheetTest, AnErrorInAFrameStopsTheMovieThere) {
    for (int frame = 1; frame <= 20; ++frame)
        Fixture.Place(Back, frame, 1, "f" + std::to_string(frame) + ".png", Solid(8, 6, {frame, 0, 0}));
    WriteText(Fixture.LayerFolder(Back) + "f7.png", "not a picture");
    const std::string file = Fixture.Folder / "movie.avi";
    EXPECT_EQ(ErrorOf([&] { Build(file, 8, 6); }),
              "Cannot read the picture \"" + Fixture.LayerFolder(Back) + "f7.png\": not a PNG file");
    // Six frames were written before frame 7 failed.
    EXPECT_NE(Progress.str().find("6/20;"), std::string::npos) << Progress.str();
    EXPECT_EQ(Progress.str().find("7/20;"), std::string::npos) << Progress.str();
    EXPECT_TRUE(Info.empty());
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(Fixture.Folder.Path()))
        ++entries;
    EXPECT_EQ(entries, 2u); // L1/ and L2/: no movie, no temporary file
}

// A range may start anywhere and run past the last drawing, whose picture then holds; a sound longer
// than the drawings makes the whole movie that long.
TEST_F(BuildFromSheetTest, ARangeShowsItsFramesAndTheLastPictureHolds) {
    for (int frame = 1; frame <= 4; ++frame)
        Fixture.Place(Back, frame, 1, "f" + std::to_string(frame) + ".png", Solid(8, 6, {frame * 50, 0, 0}));
    EXPECT_EQ(WholeMovie(Fixture.Sheet, 12, 0), (TMovieRange{1, 4}));
    EXPECT_EQ(WholeMovie(Fixture.Sheet, 12, 1000), (TMovieRange{1, 12}));
    EXPECT_EQ(WholeMovie(Fixture.Sheet, 12, 1001), (TMovieRange{1, 13}));
    EXPECT_EQ(WholeMovie(Fixture.Sheet, 30, 3'600'000), (TMovieRange{1, 1637}));
    const std::string file = Fixture.Folder / "movie.avi";
    Builder.BuildFromSheet(file, 8, 6, Rostrum, 12, {3, 7});
    const TParsedAvi avi = ReadAvi(file);
    ASSERT_EQ(avi.Frames.size(), 5u);
    for (const auto& [index, red] : std::vector<std::pair<std::size_t, int>>{{0, 150}, {1, 200}, {2, 200}, {4, 200}})
        EXPECT_EQ(DibPixel(avi.Frames[index], 8, 6, 4, 3), (TRgb{red, 0, 0})) << index;
    EXPECT_EQ(ErrorOf([&] { Builder.BuildFromSheet(file, 8, 6, Rostrum, 12, {5, 4}); }),
              "Frames 5 to 4 are no movie range: a range runs from 1 to 1637 and does not end before it starts.");
}

TEST_F(BuildFromSheetTest, AnAbortedBuildLeavesNoFile) {
    for (int frame = 1; frame <= 10; ++frame)
        Fixture.Place(Back, frame, 1, "f" + std::to_string(frame) + ".png", Solid(8, 6, {frame, 0, 0}));
    int asked = 0;
    Builder.Aborted = [&asked] { return ++asked == 3; };
    const std::string file = Fixture.Folder / "movie.avi";
    EXPECT_EQ(ErrorOf([&] { Build(file, 8, 6); }), "The export was cancelled.");
    EXPECT_EQ(asked, 3);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Fixture.Folder.Path()), {}), 2); // L1/ and L2/
}

// A movie whose size is known before its first frame is written front to back: the same bytes as
// when its headers are patched at the end (over several RIFF parts too), and into a pipe the reader
// has each frame as soon as it is written.
TEST(AviWriter, APlannedMovieIsTheSameFileAndStreamsAsItIsWritten) {
    TTempFolder folder;
    const std::vector<std::uint8_t> format(40, 7);
    // Writes `frames` frames, announced as `planned` of them (0: not planned).
    const auto write = [&](const std::string& file, int planned, std::size_t frameBytes, int frames,
                           const std::function<void(int)>& afterFrame = nullptr) {
        TAviWriter avi(frameBytes * 3);
        const std::vector<std::uint8_t> pixels(frameBytes, 9);
        if (planned > 0)
            EXPECT_TRUE(avi.Plan(static_cast<std::uint32_t>(planned), static_cast<std::uint32_t>(frameBytes)));
        TAviStreamInfo info;
        info.Rate = 24;
        info.FrameRight = 4;
        info.FrameBottom = 2;
        EXPECT_TRUE(avi.Open(file) && avi.CreateStream(info) && avi.SetFormat(format.data(), format.size()));
        for (int i = 0; i < frames; ++i) {
            EXPECT_TRUE(avi.WriteSample(pixels.data(), pixels.size(), true));
            if (afterFrame)
                afterFrame(i);
        }
        return avi.Release();
    };
    ASSERT_TRUE(write(folder / "patched.avi", 0, 1000, 10));
    ASSERT_TRUE(write(folder / "planned.avi", 10, 1000, 10));
    EXPECT_EQ(ReadText(folder / "planned.avi"), ReadText(folder / "patched.avi"));
    EXPECT_EQ(ReadAvi(folder / "planned.avi").RiffTypes.size(), 5u); // two frames to a part
    // One frame too few breaks the plan: nothing is left.
    EXPECT_FALSE(write(folder / "short.avi", 10, 1000, 9));
    EXPECT_FALSE(std::filesystem::exists(folder / "short.avi"));

    const std::string fifo = folder / "pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::size_t frameBytes = 4 << 20; // past the writer's buffer
    std::atomic<std::size_t> received = 0;
    std::string streamed;
    std::thread reader([&] {
        std::FILE* in = std::fopen(fifo.c_str(), "rb");
        char chunk[65536];
        while (const std::size_t n = std::fread(chunk, 1, sizeof chunk, in)) {
            streamed.append(chunk, n);
            received += n;
        }
        std::fclose(in);
    });
    std::vector<std::size_t> seen;
    EXPECT_TRUE(write(fifo, 3, frameBytes, 3, [&](int) {
        // Give the reader a moment to take what the pipe holds.
        for (int wait = 0; wait < 200 && received < (seen.size() + 1) * frameBytes; ++wait)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        seen.push_back(received);
    }));
    reader.join();
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_GE(seen[0], frameBytes);
    EXPECT_GE(seen[1], 2 * frameBytes);
    ASSERT_TRUE(write(folder / "same.avi", 0, frameBytes, 3));
    EXPECT_TRUE(streamed == ReadText(folder / "same.avi"));
}

TEST(BuildFromFrames, WritesFrameZeroThenTheOrderedFrames) {
    TTempFolder folder;
    TImageArray frames;
    for (int i = 0; i < 3; ++i) {
        auto picture = std::make_unique<TPicture>(5, 3, TPixelFormat::pf8bit);
        picture->Fill(static_cast<std::uint8_t>(10 * (i + 1)));
        frames.push_back(std::move(picture));
    }
    TAviBuilder builder;
    std::vector<std::string> info;
    std::vector<int> steps;
    builder.OnInfo = [&](const std::string& line) { info.push_back(line); };
    builder.OnProgress = [&](const std::string& caption, std::int32_t done, std::int32_t total) {
        EXPECT_EQ(caption, "Building Movie");
        EXPECT_EQ(total, 3);
        steps.push_back(done);
    };
    const std::string file = folder / "bw.avi";
    builder.BuildFromFrames(file, {0, 2, 1, 2}, frames, 15);

    const TParsedAvi avi = ReadAvi(file);
    EXPECT_EQ(avi.Rate, 15u);
    EXPECT_EQ(avi.Length, 4u);
    // Black-and-white frames: 8 bits per pixel with the 256-entry grey colour table.
    ASSERT_EQ(avi.Format.size(), 40u + 1024);
    EXPECT_EQ(TAviReader(avi.Format).U16(14), 8);
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(TAviReader(avi.Format).U32(40 + 4 * static_cast<std::uint64_t>(i)),
                  static_cast<std::uint32_t>(i * 0x010101))
            << i;
    ASSERT_EQ(avi.Frames.size(), 4u);
    const int expected[] = {10, 30, 20, 30};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(avi.Frames[i].size(), 8u * 3);
        EXPECT_EQ(static_cast<std::uint8_t>(avi.Frames[i][0]), expected[i]);
    }
    EXPECT_EQ(steps, (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(info, std::vector<std::string>{"Build Complete"});
}

TEST(BuildFromFrames, RefusesFramesThatDoNotFitTheStream) {
    TTempFolder folder;
    TAviBuilder builder;
    TImageArray frames;
    frames.push_back(std::make_unique<TPicture>(4, 4, TPixelFormat::pf24bit));
    frames.push_back(std::make_unique<TPicture>(4, 5, TPixelFormat::pf24bit));
    const std::string file = folder / "m.avi";
    EXPECT_EQ(ErrorOf([&] {
                  builder.BuildFromFrames(file, {0, 1}, frames, 24);
              }),
              "Failed to Write Image to AVI Stream");
    EXPECT_EQ(ErrorOf([&] {
                  builder.BuildFromFrames(file, {0, 7}, frames, 24);
              }),
              "Failed to Write Image to AVI Stream");
    EXPECT_EQ(ErrorOf([&] { builder.BuildFromFrames(file, {0}, TImageArray(), 24); }),
              "There are no frames to build a movie from.");
    EXPECT_FALSE(std::filesystem::exists(file));
}

// A movie goes into a pipe (`celwright-cli export S /dev/stdout | player -`), and the headers give
// the widest frames their real width.
TEST(BuildFromFrames, StreamsIntoAPipeWithTheWidestFramesSizes) {
    TTempFolder folder;
    const std::string fifo = folder / "pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    TImageArray frames;
    frames.push_back(std::make_unique<TPicture>(kMaxPictureSide, 1, TPixelFormat::pf24bit));
    auto reader = std::async(std::launch::async, [&] { return ReadText(fifo); });
    TAviBuilder builder;
    builder.BuildFromFrames(fifo, {0, 0}, frames, 24);
    const TParsedAvi avi = TAviReader(reader.get()).Parse();
    EXPECT_EQ(avi.Width, 32768u);
    EXPECT_EQ(avi.Height, 1u);
    EXPECT_EQ(avi.Frames.size(), 2u);
    EXPECT_EQ(avi.Idx1.size(), 2u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 1);
}

TEST(OpenDml, LongMoviesContinueInRiffExtensionsThatPlayersReadToTheEnd) {
    TTempFolder folder;
    TImageArray frames;
    TFrameArray order;
    for (int i = 0; i < 40; ++i) {
        frames.push_back(std::make_unique<TPicture>(Solid(100, 100, {i, 255 - i, 3 * i})));
        order.push_back(i);
    }
    TAviBuilder builder;
    builder.RiffLimit = 200'000; // 30,008 bytes a frame: six frames to a part
    const std::string file = folder / "long.avi";
    builder.BuildFromFrames(file, order, frames, 25);

    const TParsedAvi avi = ReadAvi(file);
    ASSERT_EQ(avi.RiffTypes.size(), 7u);
    EXPECT_EQ(avi.RiffTypes[0], "AVI ");
    for (std::size_t i = 1; i < avi.RiffTypes.size(); ++i)
        EXPECT_EQ(avi.RiffTypes[i], "AVIX");
    ASSERT_EQ(avi.Frames.size(), 40u);
    for (int i = 0; i < 40; ++i)
        EXPECT_EQ(DibPixel(avi.Frames[static_cast<std::size_t>(i)], 100, 100, 50, 50),
                  (TRgb{i, 255 - i, 3 * i}));
    // AVI 1.0 readers see the first part; the OpenDML headers give the whole movie.
    EXPECT_EQ(avi.TotalFrames, 6u);
    EXPECT_EQ(avi.Idx1.size(), 6u);
    EXPECT_TRUE(avi.HasDmlh);
    EXPECT_EQ(avi.DmlhFrames, 40u);
    EXPECT_EQ(avi.Length, 40u);
    ASSERT_EQ(avi.SuperIndex.size(), 7u);
    ASSERT_EQ(avi.StandardIndexes.size(), 7u);
    std::size_t frame = 0;
    for (std::size_t part = 0; part < 7; ++part) {
        EXPECT_EQ(avi.SuperIndex[part].Duration, avi.StandardIndexes[part].size());
        for (const auto& [position, size] : avi.StandardIndexes[part]) {
            EXPECT_EQ(position, avi.FramePositions[frame] + 8);
            EXPECT_EQ(size, 30'000u); // key frame: the top bit is clear
            ++frame;
        }
    }
    EXPECT_EQ(frame, 40u);

    if (!HaveFfprobe())
        GTEST_SKIP() << "ffprobe is not installed";
    EXPECT_EQ(Probe(file), "codec_name=rawvideo\nwidth=100\nheight=100\npix_fmt=bgr24\nr_frame_rate=25/1\n"
                           "nb_read_frames=40\n");
}

TEST(AviPlayers, FfprobeReadsColourAndBlackAndWhiteMovies) {
    if (!HaveFfprobe())
        GTEST_SKIP() << "ffprobe is not installed";
    TTempFolder folder;
    TAviBuilder builder;
    TImageArray colour, grey;
    for (int i = 0; i < 3; ++i) {
        colour.push_back(std::make_unique<TPicture>(Solid(161, 120, {i, i, i})));
        grey.push_back(std::make_unique<TPicture>(161, 120, TPixelFormat::pf8bit));
    }
    builder.BuildFromFrames(folder / "colour.avi", {0, 1, 2}, colour, 12);
    builder.BuildFromFrames(folder / "grey.avi", {0, 1, 2}, grey, 12);
    EXPECT_EQ(
        Probe(folder / "colour.avi"),
        "codec_name=rawvideo\nwidth=161\nheight=120\npix_fmt=bgr24\nr_frame_rate=12/1\nnb_read_frames=3\n");
    EXPECT_EQ(
        Probe(folder / "grey.avi"),
        "codec_name=rawvideo\nwidth=161\nheight=120\npix_fmt=pal8\nr_frame_rate=12/1\nnb_read_frames=3\n");
}
