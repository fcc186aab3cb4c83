// The audio column on real files: loading, drawing, the rows it gives the sheet, phonemes typed in
// place and the scrub events of the mouse.
#include "../../testsupport/TempFolder.h"
#include "SheetViewFixture.h"
#include "WavWriter.h"
#include "sheetview/AudioColumn.h"

#include <QLineEdit>
#include <QTest>

namespace {

const QColor kWave(0xFB, 0xAC, 0x3A);

class AudioColumnTest : public SheetViewTest {
protected:
    void SetUp() override {
        SheetViewTest::SetUp();
        Sheet->SetTempFolder(Folder / "");
        Sheet->OnAudioLoaded = [this](QObject&) { ++Loaded; };
        Sheet->OnMessage = [this](QObject&, const std::string& text) { Messages.push_back(text); };
        Sheet->OnScrubAudioStart = [this](QObject& sender, std::int32_t pos) {
            Scrubs.push_back("start " + std::to_string(pos));
            EXPECT_EQ(&sender, &Column());
        };
        Sheet->OnScrubAudio = [this](QObject&, std::int32_t pos) {
            Scrubs.push_back("move " + std::to_string(pos));
        };
        Sheet->OnScrubAudioEnd = [this](QObject&) { Scrubs.push_back("end"); };
    }
    TAudioColumn& Column() { return Sheet->AudioDisplay(); }
    bool HasWaveAt(int x, int y) { return Column().Picture().pixelColor(x, y) == kWave; }
    // A file whose samples all hold one value.
    std::string ConstantWav(const std::string& name, std::int32_t value, int bits) {
        const std::vector<std::int32_t> samples(600, value);
        WriteText(Folder.Path() / name, TRiffBuilder()
                                            .Format(1, 1, 600, static_cast<std::uint16_t>(bits))
                                            .Chunk("data", SampleBytes(samples, bits))
                                            .Text());
        return Folder / name;
    }
    QPoint RowPoint(int row, int dy = 10) const { return {25, row * H + dy - Sheet->VertPos()}; }

