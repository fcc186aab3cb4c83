#include "preview/PreviewWindow.h"

#include "audio/AudioGraph.h"
#include "audio/ScrubOutput.h"
#include "base/Error.h"
#include "document/CelPictures.h"
#include "document/SheetDocument.h"
#include "export/MovieRange.h"
#include "imaging/Compositor.h"
#include "imaging/PictureFilters.h"
#include "preview/MovieScreen.h"
#include "ui/AppTexts.h"
#include "ui/ErrorBox.h"
#include "ui/ProgressDialog.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QGroupBox>
#include <QIntValidator>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <cstdlib>
#include <filesystem>

namespace {
constexpr int kLeftColumn = 128;
constexpr int kMaxRenderSide = 4096;

// The field's whole-number value, or nothing when it is not one.
std::optional<int> FieldValue(const QLineEdit* field) {
    bool ok = false;
    const int value = field->text().trimmed().toInt(&ok);
    return ok ? std::optional<int>(value) : std::nullopt;
}
} // namespace

TPreviewWindow::TPreviewWindow(TSheetDocument& sheet, TCompositor& rostrum, TPreviewHost host,
                               QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::MSWindowsFixedSizeDialogHint), Sheet(sheet), Rostrum(rostrum),
      Host(std::move(host)) {
    setObjectName("Preview");
    setAttribute(Qt::WA_DeleteOnClose, false);
    CreateControls();
    CreateMenus();
    for (QWidget* child : findChildren<QWidget*>())
        child->installEventFilter(this);
    Retranslate();
}

TPreviewWindow::~TPreviewWindow() = default;

void TPreviewWindow::CreateControls() {
    MenuBar = new QMenuBar(this);
    Panel1 = new QWidget(this);
    Panel1->setObjectName("Panel1");
    Panel1->setAutoFillBackground(true);
    Panel1->setFocusPolicy(Qt::StrongFocus);
    PanelCaption = new QLabel(Panel1);
    PanelCaption->setAlignment(Qt::AlignCenter);
    Screen = new TMovieScreen(Panel1);
    Screen->hide();

    TrackBar1 = new QSlider(Qt::Horizontal, this);
    TrackBar1->setObjectName("TrackBar1");
    TrackBar1->setRange(0, 0);
    TrackBar1->setEnabled(false);
    connect(TrackBar1, &QSlider::valueChanged, this, [this](int position) { TrackBar1Change(position); });

    Label4 = new QLabel(this);
    Label1 = new QLabel(this);
    Label1->setObjectName("Label1");
    Label2 = new QLabel(this);
    Label3 = new QLabel(this);
    FrameFrom = new QLineEdit(this);
    FrameFrom->setObjectName("FrameFrom");
    FrameTo = new QLineEdit(this);
    FrameTo->setObjectName("FrameTo");
    connect(FrameFrom, &QLineEdit::textChanged, this, [this] { FrameFromChange(); });
    connect(FrameTo, &QLineEdit::textChanged, this, [this] { FrameToChange(); });

    ProjectResGroup = new QGroupBox(this);
    ProjectResGroup->setObjectName("ProjectResGroup");
    auto* sizes = new QVBoxLayout(ProjectResGroup);
    sizes->setContentsMargins(6, 4, 6, 4);
    sizes->setSpacing(0);
    SizeButtons = new QButtonGroup(this);
    for (int choice = 0; choice < 5; ++choice) {
        auto* button = new QRadioButton(ProjectResGroup);
        sizes->addWidget(button);
        SizeButtons->addButton(button, choice);
    }
    SizeButtons->button(0)->setChecked(true);
    connect(SizeButtons, &QButtonGroup::idClicked, this, [this](int choice) { ChooseSize(choice); });

    auto toolButton = [this](const char* name, QStyle::StandardPixmap icon) {
        auto* button = new QToolButton(this);
        button->setObjectName(name);
        button->setIcon(style()->standardIcon(icon));
        button->setAutoRaise(false);
        return button;
    };
    Rev = toolButton("Rev", QStyle::SP_MediaSeekBackward);
    Stp = toolButton("Stp", QStyle::SP_MediaStop);
    Fwd = toolButton("Fwd", QStyle::SP_MediaPlay);
    AudioMuteBtn = toolButton("AudioMuteBtn", QStyle::SP_MediaVolume);
    AudioMuteBtn->setCheckable(true);
    connect(Rev, &QToolButton::clicked, this, [this] { Guarded([this] { Play(true); }); });
    connect(Fwd, &QToolButton::clicked, this, [this] { Guarded([this] { Play(false); }); });
    connect(Stp, &QToolButton::clicked, this, [this] { Stop(); });
    connect(AudioMuteBtn, &QToolButton::toggled, this, [this](bool down) {
        AudioMuteBtn->setIcon(
            style()->standardIcon(down ? QStyle::SP_MediaVolumeMuted : QStyle::SP_MediaVolume));
        if (State_ == TState::psPlaying)
            SetOut(TrackBar1->value());
    });

    Timer1 = new QTimer(this);
    Timer1->setTimerType(Qt::PreciseTimer);
    Timer1->setSingleShot(true);
    connect(Timer1, &QTimer::timeout, this, [this] { Tick(); });
}

