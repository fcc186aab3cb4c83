// The main window's sound: the graph follows the sheet's sound file, the sound commands, the
// volume window, and a drag down the audio column playing what it passed over at a fakesink.
#include "app/SheetSound.h"

#include "WavWriter.h"
#include "app/MainWindow.h"
#include "audio/VolumeWindow.h"
#include "base/TemporaryFolders.h"
#include "settings/Folders.h"
#include "sheetview/AudioColumn.h"
#include "sheetview/SheetView.h"
#include "testsupport/TempFolder.h"
#include "testsupport/MainWindowFixture.h"

#include <QAction>
#include <QPlainTextEdit>
#include <QSlider>
#include <QTest>
#include <gst/gst.h>
#include <gtest/gtest.h>
#include <mutex>

namespace {

class SheetSoundTest : public TMainWindowFixture {
protected:
    SheetSoundTest() {
        WriteToneWav(Files / "voice.wav", 3.0);
    }
    std::unique_ptr<TMainWindow> MakeWindow() {
        auto window = NewWindow();
        window->Files().AskOpenFile = [this](const QString&, const QString&) { return OpenPath; };
        window->NewClick();
        window->AddLayerClick();
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
    window->UndoClick();
    EXPECT_TRUE(window->Sheet().HasAudio());
    EXPECT_TRUE(graph.Active());
    window->UndoClick();
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
    window->Sheet().SaveUndoState();
    window->Sheet().PlaceCelAt(1, 5, "b.png", 1);
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
    volume.TrackBar().setValue(60);
    EXPECT_EQ(window->Sound().AudioGraph.Volume(), 3660);
    volume.TrackBar().setValue(80); // more than 100 dB down: refused
    EXPECT_EQ(window->Sound().AudioGraph.Volume(), 3660);
    volume.close();
    Part(*window, "AdjustVolumeAction")->trigger();
    EXPECT_EQ(volume.TrackBar().value(), 60);
}

// What reaches the sink, cut to the segment in force as a sink plays it (nanoseconds).
struct TSinkRecord {
    std::mutex Mutex;
    GstSegment Segment{};
    std::int64_t First = -1, Last = -1;
    int Buffers = 0;

    static GstPadProbeReturn Probe(GstPad*, GstPadProbeInfo* info, gpointer self) {
        auto* r = static_cast<TSinkRecord*>(self);
        std::lock_guard lock(r->Mutex);
        if (GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_BUFFER) {
            GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
            guint64 start = 0, stop = 0;
            if (gst_segment_clip(&r->Segment, GST_FORMAT_TIME, GST_BUFFER_PTS(buffer),
                                 GST_BUFFER_PTS(buffer) + GST_BUFFER_DURATION(buffer), &start, &stop)) {
                if (r->First < 0)
                    r->First = static_cast<std::int64_t>(start);
                r->Last = static_cast<std::int64_t>(stop);
                ++r->Buffers;
            }
        } else if (GST_EVENT_TYPE(GST_PAD_PROBE_INFO_EVENT(info)) == GST_EVENT_SEGMENT) {
            gst_event_copy_segment(GST_PAD_PROBE_INFO_EVENT(info), &r->Segment);
        }
        return GST_PAD_PROBE_OK;
    }
};

TEST_F(SheetSoundTest, ADragDownTheColumnPlaysTheSoundItPassedOver) {
    QWidget window;
    window.resize(400, 400);
    auto* sheet = new TSheetView(&window);
    sheet->setGeometry(0, 0, 400, 400);
    TSheetSound sound(*sheet, window, "fakesink sync=false");
    std::vector<std::int32_t> shown;
    sound.ShowFrame = [&shown](std::int32_t, std::int32_t frame) { shown.push_back(frame); };
    sheet->OnAudioLoaded = [&sound](QObject&) { sound.AudioLoaded(); };
    sheet->OnScrubAudioStart = [&sound](QObject&, std::int32_t pos) { sound.ScrubStart(pos); };
    sheet->OnScrubAudio = [&sound](QObject&, std::int32_t pos) { sound.ScrubMove(pos); };
    sheet->OnScrubAudioEnd = [&sound](QObject&) { sound.ScrubEnd(); };
    window.show();
    sheet->LoadAudio(Files / "voice.wav");
    ASSERT_TRUE(sound.AudioGraph.Active());

    TSinkRecord record;
    GstPad* pad = gst_element_get_static_pad(sound.AudioGraph.Sink(), "sink");
    gst_pad_add_probe(
        pad, static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM),
        &TSinkRecord::Probe, &record, nullptr);
    gst_object_unref(pad);

    TAudioColumn& column = sheet->AudioDisplay();
    QTest::mousePress(&column, Qt::LeftButton, {}, QPoint(25, 0));
    QTest::mouseMove(&column, QPoint(25, 15), 0); // less than a row: nothing
    QTest::mouseMove(&column, QPoint(25, 45), 0); // APos 45: 0 to 937,485 units
    ASSERT_TRUE(QTest::qWaitFor(
        [&record] {
            std::lock_guard lock(record.Mutex);
            return record.Last >= 93'748'500 - 125'000;
        },
        10000));
    QTest::mouseRelease(&column, Qt::LeftButton, {}, QPoint(25, 45));
    {
        std::lock_guard lock(record.Mutex);
        EXPECT_EQ(record.First, 0);
        EXPECT_NEAR(record.Last, 93'748'500, 125'000); // whole samples at 8 kHz
    }
    EXPECT_EQ(shown, (std::vector<std::int32_t>{1, 3}));
}

} // namespace
