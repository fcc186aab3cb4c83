// The main window's sound: the graph follows the sheet's sound file, the sound commands, the
// volume window, and a drag along the audio column or its Up and Down keys playing the frames
// passed over, at a fakesink.
#include "audio/SheetSound.h"

#include "WavWriter.h"
#include "app/MainWindow.h"
#include "audio/VolumeWindow.h"
#include "base/TemporaryFolders.h"
#include "settings/Folders.h"
#include "sheetview/AudioColumn.h"
#include "sheetview/SheetView.h"
#include "testsupport/MainWindowFixture.h"
#include "testsupport/TempFolder.h"

#include <QAction>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSlider>
#include <QTest>
#include <gst/gst.h>
#include <gtest/gtest.h>
#include <mutex>
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
    TAudioGraph& graph = window->Sound().AudioGraph;
    OpenPath = QString::fromStdString(Files / "missing.wav");
    Part(*window, "ImportAudioAction")->trigger(); // ignored without a message
    EXPECT_FALSE(window->Sheet().Document().AudioShown());

    OpenPath = QString::fromStdString(Files / "voice.wav");
    Part(*window, "ImportAudioAction")->trigger();
    EXPECT_TRUE(window->Sheet().HasAudio());
    EXPECT_TRUE(graph.Active());
    EXPECT_TRUE(Part(*window, "HideAudioAction")->isEnabled());
    EXPECT_FALSE(Part(*window, "ShowAudioAction")->isEnabled());
    if (!graph.HasSoundOutput()) {
        // Told once, however often sound is loaded.
        Part(*window, "ImportAudioAction")->trigger();
        EXPECT_EQ(Part<QPlainTextEdit>(*window, "InfoPanel")->toPlainText().count("No sound output was found"), 1);
    }
    // The converted copies go to this program's own folder in the temporary folder.
    EXPECT_NE(window->Sheet().TempFolder().find("/celwright-"), std::string::npos);

    window->Sheet().SetPhoneme(3, "OO");
    Part(*window, "ClearPhonemesAction")->trigger();
    EXPECT_EQ(window->Sheet().Phoneme(3), "");
    EXPECT_TRUE(graph.Active());
    Part(*window, "ClearAudioAction")->trigger();
    EXPECT_FALSE(window->Sheet().HasAudio());
    EXPECT_FALSE(graph.Active());
    // A slip of the mouse costs nothing: undo brings the sound and the phoneme back.
    Part(*window, "UndoAction")->trigger();
    EXPECT_TRUE(window->Sheet().HasAudio());
    EXPECT_TRUE(graph.Active());
    Part(*window, "UndoAction")->trigger();
    EXPECT_EQ(window->Sheet().Phoneme(3), "OO");

    Part(*window, "ClearAllAction")->trigger();
    EXPECT_FALSE(window->Sheet().HasAudio());
    EXPECT_EQ(window->Sheet().Phoneme(3), "");
    EXPECT_FALSE(graph.Active());
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
    EXPECT_TRUE(window->Sound().AudioGraph.Active());
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
    EXPECT_EQ(window->Sound().AudioGraph.Volume(), 3660);
    EXPECT_EQ(volume.LevelText(), "0.1 %");
    volume.TrackBar().setValue(80); // more than 100 dB down: refused
    EXPECT_EQ(window->Sound().AudioGraph.Volume(), 3660);
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

// The stretches the sink was asked to play, in order, and where the last buffer it got ends
// (nanoseconds).
struct TSinkRecord {
    std::mutex Mutex;
    std::vector<std::pair<std::int64_t, std::int64_t>> Segments;
    std::int64_t LastBufferEnd = -1;

    static GstPadProbeReturn Probe(GstPad*, GstPadProbeInfo* info, gpointer self) {
        auto* r = static_cast<TSinkRecord*>(self);
        std::lock_guard lock(r->Mutex);
        if (GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_BUFFER) {
            const GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
            r->LastBufferEnd = static_cast<std::int64_t>(GST_BUFFER_PTS(buffer) + GST_BUFFER_DURATION(buffer));
        } else if (GST_EVENT_TYPE(GST_PAD_PROBE_INFO_EVENT(info)) == GST_EVENT_SEGMENT) {
            const GstSegment* segment = nullptr;
            gst_event_parse_segment(GST_PAD_PROBE_INFO_EVENT(info), &segment);
            if (segment->stop != GST_CLOCK_TIME_NONE) // not the paused graph's first, open segment
                r->Segments.emplace_back(segment->start, segment->stop);
        }
        return GST_PAD_PROBE_OK;
    }
};