void TPreviewWindow::CreateMenus() {
    Movie1 = MenuBar->addMenu(QString());
    Build1 = Movie1->addAction(QString(), this, [this] { Guarded([this] { Render(); }); });
    Save1 = Movie1->addAction(QString(), this, [this] { Guarded([this] { SaveClick(); }); });
    Settings1 = MenuBar->addMenu(QString());
    Display1 = Settings1->addMenu(QString());
    auto* colours = new QActionGroup(this);
    Color1 = Display1->addAction(QString(), this, [this] { RenderColor_ = TPreviewColorMode::pcmColor; });
    BlackandWhite1 =
        Display1->addAction(QString(), this, [this] { RenderColor_ = TPreviewColorMode::pcmBw; });
    for (QAction* action : {Color1, BlackandWhite1}) {
        action->setCheckable(true);
        colours->addAction(action);
    }
    Composite1 = Settings1->addMenu(QString());
    auto* modes = new QActionGroup(this);
    Darken1 = Composite1->addAction(QString(), this, [this] { SetComposite(TComp::cDarken); });
    Multiply1 = Composite1->addAction(QString(), this, [this] { SetComposite(TComp::cMultiply); });
    Blend1 = Composite1->addAction(QString(), this, [this] { SetComposite(TComp::cBlend); });
    for (QAction* action : {Darken1, Multiply1, Blend1}) {
        action->setCheckable(true);
        modes->addAction(action);
    }
    AutoBuild1 = Settings1->addAction(QString());
    AutoBuild1->setCheckable(true);
    connect(AutoBuild1, &QAction::triggered, this, [this](bool checked) {
        if (Host.SetAutoBuild)
            Host.SetAutoBuild(checked);
    });
}

void TPreviewWindow::Retranslate() {
    setWindowTitle(Translate(LanguageKey("sPreview")));
    PanelCaption->setText(Translate(LanguageKey("msgClickToRender")));
    Label4->setText(Translate(LanguageKey("sFrame")) + ":");
    Label2->setText(Translate(LanguageKey("sFrom")));
    Label3->setText(Translate(LanguageKey("sTo")));
    ProjectResGroup->setTitle(Translate(LanguageKey("sMovieSize")));
    const QStringList sizes{Translate(LanguageKey("sImageSize")), "180 x 120", "320 x 240", "640 x 480",
                            "DV"};
    for (int choice = 0; choice < 5; ++choice)
        SizeButtons->button(choice)->setText(sizes[choice]);
    Rev->setToolTip(Translate(LanguageKey("sPlayReverse")));
    Stp->setToolTip(Translate(LanguageKey("sStop")));
    Fwd->setToolTip(Translate(LanguageKey("sPlay")));
    AudioMuteBtn->setToolTip(Translate(LanguageKey("sMute")));
    Movie1->setTitle(Translate(LanguageKey("sMovie")));
    Build1->setText(Translate(LanguageKey("sRenderPreview")));
    Save1->setText(Translate(LanguageKey("sSaveDots")));
    Settings1->setTitle(Translate(LanguageKey("sSettings")));
    Display1->setTitle(Translate(LanguageKey("sRenderColor")));
    Color1->setText(Translate(LanguageKey("sColor")));
    BlackandWhite1->setText(Translate(LanguageKey("sBlackAndWhite")));
    Composite1->setTitle(Translate(LanguageKey("sComposite")));
    Darken1->setText(Translate(LanguageKey("sDarken")));
    Multiply1->setText(Translate(LanguageKey("sMultiply")));
    Blend1->setText(Translate(LanguageKey("sBlend")));
    AutoBuild1->setText(Translate(LanguageKey("sAutoRender")));
}

