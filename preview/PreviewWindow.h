#pragma once

#include "imaging/Picture.h"
#include "preview/PreviewRules.h"
#include "settings/Preferences.h"

#include <QElapsedTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>

class QAction;
class QActionGroup;
class QButtonGroup;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QRadioButton;
class QSlider;
class QTimer;
class QToolButton;
class TMovieScreen;
class TAudioGraph;
class TScrubOutput;
class TCompositor;
class TSheetDocument;

// What the preview asks of the main window that opened it.
struct TPreviewHost {
    std::function<TSettings()> CurrentSettings;
    std::function<void(TComp mode)> SetCompositeMode;
    std::function<void(bool autoBuild)> SetAutoBuild;
    // Opens the export dialog on the rendered frames ("Save...").
    std::function<void(const TFrameArray& order, const TImageArray& frames)> SaveFrames;
};

// The preview window: renders a range of the sheet's frames through the shared compositor, keeps
// them in memory and plays them at the sheet's frame rate, forwards or backwards, looping.
class TPreviewWindow : public QWidget {
    Q_OBJECT
public:
    enum class TState { psPlaying = 0, psRendering = 1, psStopped = 2, psStarting = 3 };

    TPreviewWindow(TSheetDocument& sheet, TCompositor& rostrum, TPreviewHost host, QWidget* parent = nullptr);
    ~TPreviewWindow() override;

    // Renders From..To (always counting upwards from From) with the progress window; Abort, closing
    // the window or a decoder error leaves nothing rendered. A decoder error is raised after the
    // clean-up; a closed window closes once the rendering has stopped.
    void Render();
    void Play(bool reverse);
    void Stop();
    // Re-reads composite mode, render colour, auto render and frame rate from the settings.
    void ApplySettings();
    // The frame time follows a new frame rate at once, and playback goes on from the frame shown;
    // rendered frames stay.
    void SetFps(std::int32_t fps);
    void ChooseSize(int choice);
    void Retranslate();
    void setVisible(bool visible) override;

    TState State() const { return State_; }
    bool Reverse() const { return Reverse_; }
    bool Rendered() const { return Rendered_; }
    TMovieSize MovieSize() const { return Movie; }
    std::int64_t FrameTime() const { return FrameTime_; }
    const TImageArray& Frames() const { return Frames_; }
    const TFrameArray& Order() const { return Order_; }

    // The sound output the preview's audio graph and step output play into; tests give a fakesink
    // that keeps time (sync=true), or the step output's silence would run as fast as it is made.
    std::string AudioSink = "autoaudiosink";
    // The preview's own audio graph, or null before a rendering found the sheet's sound.
    TAudioGraph* PreviewAudioGraph() const { return AudioGraph.get(); }
    // What sounds the slider's steps while stopped, or null before a rendering found the sheet's sound.
    TScrubOutput* StepOutput() const { return StepSound.get(); }
    // Slider position of the last frame whose sound was handled.
    std::int32_t LastAudioPosition() const { return LastAudioPos; }

    // Called when the window has closed (the main window forgets it then).
    std::function<void(TPreviewWindow& sender)> OnClosed;
    // Called after each rendered frame with the count done; tests press Abort from here.
    std::function<void(std::int32_t done)> OnFrameRendered;

    // Controls, named as the user sees them.
    QWidget* Panel1;
    QLabel* PanelCaption;
    TMovieScreen* Screen;
    QSlider* TrackBar1;
    QLabel *Label1, *Label2, *Label3, *Label4;
    QLineEdit *FrameFrom, *FrameTo;
    QGroupBox* ProjectResGroup;
    QButtonGroup* SizeButtons;
    QToolButton *Rev, *Stp, *Fwd, *AudioMuteBtn;
    // Wakes playback when the next frame is due on its clock.
    QTimer* Timer1;
    QMenuBar* MenuBar;
    QMenu *Movie1, *Settings1, *Display1, *Composite1;
    QAction *Build1, *Save1, *Color1, *BlackandWhite1, *Darken1, *Multiply1, *Blend1, *AutoBuild1;

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateControls();
    void CreateMenus();
    void Opening();
    void LayOut();
    void ComputeMovieSize();
    void FreeFrames();
    void SetOut(std::int32_t position);
    std::int64_t ElapsedNs();
    bool SoundLeads() const;
    void Tick();
    void TrackBar1Change(int position);
    void AudioStep(int position);
    void EnableMute(bool enabled);
    void LoadAudio();
    void ClearAudio();
    void FrameFromChange();
    void FrameToChange();
    void SaveClick();
    void SetComposite(TComp mode);
    void Guarded(const std::function<void()>& command);

    TSheetDocument& Sheet;
    TCompositor& Rostrum;
    TPreviewHost Host;
    TState State_ = TState::psStarting;
    bool Reverse_ = false;
    bool Rendered_ = false;
    int SizeChoice = 0;
    TMovieSize Movie;
    TPreviewColorMode RenderColor_ = TPreviewColorMode::pcmColor;
    TImageArray Frames_;
    TFrameArray Order_;
    std::int32_t RenderedFrom = 1;
    std::int32_t Fps = 24;
    std::int64_t FrameTime_ = PreviewFrameTime(24);
    // Playback's clock: the slider position it set out from and the time since. While the sound
    // plays along, the time is the sound's: the place heard less where it set out.
    std::int32_t StartPosition = 0;
    QElapsedTimer WallClock;
    bool OnSoundClock = false;
    bool SoundMoved = false;   // the sound has set out since playback did
    bool SoundStalled = false; // its place did not advance at the last look, and it has not ended
    std::int64_t SoundStartNs = 0;
    std::int64_t SoundEndNs = 0;
    std::int64_t LastHeardNs = 0;
    std::int64_t LastHeardWallNs = 0;
    bool Ticking = false;
    std::unique_ptr<TAudioGraph> AudioGraph;
    // Steps are sounded by an output that keeps playing: a graph sought for every step soon plays
    // them where a sound server drops them.
    std::unique_ptr<TScrubOutput> StepSound;
    std::string AudioFile;
    std::int32_t LastAudioPos = 0;
    bool CloseAfterRendering = false;
};