    TTempFolder Folder;
    int Loaded = 0;
    std::vector<std::string> Messages;
    std::vector<std::string> Scrubs;
};

TEST_F(AudioColumnTest, TenSecondsAtTwentyFourFpsGrowTheSheetTo241Frames) {
    Build({"a.png 3"});
    Sheet->AddFrames(40 - Sheet->FrameCount());
    ASSERT_EQ(Sheet->FrameCount(), 40);
    WriteToneWav(Folder / "ten.wav", 10.0, 8000, 2);
    Sheet->LoadAudio(Folder / "ten.wav");
    EXPECT_EQ(Loaded, 1);
    EXPECT_TRUE(Column().isVisible());
    EXPECT_EQ(Sheet->Document().AudioRows(), 241);
    EXPECT_EQ(Column().RowCount(), 241);
    EXPECT_EQ(Sheet->FrameCount(), 241);
    EXPECT_EQ(Sheet->Index().RowCount(), 241);
    const TSoundTrack& audio = Data().Audio;
    EXPECT_EQ(audio.DurationMs, 10000);
    EXPECT_EQ(audio.Channels, 2);
    EXPECT_EQ(audio.Peaks[0].size(), 12000u); // 600 pairs a second
    EXPECT_EQ(audio.Peaks[1].size(), 12000u);
    EXPECT_EQ(audio.WaveFile, Folder / "ten.wav");
    EXPECT_TRUE(Sheet->HasAudio());
    // The grid moved right by the column's width.
    EXPECT_EQ(Sheet->Grid().x(), Sheet->IndexWidth() + Sheet->AudioWidth());
}

TEST_F(AudioColumnTest, UnsignedSamplesFromTheLeftEdgeSignedAroundTheCentre) {
    Build({"a.png 3"});
    Sheet->LoadAudio(ConstantWav("eight.wav", 0, 8));
    EXPECT_TRUE(HasWaveAt(0, 5));
    EXPECT_FALSE(HasWaveAt(25, 5));
    Sheet->LoadAudio(ConstantWav("sixteen.wav", 0, 16));
    EXPECT_TRUE(HasWaveAt(25, 5));
    EXPECT_FALSE(HasWaveAt(0, 5));
    Sheet->LoadAudio(ConstantWav("loud.wav", 10000, 16)); // 10000 x 0.0015258 = 15.3
    EXPECT_TRUE(HasWaveAt(25 + 15, 5));
    EXPECT_FALSE(HasWaveAt(25, 5));
}

TEST_F(AudioColumnTest, PhonemesAreTypedInPlaceAndDrawn) {
    Build({"a.png 3"});
    Sheet->LoadAudio(ConstantWav("eight.wav", 0, 8));
    const QImage before = Column().Picture().copy(1, 2 * H + 1, 48, H - 2);
    QTest::mouseClick(&Column(), Qt::LeftButton, {}, RowPoint(2));
    QTest::mouseDClick(&Column(), Qt::LeftButton, {}, RowPoint(2));
    ASSERT_TRUE(Sheet->EditorShowing());
    EXPECT_EQ(Sheet->Editor().geometry().x(), Sheet->IndexWidth());
    QTest::keyClicks(&Sheet->Editor(), "MBP");
    QTest::keyClick(&Sheet->Editor(), Qt::Key_Return);
    EXPECT_EQ(Sheet->Phoneme(3), "MBP");
    EXPECT_NE(Column().Picture().copy(1, 2 * H + 1, 48, H - 2), before);
    Sheet->ClearPhonemes();
    EXPECT_EQ(Sheet->Phoneme(3), "");
    EXPECT_EQ(Column().Picture().copy(1, 2 * H + 1, 48, H - 2), before);
}

TEST_F(AudioColumnTest, ScrubEventsCarryTheHeightInTheWholeColumn) {
    Build({"a.png 3"});
    Sheet->AddFrames(100);
    Sheet->ShowAudio();
    // Without a sound file the press starts a scrub that plays nothing: no moves follow.
    QTest::mousePress(&Column(), Qt::LeftButton, {}, RowPoint(0, 5));
    QTest::mouseMove(&Column(), RowPoint(3));
    QTest::mouseRelease(&Column(), Qt::LeftButton, {}, RowPoint(3));
    EXPECT_EQ(Scrubs, (std::vector<std::string>{"start 5", "end"}));

    Scrubs.clear();
    Sheet->LoadAudio(ConstantWav("sixteen.wav", 0, 16));
    Sheet->VertBar().SetPosition(100);
    QTest::mousePress(&Column(), Qt::LeftButton, {}, QPoint(25, 5));
    QTest::mouseMove(&Column(), QPoint(25, 50), 0);
    QTest::mouseRelease(&Column(), Qt::LeftButton, {}, QPoint(25, 50));
    EXPECT_EQ(Scrubs, (std::vector<std::string>{"start 105", "move 150", "end"}));
    EXPECT_FALSE(Column().Scrubbing());
}

TEST_F(AudioColumnTest, OtherFilesGoThroughTheConverter) {
    Build({"a.png 3"});
    WriteToneWav(Folder / "voice.WAV", 1.0); // PCM, but not named exactly ".wav"
    Sheet->LoadAudio(Folder / "voice.WAV");
    EXPECT_EQ(Loaded, 0); // it arrives later, on this thread
    ASSERT_TRUE(QTest::qWaitFor([this] { return Loaded > 0; }, 20000));
    EXPECT_EQ(Data().Audio.WaveFile, Folder / "cwAudio.wav");
    EXPECT_EQ(Sheet->AudioFileName(), Folder / "voice.WAV");
    EXPECT_NEAR(Data().Audio.DurationMs, 1000, 50);

    WriteText(Folder.Path() / "notes.mp3", "not a sound\n");
    Sheet->LoadAudio(Folder / "notes.mp3");
    ASSERT_TRUE(QTest::qWaitFor([this] { return !Messages.empty(); }, 20000));
    EXPECT_EQ(Messages[0],
              "\"" + (Folder / "notes.mp3") + "\" is not a sound file that can be read. ");
    EXPECT_EQ(Loaded, 1);
}

// Sound past the sheet's last frame and a second more is not read; a slower rate reads more of it.
TEST_F(AudioColumnTest, SoundPastTheLastFrameIsLeftOut) {
    Build({"a.png 3"});
    WriteToneWav(Folder / "long.wav", 150.0, 1000);
    struct TCase {
        std::int32_t Fps;
        double ReadSeconds; // 1637 frames and a second, or the whole sound
        bool Shortened;
    };
    const TCase cases[] = {{24, 69.208, true}, {12, 137.416, true}, {10, 150.0, false}};
    Sheet->LoadAudio(Folder / "long.wav");
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Fps);
        Sheet->SetFps(c.Fps);
        EXPECT_EQ(Data().Audio.Shortened, c.Shortened);
        EXPECT_NEAR(static_cast<double>(Data().Audio.Peaks[0].size()), c.ReadSeconds * 1200, 4);
        EXPECT_NEAR(Data().Audio.DurationMs, 150000, 50); // it still plays to its end
    }
}