// ---------------------------------------------------------------------------------------------
// Opening, sizes and layout

// The window takes its size for the sheet before it shows, so that it is placed with that size.
void TPreviewWindow::setVisible(bool visible) {
    if (visible && !isVisible())
        Opening();
    QWidget::setVisible(visible);
}

void TPreviewWindow::Opening() {
    State_ = TState::psStarting;
    Rendered_ = false;
    RenderColor_ = TPreviewColorMode::pcmColor;
    SizeChoice = 0;
    SizeButtons->button(0)->setChecked(true);
    FreeFrames();
    ComputeMovieSize();
    LayOut();
    FrameFrom->setText("1");
    FrameTo->setText(QString::number(PreviewLastFrame(Sheet)));
    ApplySettings();
    EnableMute(Sheet.HasAudio());
    // The rest runs once the window is on screen, so that its messages and the first rendering
    // appear over it.
    QTimer::singleShot(0, this, [this] {
        Guarded([this] {
            State_ = TState::psStopped;
            std::int32_t width = 0, height = 0;
            TPixelFormat format{};
            if (!GetFirstImageInfo(Sheet, width, height, format))
                throw ECwError(Translate(LanguageKey("msgErrXsheetEmpty")).toStdString());
            Panel1->setFocus();
            if (AutoBuild1->isChecked())
                Render();
        });
    });
}

void TPreviewWindow::ApplySettings() {
    const TSettings settings = Host.CurrentSettings ? Host.CurrentSettings() : TSettings{};
    switch (settings.General.CompositeMode) {
    case TComp::cDarken:
        Darken1->setChecked(true);
        break;
    case TComp::cMultiply:
        Multiply1->setChecked(true);
        break;
    case TComp::cBlend:
        Blend1->setChecked(true);
        break;
    }
    RenderColor_ = settings.Preview.PreviewColor;
    (RenderColor_ == TPreviewColorMode::pcmBw ? BlackandWhite1 : Color1)->setChecked(true);
    AutoBuild1->setChecked(settings.Preview.AutoBuild);
    SetFps(settings.General.Fps);
}

void TPreviewWindow::SetFps(std::int32_t fps) {
    Fps = std::max(fps, 1);
    FrameTime_ = PreviewFrameTime(Fps);
    if (State_ == TState::psPlaying)
        SetOut(TrackBar1->value());
}

void TPreviewWindow::ComputeMovieSize() {
    TMovieSize image;
    TPixelFormat format{};
    const bool found = GetFirstImageInfo(Sheet, image.Width, image.Height, format);
    Movie = PreviewMovieSize(SizeChoice, found ? &image : nullptr);
    // A drawing larger than any screen would only exhaust memory frame after frame.
    Movie.Width = std::clamp(Movie.Width, 1, kMaxRenderSide);
    Movie.Height = std::clamp(Movie.Height, 1, kMaxRenderSide);
}

void TPreviewWindow::ChooseSize(int choice) {
    if (State_ == TState::psStarting)
        return;
    if (State_ == TState::psPlaying)
        Stop();
    SizeChoice = choice;
    ComputeMovieSize();
    LayOut();
    Screen->hide();
}

void TPreviewWindow::LayOut() {
    const TPreviewLayout layout = PreviewLayout(Movie);
    const int top = MenuBar->sizeHint().height();
    MenuBar->setGeometry(0, 0, layout.AreaWidth + 135, top);
    Panel1->setGeometry(kLeftColumn, top + 5, layout.AreaWidth, layout.AreaHeight);
    PanelCaption->setGeometry(0, 0, layout.AreaWidth, layout.AreaHeight);
    Screen->setGeometry(layout.PictureLeft, layout.PictureTop, Movie.Width, Movie.Height);
    const int sliderTop = Panel1->geometry().bottom() + 14;
    TrackBar1->setGeometry(kLeftColumn, sliderTop, layout.AreaWidth, 24);
    Label4->setGeometry(kLeftColumn, sliderTop + 30, 50, 20);
    Label1->setGeometry(kLeftColumn + 50, sliderTop + 30, 60, 20);
    Rev->setGeometry(kLeftColumn + layout.AreaWidth / 2 - 50, sliderTop + 28, 30, 26);
    Stp->setGeometry(kLeftColumn + layout.AreaWidth / 2 - 15, sliderTop + 28, 30, 26);
    Fwd->setGeometry(kLeftColumn + layout.AreaWidth / 2 + 20, sliderTop + 28, 30, 26);
    AudioMuteBtn->setGeometry(kLeftColumn + layout.AreaWidth - 30, sliderTop + 28, 30, 26);
    Label2->setGeometry(8, top + 8, 40, 22);
    FrameFrom->setGeometry(50, top + 8, 68, 22);
    Label3->setGeometry(8, top + 36, 40, 22);
    FrameTo->setGeometry(50, top + 36, 68, 22);
    ProjectResGroup->setGeometry(6, top + 68, 116, 140);
    setFixedSize(layout.AreaWidth + 135, top + layout.AreaHeight + 100);
}

