// The main window's sound: the scrub output follows the sheet's sound file, the sound commands, the
// volume window, and a drag along the audio column or its Up and Down keys playing the frames
// passed over, at a fakesink and heard through a private sound server.
#include "audio/SheetSound.h"

#include "HeardTones.h"
#include "PlayedRuns.h"
#include "WavWriter.h"
#include "app/MainWindow.h"
#include "audio/VolumeWindow.h"
#include "base/TemporaryFolders.h"
#include "settings/Folders.h"
#include "sheetview/AudioColumn.h"
#include "sheetview/SheetView.h"
#include "testsupport/MainWindowFixture.h"
#include "testsupport/MonitorRecording.h"
#include "testsupport/SoundServer.h"
#include "testsupport/TempFolder.h"
#include "testsupport/WaitFor.h"

#include <QAction>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSlider>
#include <QTest>
#include <gtest/gtest.h>
#include <utility>
#include <vector>

namespace {

class SheetSoundTest : public TMainWindowFixture {
protected:
    SheetSoundTest() {
        WriteToneWav(Files / "voice.wav", 3.0);
    }
    std::unique_ptr<TMainWindow> MakeWindow() {
        auto window = NewWindow();
        window->Files().AskOpenFile = [this](const QString&, const QString&) { return OpenPath; };
        Part(*window, "NewAction")->trigger();
        Part(*window, "AddLayerAction")->trigger();
        return window;
    }
    TTempFolder Files;
    QString OpenPath;
};

TEST_F(SheetSoundTest, ImportClearAndUndoFollowTheSheetsSound) {
    auto window = MakeWindow();
    TScrubOutput& output = window->Sound().ScrubOutput;
    OpenPath = QString::fromStdString(Files / "missing.wav");
    Part(*window, "ImportAudioAction")->trigger(); // ignored without a message
    EXPECT_FALSE(window->Sheet().Document().AudioShown());

    OpenPath = QString::fromStdString(Files / "voice.wav");
    Part(*window, "ImportAudioAction")->trigger();
    EXPECT_TRUE(window->Sheet().HasAudio());
    EXPECT_TRUE(output.Active());
    EXPECT_TRUE(Part(*window, "HideAudioAction")->isEnabled());
    EXPECT_FALSE(Part(*window, "ShowAudioAction")->isEnabled());
    if (!output.HasSoundOutput()) {
        // Told once, however often sound is loaded.
        Part(*window, "ImportAudioAction")->trigger();
        EXPECT_EQ(Part<QPlainTextEdit>(*window, "InfoPanel")->toPlainText().count("No sound output was found"), 1);
    }
    // The converted copies go to this program's own folder in the temporary folder.
    EXPECT_NE(window->Sheet().TempFolder().find("/celwright-"), std::string::npos);

    window->Sheet().SetPhoneme(3, "OO");
    Part(*window, "ClearPhonemesAction")->trigger();
    EXPECT_EQ(window->Sheet().Phoneme(3), "");
    EXPECT_TRUE(output.Active());
    Part(*window, "ClearAudioAction")->trigger();
    EXPECT_FALSE(window->Sheet().HasAudio());
    EXPECT_FALSE(output.Active());
    // A slip of the mouse costs nothing: undo brings the sound and the phoneme back.
    Part(*window, "UndoAction")->trigger();
    EXPECT_TRUE(window->Sheet().HasAudio());
    EXPECT_TRUE(output.Active());
    Part(*window, "UndoAction")->trigger();
    EXPECT_EQ(window->Sheet().Phoneme(3), "OO");

    Part(*window, "ClearAllAction")->trigger();
    EXPECT_FALSE(window->Sheet().HasAudio());
    EXPECT_EQ(window->Sheet().Phoneme(3), "");
    EXPECT_FALSE(output.Active());
}

TEST_F(SheetSoundTest, AMissingTemporaryFolderMeansTheSystemsNeverTheSoundsFolder) {
    WriteText(User / "Celwright/3.0/celwright.ini",
              "[general preferences]\ntemp path=" + (Files / "gone/") + "\n");
    auto window = MakeWindow();
    const std::string folder = window->Sheet().TempFolder();
    EXPECT_TRUE(folder.starts_with(SystemTempFolder() + TemporaryFolderPrefix())) << folder;
    EXPECT_TRUE(std::filesystem::is_directory(folder));
}

TEST_F(SheetSoundTest, OpeningASheetLoadsItsSound) {
    auto window = MakeWindow();
    window->Files().OpenDocument(CELWRIGHT_SAMPLE_SHEET);
    EXPECT_TRUE(window->Sheet().HasAudio());
    EXPECT_EQ(window->Sheet().Document().Data().Audio.DurationMs, 1849);
    EXPECT_EQ(window->Sheet().Phoneme(33), "rest");
    EXPECT_TRUE(window->Sound().ScrubOutput.Active());
}

// Hide Audio only takes the sound out of play: the sheet keeps its sound file and phonemes through
// a save and through undoing an edit made while the column was hidden.
TEST_F(SheetSoundTest, HidingTheAudioColumnKeepsTheSoundInTheSheet) {
    const std::string sound = Files / "voice.wav";
    const std::string path = Files / "talk.xps";
    WriteText(path,
              "<xsheet version=\"4.0\">\n<settings>\n</settings>\n<audio>\n\t<audiofile>" + sound +
                  "</audiofile>\n\t<phonemes>\n\t\t<phoneme row=\"2\">MBP</phoneme>\n\t</phonemes>\n"
                  "</audio>\n<layers cols=\"1\">\n<layer col=\"1\" caption=\"A\" dir=\"/a/\">\n"
                  "<cel col=\"1\" row=\"1\" duration=\"2\">a.png</cel>\n</layer>\n</layers>\n</xsheet>\n");
    auto window = MakeWindow();
    window->Files().OpenDocument(QString::fromStdString(path));
    ASSERT_TRUE(window->Sheet().HasAudio());

    Part(*window, "HideAudioAction")->trigger();
    window->Sheet().PlaceHeldCel(1, 5, "b.png", 1);
    Part(*window, "ShowAudioAction")->trigger();
    Part(*window, "UndoAction")->trigger();
    EXPECT_TRUE(window->Sheet().HasAudio());
    EXPECT_EQ(window->Sheet().CelName(1, 5), "");

    Part(*window, "HideAudioAction")->trigger();
    EXPECT_FALSE(window->Sheet().HasAudio()); // hidden: no sound in play
    Part(*window, "SaveAction")->trigger();
    const std::string saved = ReadText(path);
    EXPECT_NE(saved.find("\t<audiofile>" + sound + "</audiofile>\r\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("<phoneme row=\"2\">MBP</phoneme>"), std::string::npos) << saved;

    // The file has no place for the column's state: the sheet opens with its sound shown.
    auto again = MakeWindow();
    again->Files().OpenDocument(QString::fromStdString(path));
    EXPECT_TRUE(again->Sheet().HasAudio());
    EXPECT_EQ(again->Sheet().Phoneme(2), "MBP");
}

TEST_F(SheetSoundTest, TheVolumeWindowOpensAtTheLevelInForce) {
    auto window = MakeWindow();
    TVolumeWindow& volume = window->Sound().VolumeWindow();
    Part(*window, "AdjustVolumeAction")->trigger();
    EXPECT_TRUE(volume.isVisible());
    EXPECT_EQ(volume.windowTitle(), "Volume");
    EXPECT_EQ(volume.TrackBar().value(), 24); // the lowest position still at full level
    EXPECT_EQ(volume.LevelText(), "100 %");
    EXPECT_EQ(Part<QLabel>(volume, "LevelCaption")->text(), "Level");
    EXPECT_GE(volume.width(), 150);
    volume.TrackBar().setValue(50);
    EXPECT_EQ(volume.LevelText(), "31 %"); // 10.24 dB down
    volume.TrackBar().setValue(60);
    EXPECT_EQ(window->Sound().ScrubOutput.Volume(), 3660);
    EXPECT_EQ(volume.LevelText(), "0.1 %");
    volume.TrackBar().setValue(80); // more than 100 dB down: refused
    EXPECT_EQ(window->Sound().ScrubOutput.Volume(), 3660);
    EXPECT_EQ(volume.LevelText(), "0.1 %");
    // Moved aside, closed and opened again: where it was left.
    volume.move(volume.pos() + QPoint(120, 80));
    const QPoint left = volume.pos();
    volume.close();
    Part(*window, "AdjustVolumeAction")->trigger();
    EXPECT_EQ(volume.TrackBar().value(), 60);
    EXPECT_EQ(volume.pos(), left);

    window->SelectLanguage("German");
    EXPECT_EQ(volume.windowTitle(), "Lautstärke");
    EXPECT_EQ(Part<QLabel>(volume, "LevelCaption")->text(), "Pegel");
    window->SelectLanguage("French");
    EXPECT_EQ(Part<QLabel>(volume, "LevelCaption")->text(), "Niveau");
}

// A sheet of 400 by 400 pixels with a sound loaded, wired to it as the main window wires it;
// `Shown` lists the frames the thumbnail was asked to show.
class ScrubbedSheetTest : public SheetSoundTest {
protected:
    void Open(const std::string& sink, const std::string& sound) {
        Window.resize(400, 400);
        Sheet = new TSheetView(&Window);
        Sheet->setGeometry(0, 0, 400, 400);
        Sound = std::make_unique<TSheetSound>(*Sheet, Window, sink);
        Sound->ShowFrame = [this](std::int32_t, std::int32_t frame) { Shown.push_back(frame); };
        Sheet->OnAudioLoaded = [this](QObject&) { Sound->AudioLoaded(); };
        Sheet->OnScrubAudioStart = [this](QObject&, std::int32_t pos) { Sound->ScrubStart(pos); };
        Sheet->OnScrubAudio = [this](QObject&, std::int32_t pos) { Sound->ScrubMove(pos); };
        Sheet->OnScrubAudioEnd = [this](QObject&) { Sound->ScrubEnd(); };
        Window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&Window));
        Sheet->LoadAudio(sound);
        ASSERT_TRUE(Sound->ScrubOutput.Active());
        ASSERT_EQ(Sheet->Fps(), 24);
        ASSERT_EQ(Sheet->GridHeight(), 20);
    }
    void TearDown() override {
        // Stopped before what it reports into goes.
        Sound.reset();
    }

    QWidget Window;
    TSheetView* Sheet = nullptr; // owned by the window
    std::vector<std::int32_t> Shown;
    std::unique_ptr<TSheetSound> Sound;
};

