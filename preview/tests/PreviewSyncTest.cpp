// Preview heard through a private sound server, as on a desktop: the sound's clicks, recorded from
// the server's monitor, fall on the moments their frames are shown.
#include "WavWriter.h"
#include "imaging/tests/PictureTestSupport.h"
#include "preview/PreviewWindow.h"
#include "testsupport/MainWindowFixture.h"
#include "testsupport/MonitorRecording.h"
#include "testsupport/SoundServer.h"
#include "testsupport/TempFolder.h"
#include "testsupport/WaitFor.h"

#include <QAction>
#include <QLineEdit>
#include <QSlider>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>
#include <map>

namespace {

constexpr std::int32_t kSheetFrames = 1637;
const std::vector<std::int32_t> kClickFrames = {1, 12, 41, 50, 60, 1601, 1620, 1637};

class PreviewSyncTest : public TMainWindowFixture {
protected:
    // A sheet of one drawing held for every frame, with a click at each of kClickFrames at `fps`.
    void OpenSheet(std::int32_t fps) {
        const std::string sound = Project / ("clicks" + std::to_string(fps) + ".wav");
        if (!std::filesystem::exists(sound))
            WriteMonoWav(sound, ClickTrack(kSheetFrames, fps, kClickFrames), 48000);
        WritePng(Project / "a.png", Drawing(64, 48, TRgb{200, 30, 30}, 8, 8, 16));
        WriteText(
            Project / "talk.xps",
            "<xsheet version=\"4.0\">\r\n<settings>\r\n\t<fps>" + std::to_string(fps) +
                "</fps>\r\n</settings>\r\n<audio>\r\n\t<audiofile>" + sound +
                "</audiofile>\r\n</audio>\r\n<layers cols=\"1\">\r\n\t<layer col=\"1\" caption=\"\" dir=\"" +
                (Project / "") + "\" color=\"0\" visible=\"1\">\r\n\t\t<cel col=\"1\" row=\"1\" duration=\"" +
                std::to_string(kSheetFrames) + "\">a.png</cel>\r\n\t</layer>\r\n</layers>\r\n</xsheet>\r\n");
        Window->Files().OpenDocument(QString::fromStdString(Project / "talk.xps"));
        Window->Settings().Current.General.Fps = fps;
        Window->Settings().Current.Preview.AutoBuild = false;
    }

    TSoundServer Server;
    TTempFolder Project;
    std::unique_ptr<TMainWindow> Window = NewWindow();
};

// From frame 1, from frame 40, stopped on frame 30 and played on, and at the end of a 1637-frame
// sheet (68 s at 24 fps), at 24 and 30 fps: every click lies within 10 ms of the moment its frame
// is shown, and no click of a frame outside the range is heard. The first frame is on screen
// before playback sets out; its moment is a frame before the next one's.
TEST_F(PreviewSyncTest, ClicksAreHeardWhenTheirFramesAreShown) {
    struct Case {
        std::int32_t Fps, From, To, StopAt;
    };
    for (const Case& c : {Case{24, 1, 60, 0}, Case{24, 40, 60, 0}, Case{24, 1, 60, 30},
                          Case{24, 1600, 1637, 0}, Case{30, 40, 60, 0}, Case{30, 1600, 1637, 0}}) {
        SCOPED_TRACE(testing::Message() << c.Fps << " fps, " << c.From << " to " << c.To
                                        << (c.StopAt ? ", stopped on " + std::to_string(c.StopAt) : ""));
        Window = NewWindow();
        OpenSheet(c.Fps);
        Part(*Window, "PreviewAction")->trigger();
        TPreviewWindow& preview = *Window->findChild<TPreviewWindow*>();
        ASSERT_TRUE(
            QTest::qWaitFor([&preview] { return preview.State() == TPreviewWindow::TState::psStopped; }));
        preview.FrameFrom->setText(QString::number(c.From));
        preview.FrameTo->setText(QString::number(c.To));
        preview.Build1->trigger();
        ASSERT_TRUE(preview.Rendered());
        ASSERT_EQ(preview.FrameTime(), 10'000'000 / c.Fps);

        TMonitorRecording recording;
        std::map<std::int32_t, std::int64_t> shownAt; // sheet frame: when it was shown
        QObject::connect(preview.TrackBar1, &QSlider::valueChanged, [&](int position) {
            shownAt.try_emplace(c.From + position, TMonitorRecording::Now());
        });
        const auto shown = [&shownAt](std::int32_t frame) { return shownAt.contains(frame); };
        // The event loop runs all the while (a test's usual wait sleeps between its rounds, which
        // would make the pictures late).
        preview.Fwd->click();
        if (c.StopAt) {
            ASSERT_TRUE(WaitFor([&] { return shown(c.StopAt); }, 10000));
            preview.Stp->click();
            WaitFor([] { return false; }, 300);
            preview.Fwd->click();
        }
        ASSERT_TRUE(WaitFor([&] { return shown(c.To); }, 20000));
        const std::int64_t frameNs = 1'000'000'000LL / c.Fps;
        const std::int64_t end = shownAt[c.To] + frameNs;
        WaitFor([&] { return TMonitorRecording::Now() > end + 100'000'000; }, 1000);
        preview.Stp->click();
        shownAt[c.From] = shownAt[c.From + 1] - frameNs;

        std::vector<std::int64_t> heard;
        for (std::int64_t click : recording.Clicks())
            if (click < end)
                heard.push_back(click);
        std::vector<std::int32_t> expected;
        for (std::int32_t frame : kClickFrames)
            if (frame >= c.From && frame <= c.To)
                expected.push_back(frame);
        ASSERT_EQ(heard.size(), expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i)
            EXPECT_NEAR((heard[i] - shownAt[expected[i]]) / 1e6, 0.0, 10.0) << "ms, frame " << expected[i];
        preview.close();
    }
}

} // namespace