// ---------------------------------------------------------------------------------------------
// Rendering

void TPreviewWindow::FreeFrames() {
    Frames_.clear();
    Order_.clear();
}

void TPreviewWindow::Render() {
    if (State_ == TState::psRendering)
        return;
    if (State_ == TState::psPlaying)
        Stop();
    State_ = TState::psRendering;
    TrackBar1->setEnabled(false);
    FreeFrames();
    Rendered_ = false;

    const int from = FieldValue(FrameFrom).value_or(1);
    const int to = FieldValue(FrameTo).value_or(from);
    const int count = std::abs(to - from) + 1;
    TProgressDialog progress(this);
    progress.setWindowTitle(Translate(LanguageKey("msgRenderingPreview")));
    progress.SetMaximum(std::abs(to - from));
    progress.SetStep(1);
    // Abort or a drawing that cannot be read: nothing stays rendered and the preview is ready again.
    const auto discard = [this, &progress] {
        progress.close();
        FreeFrames();
        Screen->hide();
        const QSignalBlocker blocker(TrackBar1);
        TrackBar1->setRange(0, 0);
        State_ = TState::psStopped;
    };

    bool aborted = false;
    try {
        // The movie's size comes from the first drawing, which may be the one that cannot be read.
        ComputeMovieSize();
        LayOut();
        progress.show();
        Frames_.resize(count);
        Order_.resize(count);
        Rostrum.SetStageSize(Movie.Width, Movie.Height);
        for (int i = 0; i < count; ++i) {
            Order_[i] = i;
            Frames_[i] = Rostrum.RenderFrame(from + i);
            if (RenderColor_ == TPreviewColorMode::pcmBw)
                ConvertToBw(*Frames_[i]);
            progress.StepIt();
            if (OnFrameRendered)
                OnFrameRendered(i + 1);
            QApplication::processEvents();
            if (progress.Aborted() || CloseAfterRendering) {
                aborted = true;
                break;
            }
        }
    } catch (...) {
        discard();
        throw;
    }
    if (aborted) {
        discard();
        if (CloseAfterRendering)
            QTimer::singleShot(0, this, [this] { close(); });
        return;
    }
    progress.close();
    RenderedFrom = from;
    LoadAudio();
    {
        const QSignalBlocker blocker(TrackBar1);
        TrackBar1->setRange(0, count - 1);
        TrackBar1->setValue(0);
    }
    Screen->show();
    Screen->ShowPicture(*Frames_[0]);
    Label1->setText(QString::number(from));
    TrackBar1->setEnabled(true);
    QApplication::beep();
    Rendered_ = true;
    State_ = TState::psStopped;
}

// ---------------------------------------------------------------------------------------------
// Playback

void TPreviewWindow::Play(bool reverse) {
    if (!Rendered_)
        Render();
    if (State_ == TState::psRendering || !Rendered_)
        return;
    State_ = TState::psPlaying;
    Reverse_ = reverse;
    SetOut(TrackBar1->value());
}

void TPreviewWindow::Stop() {
    Timer1->stop();
    if (OnSoundClock)
        AudioGraph->Pause();
    OnSoundClock = false;
    if (TrackBar1->isEnabled())
        TrackBar1->setFocus();
    if (State_ == TState::psPlaying)
        State_ = TState::psStopped;
}

// Forwards with sound on, the sound plays on from the frame shown to the end of the range and its
// place sets the time; otherwise the time is the wall clock's.
bool TPreviewWindow::SoundLeads() const {
    return !Reverse_ && !AudioMuteBtn->isChecked() && AudioMuteBtn->isEnabled() && AudioGraph &&
           AudioGraph->Active();
}