// The sound holds a steady level per frame (LevelTrack) and plays at a fakesink whose runs of
// levels are recorded.
class SheetScrubTest : public ScrubbedSheetTest {
protected:
    void SetUp() override {
        WriteMonoWav(Files / "levels.wav", LevelTrack(8, 24, 48000), 48000);
        ASSERT_NO_FATAL_FAILURE(Open("fakesink sync=true", Files / "levels.wav"));
        Played = std::make_unique<TPlayedRuns>(Sound->ScrubOutput.Sink());
    }

    // Each frame's whole slice: 2000 samples at 48 kHz and 24 fps.
    static std::vector<TPlayedRuns::TRun> Slices(const std::vector<std::int32_t>& frames) {
        std::vector<TPlayedRuns::TRun> runs;
        for (std::int32_t frame : frames)
            runs.emplace_back(frame, 2000);
        return runs;
    }

    std::unique_ptr<TPlayedRuns> Played;
};

// At 24 fps and 20-pixel rows: the pressed frame plays, then each frame entered, down or up, plays
// its own slice and nothing buffered before it.
TEST_F(SheetScrubTest, ADragAlongTheColumnPlaysEachFramesOwnSliceDownAndUp) {
    const auto played = [this](std::size_t runs) {
        return QTest::qWaitFor([&] { return Played->Count() == runs; }, 5000);
    };
    TAudioColumn& column = Sheet->AudioDisplay();
    QTest::mousePress(&column, Qt::LeftButton, {}, QPoint(25, 0));
    ASSERT_TRUE(played(1));
    QTest::mouseMove(&column, QPoint(25, 15), 0); // the same frame: nothing new
    QTest::mouseMove(&column, QPoint(25, 45), 0);
    ASSERT_TRUE(played(2));
    QTest::mouseMove(&column, QPoint(25, 25), 0);
    ASSERT_TRUE(played(3));
    QTest::mouseRelease(&column, Qt::LeftButton, {}, QPoint(25, 25));
    EXPECT_EQ(Played->Runs(), Slices({1, 3, 2}));
    EXPECT_EQ(Shown, (std::vector<std::int32_t>{1, 3, 2}));
}