// A sheet of 400 by 400 pixels with the voice loaded, wired to its sound as the main window wires
// it, playing at a fakesink whose segments and buffers are recorded; `Shown` lists the frames the
// thumbnail was asked to show.
class SheetScrubTest : public SheetSoundTest {
protected:
    void SetUp() override {
        Window.resize(400, 400);
        Sheet = new TSheetView(&Window);
        Sheet->setGeometry(0, 0, 400, 400);
        Sound = std::make_unique<TSheetSound>(*Sheet, Window, "fakesink sync=false");
        Sound->ShowFrame = [this](std::int32_t, std::int32_t frame) { Shown.push_back(frame); };
        Sheet->OnAudioLoaded = [this](QObject&) { Sound->AudioLoaded(); };
        Sheet->OnScrubAudioStart = [this](QObject&, std::int32_t pos) { Sound->ScrubStart(pos); };
        Sheet->OnScrubAudio = [this](QObject&, std::int32_t pos) { Sound->ScrubMove(pos); };
        Sheet->OnScrubAudioEnd = [this](QObject&) { Sound->ScrubEnd(); };
        Window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&Window));
        Sheet->LoadAudio(Files / "voice.wav");
        ASSERT_TRUE(Sound->AudioGraph.Active());
        ASSERT_EQ(Sheet->Fps(), 24);
        ASSERT_EQ(Sheet->GridHeight(), 20);

        GstPad* pad = gst_element_get_static_pad(Sound->AudioGraph.Sink(), "sink");
        gst_pad_add_probe(
            pad, static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM),
            &TSinkRecord::Probe, &Record, nullptr);
        gst_object_unref(pad);
    }

    QWidget Window;
    TSheetView* Sheet = nullptr; // owned by the window
    // Outlive the sound, whose graph records into them until it stops.
    TSinkRecord Record;
    std::vector<std::int32_t> Shown;
    std::unique_ptr<TSheetSound> Sound;
};

// At 24 fps and 20-pixel rows: the pressed frame plays, then each frame entered, down or up, plays
// its own slice and nothing buffered before it.
TEST_F(SheetScrubTest, ADragAlongTheColumnPlaysEachFramesOwnSliceDownAndUp) {
    const std::int64_t frame = 41'666'667; // nanoseconds, rounded to the graph's 100 ns units below
    auto slice = [frame](std::int64_t n) {
        return std::pair<std::int64_t, std::int64_t>{(n - 1) * frame / 100 * 100, n * frame / 100 * 100};
    };
    const std::vector<std::pair<std::int64_t, std::int64_t>> expected = {slice(1), slice(3), slice(2)};
    auto heard = [this, &expected] {
        std::lock_guard lock(Record.Mutex);
        return Record.Segments.size() >= expected.size() && Record.LastBufferEnd >= expected.back().second;
    };
    TAudioColumn& column = Sheet->AudioDisplay();
    QTest::mousePress(&column, Qt::LeftButton, {}, QPoint(25, 0));
    QTest::qWaitFor([this] { std::lock_guard lock(Record.Mutex); return Record.Segments.size() == 1; }, 5000);
    QTest::mouseMove(&column, QPoint(25, 15), 0); // the same frame: nothing new
    QTest::mouseMove(&column, QPoint(25, 45), 0);
    QTest::qWaitFor([this] { std::lock_guard lock(Record.Mutex); return Record.Segments.size() == 2; }, 5000);
    QTest::mouseMove(&column, QPoint(25, 25), 0);
    ASSERT_TRUE(QTest::qWaitFor(heard, 10000));
    QTest::mouseRelease(&column, Qt::LeftButton, {}, QPoint(25, 25));
    {
        std::lock_guard lock(Record.Mutex);
        EXPECT_EQ(Record.Segments, expected);
        EXPECT_LE(Record.LastBufferEnd, expected.back().second + 125'000); // whole samples at 8 kHz
    }
    EXPECT_EQ(Shown, (std::vector<std::int32_t>{1, 3, 2}));
}

// The keyboard scrubs on from where the mouse left off: after a drag from frame 2 down to 4 and
// back to 3, Up three times (the third on frame 1 stays there, silent) and Down play frames 2, 1
// and 2, each its own slice; the column keeps the keys and the thumbnail follows.
TEST_F(SheetScrubTest, UpAndDownInTheAudioColumnPlayEachFramesOwnSlice) {
    std::size_t asked = 0;
    const auto played = [this, &asked] {
        ++asked;
        return QTest::qWaitFor(
            [&] {
                std::lock_guard lock(Record.Mutex);
                return Record.Segments.size() == asked;
            },
            5000);
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

    const std::int64_t frame = 41'666'667; // nanoseconds, rounded to the graph's 100 ns units below
    std::vector<std::pair<std::int64_t, std::int64_t>> expected;
    for (std::int64_t n : {2, 3, 4, 3, 2, 1, 2})
        expected.emplace_back((n - 1) * frame / 100 * 100, n * frame / 100 * 100);
    {
        std::lock_guard lock(Record.Mutex);
        EXPECT_EQ(Record.Segments, expected);
    }
    EXPECT_EQ(Shown, (std::vector<std::int32_t>{2, 3, 4, 3, 2, 1, 2}));
}

} // namespace