// Playback sets out from `position` at this moment: started, looped, moved by hand, muted or given
// a new frame rate.
void TPreviewWindow::SetOut(std::int32_t position) {
    StartPosition = position;
    SoundMoved = false;
    // Past the end of the sound there is nothing to follow.
    const std::int32_t firstFrame = RenderedFrom - 1 + position; // from 0
    const std::int32_t endFrame = RenderedFrom - 1 + static_cast<std::int32_t>(Order_.size());
    const std::int64_t fileEndNs = std::int64_t{Sheet.Data().Audio.DurationMs} * 1'000'000;
    SoundEndNs = FrameDueNs(endFrame, Fps);
    if (fileEndNs > 0)
        SoundEndNs = std::min(SoundEndNs, fileEndNs);
    const bool sound = SoundLeads() && FrameDueNs(firstFrame, Fps) < SoundEndNs;
    if (OnSoundClock && !sound)
        AudioGraph->Pause();
    OnSoundClock = sound;
    if (sound) {
        SoundStartNs = FrameDueNs(firstFrame, Fps) / 100 * 100;
        LastHeardNs = SoundStartNs;
        AudioGraph->PlaySegment(SoundStartNs / 100, FrameDueNs(endFrame, Fps) / 100);
    }
    WallClock.start();
    Tick();
}

// The sound's place, as the graph reports it once it plays, is the time: the picture never runs
// ahead of what is heard, so while the sound stalls or has yet to set out (an output takes a
// moment to start) the picture waits for it. A place further on than the time since playback set
// out allows is a fault of the output's clock and is not taken. A sound that has not set out
// after two seconds lets the wall clock run from then on, until it does. Only once the sound has
// ended does the wall clock carry on from it.
std::int64_t TPreviewWindow::ElapsedNs() {
    constexpr std::int64_t kSoundStartWaitNs = 2'000'000'000;
    constexpr std::int64_t kSoundLeadNs = 50'000'000;
    // The sound's last place may fall short of the range's end by a rounded sample.
    constexpr std::int64_t kEndSlackNs = 1'000'000;
    const std::int64_t wall = WallClock.nsecsElapsed();
    if (!OnSoundClock)
        return wall;
    const std::int64_t heard = AudioGraph->HeardNs();
    const bool advanced = heard > LastHeardNs && heard - SoundStartNs <= wall + kSoundLeadNs;
    if (advanced) {
        LastHeardNs = heard;
        LastHeardWallNs = wall;
        SoundMoved = true;
    }
    const bool ended = SoundMoved && LastHeardNs + kEndSlackNs >= SoundEndNs;
    SoundStalled = !advanced && !ended;
    if (!SoundMoved)
        return std::max<std::int64_t>(0, wall - kSoundStartWaitNs);
    return LastHeardNs - SoundStartNs + (ended ? wall - LastHeardWallNs : 0);
}