// The keyboard scrubs on from where the mouse left off: after a drag from frame 2 down to 4 and
// back to 3, Up three times (the third on frame 1 stays there, silent) and Down play frames 2, 1
// and 2, each its own slice; the column keeps the keys and the thumbnail follows.
TEST_F(SheetScrubTest, UpAndDownInTheAudioColumnPlayEachFramesOwnSlice) {
    std::size_t asked = 0;
    const auto played = [this, &asked] {
        ++asked;
        return QTest::qWaitFor([&] { return Played->Count() == asked; }, 5000);
    };

    TAudioColumn& column = Sheet->AudioDisplay();
    QTest::mousePress(&column, Qt::LeftButton, {}, QPoint(25, 25));
    ASSERT_TRUE(played());
    for (int y : {45, 65, 45}) {
        QTest::mouseMove(&column, QPoint(25, y), 0);
        ASSERT_TRUE(played());
    }
    QTest::mouseRelease(&column, Qt::LeftButton, {}, QPoint(25, 45));
    EXPECT_TRUE(column.hasFocus());
    EXPECT_EQ(column.KeyFrame(), 3);
    for (Qt::Key key : {Qt::Key_Up, Qt::Key_Up}) {
        QTest::keyClick(&column, key);
        ASSERT_TRUE(played());
    }
    QTest::keyClick(&column, Qt::Key_Up);
    EXPECT_EQ(column.KeyFrame(), 1);
    QTest::keyClick(&column, Qt::Key_Down);
    ASSERT_TRUE(played());

    EXPECT_EQ(Played->Runs(), Slices({2, 3, 4, 3, 2, 1, 2}));
    EXPECT_EQ(Shown, (std::vector<std::int32_t>{2, 3, 4, 3, 2, 1, 2}));
}