TEST_F(AudioColumnTest, MissingFilesHiddenColumnAndRemoval) {
    Build({"a.png 3"});
    Sheet->LoadAudio(Folder / "gone.wav");
    EXPECT_TRUE(Column().isVisible());
    EXPECT_EQ(Loaded, 0);
    EXPECT_TRUE(Messages.empty());
    EXPECT_EQ(Sheet->AudioFileName(), Folder / "gone.wav"); // kept for saving

    Sheet->LoadAudio(ConstantWav("sixteen.wav", 0, 16));
    Sheet->SetPhoneme(2, "AI");
    Sheet->HideAudio();
    EXPECT_FALSE(Column().isVisible());
    EXPECT_EQ(Sheet->AudioFileName(), ""); // a save now writes no sound
    EXPECT_FALSE(Sheet->HasAudio());
    Sheet->ShowAudio();
    EXPECT_EQ(Sheet->Phoneme(2), "AI");
    Sheet->RemoveAudio();
    EXPECT_FALSE(Column().isVisible());
    EXPECT_EQ(Sheet->Phoneme(2), "");
    EXPECT_EQ(Data().Audio.FileName, "");
    EXPECT_EQ(Sheet->Document().AudioRows(), 40);
}

TEST_F(AudioColumnTest, AShortSoundKeepsPhonemesBelowIt) {
    Build({"a.png 3"});
    Sheet->ShowAudio();
    Sheet->SetPhoneme(60, "OO");
    WriteToneWav(Folder / "short.wav", 1.0);
    Sheet->LoadAudio(Folder / "short.wav");
    EXPECT_EQ(Sheet->Phoneme(60), "OO");
    EXPECT_EQ(Column().RowCount(), 60);
}

TEST_F(AudioColumnTest, AFrameRateChangeRedrawsTheWaveform) {
    Build({"a.png 3"});
    WriteToneWav(Folder / "two.wav", 2.0);
    Sheet->LoadAudio(Folder / "two.wav");
    EXPECT_EQ(Sheet->Document().AudioRows(), 49);
    Sheet->SetFps(12);
    EXPECT_EQ(Column().FrameRate(), 12);
    // Rows only grow; at 12 fps the sound ends in row 25 and the rows below it are empty.
    EXPECT_EQ(Column().RowCount(), 49);
    auto waveInRow = [this](int row) {
        for (int y = row * H + 1; y < (row + 1) * H; ++y)
            for (int x = 0; x < 49; ++x)
                if (HasWaveAt(x, y))
                    return true;
        return false;
    };
    EXPECT_TRUE(waveInRow(23));
    EXPECT_FALSE(waveInRow(30));
}

} // namespace