// Shows the frame due now and sleeps until the next is due.
void TPreviewWindow::Tick() {
    const std::int64_t elapsed = ElapsedNs();
    const std::int64_t frames = FramesElapsed(elapsed, Fps);
    const auto count = static_cast<std::int32_t>(Order_.size());
    const std::int32_t position = PlayPosition(StartPosition, frames, count, Reverse_);
    if (position < 0) {
        const std::int32_t first = Reverse_ ? count - 1 : 0;
        Ticking = true;
        TrackBar1->setValue(first);
        Ticking = false;
        SetOut(first);
        return;
    }
    // The sound's clock may step back by a sample's worth: a frame once shown stays.
    const bool behind = Reverse_ ? position > TrackBar1->value() : position < TrackBar1->value();
    if (!behind) {
        Ticking = true;
        TrackBar1->setValue(position);
        Ticking = false;
    }
    const std::int64_t wait = FrameDueNs(frames + 1, Fps) - elapsed;
    // A sound that stalls may set out again at any moment: the picture looks again soon.
    const bool waitingForSound = OnSoundClock && SoundStalled;
    Timer1->start(
        waitingForSound ? 1 : static_cast<int>(std::max<std::int64_t>(1, (wait + 999'999) / 1'000'000)));
}

void TPreviewWindow::TrackBar1Change(int position) {
    if (position < 0 || position >= static_cast<int>(Order_.size()))
        return;
    Screen->ShowPicture(*Frames_[Order_[position]]);
    Label1->setText(QString::number(RenderedFrom + position));
    if (State_ != TState::psPlaying) {
        AudioStep(position);
        return;
    }
    LastAudioPos = position;
    if (!Ticking)
        SetOut(position); // moved by hand while playing
}

// Stopped, each forward step of the slider sounds the frame just shown; the sound is offset by the
// frames before From, so that what is heard belongs to the frames on screen. The position is noted
// also while muted or reversed, so that sound resumes with the next frame instead of catching up
// on the skipped.
void TPreviewWindow::AudioStep(int position) {
    const std::int32_t last = LastAudioPos;
    LastAudioPos = position;
    if (AudioMuteBtn->isChecked() || !AudioMuteBtn->isEnabled() || Reverse_ || !StepSound ||
        !StepSound->Active())
        return;
    const TAudioSlice slice = PreviewAudioSlice(last, position, FrameTime_, RenderedFrom - 1);
    if (!slice.Empty())
        StepSound->PlaySlice(slice.Start, slice.Stop);
}

void TPreviewWindow::EnableMute(bool enabled) {
    // Disabled and enabled again, the button is up: sound on.
    AudioMuteBtn->setChecked(false);
    AudioMuteBtn->setEnabled(enabled);
}

// One rendering of the sheet's sound file at a time: the graph is cleared before the file goes in.
// The steps play the WAV file the sheet reads, whose start and length are the sound's own.
void TPreviewWindow::LoadAudio() {
    LastAudioPos = 0;
    const std::string file = Sheet.AudioFileName();
    std::error_code error;
    if (file.empty() || !std::filesystem::is_regular_file(file, error)) {
        ClearAudio();
        return;
    }
    AudioFile = file;
    EnableMute(true);
    if (!AudioGraph)
        AudioGraph = std::make_unique<TAudioGraph>(AudioSink);
    AudioGraph->Clear();
    AudioGraph->RenderFile(AudioFile);
    if (!StepSound)
        StepSound = std::make_unique<TScrubOutput>(AudioSink);
    StepSound->Load(Sheet.Data().Audio.WaveFile);
}

void TPreviewWindow::ClearAudio() {
    if (AudioGraph)
        AudioGraph->Clear();
    if (StepSound)
        StepSound->Clear();
}

// ---------------------------------------------------------------------------------------------
// Range, menus, keys, closing

void TPreviewWindow::FrameFromChange() {
    const std::optional<int> value = FieldValue(FrameFrom);
    if (!value || *value < 1 || *value > Sheet.FrameCount())
        FrameFrom->setText("1");
}

void TPreviewWindow::FrameToChange() {
    const std::optional<int> value = FieldValue(FrameTo);
    if (!value || *value < 1 || *value > Sheet.FrameCount())
        FrameTo->setText(QString::number(PreviewLastFrame(Sheet)));
}

void TPreviewWindow::SetComposite(TComp mode) {
    if (Host.SetCompositeMode)
        Host.SetCompositeMode(mode);
}

void TPreviewWindow::SaveClick() {
    if (!Rendered_)
        throw ECwError(Translate(LanguageKey("msgMustBuildPreview")).toStdString());
    if (Host.SaveFrames)
        Host.SaveFrames(Order_, Frames_);
}

void TPreviewWindow::Guarded(const std::function<void()>& command) {
    GuardCommand(this, command);
}

void TPreviewWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space) {
        if (State_ == TState::psPlaying)
            Stop();
        else
            Guarded([this] { Play(false); });
        return;
    }
    QWidget::keyPressEvent(event);
}

bool TPreviewWindow::eventFilter(QObject* watched, QEvent* event) {
    // Key preview: Space plays and stops wherever the focus is.
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space) {
        keyPressEvent(static_cast<QKeyEvent*>(event));
        return true;
    }
    if (watched == Panel1 && event->type() == QEvent::MouseButtonPress) {
        Guarded([this] { Render(); });
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void TPreviewWindow::closeEvent(QCloseEvent* event) {
    // Closed while rendering: the rendering stops first, then the window closes.
    if (State_ == TState::psRendering) {
        CloseAfterRendering = true;
        event->ignore();
        return;
    }
    CloseAfterRendering = false;
    Stop();
    ClearAudio();
    FreeFrames();
    Screen->Clear();
    State_ = TState::psStopped;
    QWidget::closeEvent(event);
    if (OnClosed)
        OnClosed(*this);
}