// The sound has a tone of its own per frame, and the sheet plays through a private sound server
// whose monitor is recorded from before the output opens.
class SheetScrubHeardTest : public ScrubbedSheetTest {
protected:
    void SetUp() override {
        WriteMonoWav(Files / "tones.wav", Tones.Track(24), THeardTones::kRate);
        ASSERT_NO_FATAL_FAILURE(Open("autoaudiosink", Files / "tones.wav"));
        ASSERT_TRUE(Sound->ScrubOutput.HasSoundOutput());
    }

    bool Heard(std::int64_t move) { return THeardTones::HeardAfter(Recording, move); }

    TSoundServer Server;
    TMonitorRecording Recording;
    THeardTones Tones{6};
};

// Dragged down and up the column, then on with the keys: every frame passed over is heard, with
// its own tone, once, in the order of the moves.
TEST_F(SheetScrubHeardTest, ScrubbingDownAndUpIsHeardFrameByFrameInOrder) {
    TAudioColumn& column = Sheet->AudioDisplay();
    std::int64_t move = TMonitorRecording::Now();
    QTest::mousePress(&column, Qt::LeftButton, {}, QPoint(25, 5));
    ASSERT_TRUE(Heard(move)) << "frame 1";
    for (int y : {25, 45, 65, 85, 105, 85, 65, 45, 25, 5}) {
        move = TMonitorRecording::Now();
        QTest::mouseMove(&column, QPoint(25, y), 0);
        ASSERT_TRUE(Heard(move)) << "the move to " << y;
    }
    QTest::mouseRelease(&column, Qt::LeftButton, {}, QPoint(25, 5));
    ASSERT_EQ(column.KeyFrame(), 1);
    for (Qt::Key key : {Qt::Key_Down, Qt::Key_Down, Qt::Key_Up}) {
        column.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&Window));
        move = TMonitorRecording::Now();
        QTest::keyClick(&column, key);
        ASSERT_TRUE(Heard(move)) << "key " << key;
    }
    const std::vector<std::int32_t> moves = {1, 2, 3, 4, 5, 6, 5, 4, 3, 2, 1, 2, 3, 2};
    EXPECT_EQ(Tones.Heard(Recording), moves);
    EXPECT_EQ(Shown, moves);
}

} // namespace
