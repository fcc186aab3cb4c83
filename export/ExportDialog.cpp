#include "export/ExportDialog.h"

#include "base/Error.h"
#include "document/CelPictures.h"
#include "document/SheetDocument.h"
#include "document/SheetInputs.h"
#include "export/EncoderSettingsDialog.h"
#include "export/MovieExport.h"
#include "ui/AlertPrompt.h"
#include "ui/AppTexts.h"
#include "ui/ErrorBox.h"
#include "ui/ProgressDialog.h"

#include <QApplication>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QUrl>
#include <algorithm>

namespace {
struct TSizeEntry {
    const char* Label;
    std::int32_t Width, Height;
};
// Entry 0 is the first drawing's size.
constexpr TSizeEntry kSizes[] = {{"Image Size", 0, 0},    {"180 x 120", 180, 120}, {"320 x 240", 320, 240},
                                 {"640 x 480", 640, 480}, {"DV - NTSC", 720, 480}, {"DV - PAL", 720, 576}};

// The name with its extension made exactly the format's own.
QString MovieName(const QString& name, const TMovieFormat& format) {
    return QString::fromStdString(WithMovieSuffix(name.toStdString(), format));
}

// Where the last movie went, and the sheet it was made from.
struct TLastExport {
    std::filesystem::path Sheet;
    QString Folder;
};
TLastExport& LastExport() {
    static TLastExport last;
    return last;
}

// The sheet's folder, or where the last movie of this sheet went; without a sheet file, the last
// folder used, else `fallback`.
QString StartFolder(const std::filesystem::path& sheetFile, const QString& fallback) {
    const TLastExport& last = LastExport();
    if (!last.Folder.isEmpty() && (sheetFile.empty() || last.Sheet == sheetFile))
        return last.Folder;
    if (!sheetFile.empty())
        return QString::fromStdString(sheetFile.parent_path().string());
    return fallback;
}

// The type list's line for a kind of movie, in the user's language: "MP4 movie (*.mp4)".
QString MovieTypeText(const TMovieFormat& format) {
    return Translate(format.Description) + QString(" (*.%1)").arg(format.Suffix);
}
} // namespace

TExportDialog::TExportDialog(const TExportContext& context, const QString& folder, QWidget* parent)
    : QDialog(parent), Context(context) {
    setObjectName("Compressor");
    setWindowTitle(Translate(LanguageKey("sExportMovie")));
    setMinimumSize(660, 430);
    SaveLbl = new QLabel(Translate(LanguageKey("sSaveIn")), this);
    ShellComboBox1 = new QComboBox(this);
    ShellComboBox1->setEditable(true);
    ShellListView1 = new QListWidget(this);
    ShellListView1->setSortingEnabled(true);
    NameLbl = new QLabel(Translate(LanguageKey("sFileName")), this);
    FileName = new QLineEdit(this);
    TypeLbl = new QLabel(Translate(LanguageKey("sFileType")), this);
    FormatSel = new QComboBox(this);
    FormatSel->setObjectName("FormatSel");
    for (const TMovieFormat& format : MovieFormats())
        FormatSel->addItem(MovieTypeText(format));
    FromLbl = new QLabel(Translate(LanguageKey("sFrom")), this);
    ToLbl = new QLabel(Translate(LanguageKey("sTo")), this);
    FromFrame = new QSpinBox(this);
    ToFrame = new QSpinBox(this);
    for (QSpinBox* field : {FromFrame, ToFrame})
        field->setRange(1, kMaxFrames);
    SizeLbl = new QLabel(Translate(LanguageKey("sMovieSize")), this);
    MovieResSel = new QComboBox(this);
    for (const TSizeEntry& entry : kSizes)
        MovieResSel->addItem(entry.Width ? QString(entry.Label) : Translate(LanguageKey("sImageSize")));
    CompLbl = new QLabel(Translate(LanguageKey("sVideoCompressor")), this);
    VidFilterSel = new QComboBox(this);
    VidFilterSel->setObjectName("VidFilterSel");
    SettingsLbl = new QLabel(this);
    ShowSettingsLink(false);
    AudioCompLabel = new QLabel(Translate(LanguageKey("sAudioCompressor")), this);
    AudioFilterSel = new QComboBox(this);
    AudioFilterSel->setObjectName("AudioFilterSel");
    SaveBtn = new QPushButton(Translate(LanguageKey("sSaveMovie")), this);
    CancelBtn = new QPushButton(Translate(LanguageKey("sCancel")), this);
    ShowFileBtn = new QPushButton(Translate(LanguageKey("sShowFile")), this);
    ShowFileBtn->setEnabled(false);
    // Only a click on Save exports: Return in a field must not start a long export by accident.
    for (QPushButton* button : {SaveBtn, CancelBtn, ShowFileBtn}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    ResultLabel = new QLabel(this);
    ResultLabel->setTextFormat(Qt::PlainText);
    ResultLabel->setWordWrap(true);
    auto* panel = new QWidget(this);
    panel->setAutoFillBackground(true);
    panel->setStyleSheet("background: white;");
    InstructText = new QLabel(Translate(LanguageKey("msgMovieInstruct")), panel);
    InstructText->setWordWrap(true);
    debug = new QPlainTextEdit(panel);
    debug->setReadOnly(true);
    auto* side = new QVBoxLayout(panel);
    side->addWidget(InstructText);
    side->addWidget(debug, 1);

    auto* grid = new QGridLayout;
    grid->addWidget(SaveLbl, 0, 0);
    grid->addWidget(ShellComboBox1, 0, 1, 1, 2);
    grid->addWidget(ShellListView1, 1, 0, 1, 3);
    grid->addWidget(NameLbl, 2, 0);
    grid->addWidget(FileName, 2, 1, 1, 2);
    grid->addWidget(TypeLbl, 3, 0);
    grid->addWidget(FormatSel, 3, 1, 1, 2);
    auto* range = new QHBoxLayout;
    range->addWidget(FromFrame);
    range->addWidget(ToLbl);
    range->addWidget(ToFrame);
    range->addStretch();
    grid->addWidget(FromLbl, 4, 0);
    grid->addLayout(range, 4, 1, 1, 2);
    grid->addWidget(SizeLbl, 5, 0);
    grid->addWidget(MovieResSel, 5, 1, 1, 2);
    grid->addWidget(CompLbl, 6, 0);
    grid->addWidget(VidFilterSel, 6, 1);
    grid->addWidget(SettingsLbl, 6, 2);
    grid->addWidget(AudioCompLabel, 7, 0);
    grid->addWidget(AudioFilterSel, 7, 1, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(ShowFileBtn);
    buttons->addStretch();
    buttons->addWidget(SaveBtn);
    buttons->addWidget(CancelBtn);
    grid->addLayout(buttons, 8, 0, 1, 3);
    grid->addWidget(ResultLabel, 9, 0, 1, 3);
    grid->setColumnStretch(1, 1);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(grid, 3);
    layout->addWidget(panel, 2);
    resize(720, 520);

    connect(SaveBtn, &QPushButton::clicked, this, [this] { GuardCommand(this, [this] { SaveBtnClick(); }); });
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(ShowFileBtn, &QPushButton::clicked, this, [this] { ShowFile(SavedFile); });
    connect(MovieResSel, &QComboBox::currentIndexChanged, this,
            [this](int index) { MovieResSelChange(index); });
    connect(FormatSel, &QComboBox::currentIndexChanged, this, [this](int index) { FormatSelChange(index); });
    connect(FileName, &QLineEdit::editingFinished, this, [this] { FileNameEdited(); });
    connect(VidFilterSel, &QComboBox::currentIndexChanged, this,
            [this](int index) { VidFilterSelChange(index); });
    connect(SettingsLbl, &QLabel::linkActivated, this,
            [this] { GuardCommand(this, [this] { SettingsLblClick(); }); });
    connect(ShellComboBox1, &QComboBox::currentTextChanged, this, [this] { ListFolder(); });
    connect(ShellListView1, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        if (item->data(Qt::UserRole).toBool())
            Log(QDir(Folder()).filePath(item->text()));
    });
    connect(ShellListView1, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        if (item->data(Qt::UserRole).toBool())
            SetFolder(QDir(Folder()).filePath(item->text()));
    });
    AskOverwrite = [this](const QString& target) {
        TAlertPrompt prompt(this);
        return prompt.Prompt(Fill(Translate(LanguageKey("msgFileExists")), {target}),
                             Translate(LanguageKey("sOverwrite")),
                             Translate(LanguageKey("sCancel"))) == TAlertPrompt::TAnswer::Ok;
    };
    ShowFile = [](const QString& file) {
        QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(file).absolutePath()));
    };

    // Opening.
    SetFolder(StartFolder(Context.SheetFile, folder));
    MovieResSelChange(0);
    Log(Fill(Translate(LanguageKey("msgLogMovieSize")),
             {QString::number(MovieWidth), QString::number(MovieHeight)}));
    const std::int32_t fps = std::max(Context.Settings.General.Fps, 1);
    const TMovieRange whole = Context.Sheet ? WholeMovie(*Context.Sheet, fps, HasSound() ? Context.Sheet->Data().Audio.DurationMs : 0)
                                            : TMovieRange{1, 1};
    FromFrame->setValue(whole.First);
    ToFrame->setValue(std::max(whole.Last, 1));
    FileName->setText(MovieName(QFileInfo(Context.SheetName).fileName(), ChosenFormat()));
    ShowCompressors();
}

TExportDialog::~TExportDialog() {
    Closing->store(true);
    if (Lister.joinable())
        Lister.join();
}

void TExportDialog::SetFrames(const TFrameArray* order, const TImageArray* frames) {
    Mode = 1;
    Order = order;
    Frames = frames;
    // The preview's frames are its own range.
    for (QWidget* field : std::initializer_list<QWidget*>{FromLbl, FromFrame, ToLbl, ToFrame})
        field->setEnabled(false);
}

void TExportDialog::Log(const QString& line) {
    debug->appendPlainText(line);
}

QString TExportDialog::Folder() const {
    return ShellComboBox1->currentText();
}

void TExportDialog::SetFolder(const QString& folder) {
    ShellComboBox1->setCurrentText(QDir::cleanPath(folder));
    ListFolder();
}

void TExportDialog::ListFolder() {
    ShellListView1->clear();
    const QDir dir(Folder());
    for (const QFileInfo& info : dir.entryInfoList(QDir::Dirs | QDir::Files | QDir::NoDotAndDotDot)) {
        const bool folder = info.isDir();
        if (!folder && info.suffix().compare(ChosenFormat().Suffix, Qt::CaseInsensitive) != 0)
            continue;
        auto* item = new QListWidgetItem(info.fileName(), ShellListView1);
        item->setData(Qt::UserRole, folder);
        item->setIcon(style()->standardIcon(folder ? QStyle::SP_DirIcon : QStyle::SP_FileIcon));
    }
}

bool TExportDialog::HasSound() const {
    return Context.Sheet && Context.Sheet->HasAudio();
}

void TExportDialog::MovieResSelChange(int index) {
    if (index <= 0) {
        std::int32_t width = 0, height = 0;
        TPixelFormat format{};
        if (Context.Sheet && GetFirstImageInfo(*Context.Sheet, width, height, format)) {
            MovieWidth = width;
            MovieHeight = height;
        }
    } else {
        MovieWidth = kSizes[index].Width;
        MovieHeight = kSizes[index].Height;
    }
}

// Each encoder is tried once per kind of movie at the movie's size and frame rate, on a thread of
// its own, so the dialog is usable at once; the lists fill as the trials of each kind are over, the
// chosen kind first.
void TExportDialog::ListCompressors() {
    const std::int32_t width = Mode == 1 && Frames && !Frames->empty() ? (*Frames)[0]->Width() : MovieWidth;
    const std::int32_t height =
        Mode == 1 && Frames && !Frames->empty() ? (*Frames)[0]->Height() : MovieHeight;
    const std::int32_t fps = std::max(Context.Settings.General.Fps, 1);
    const bool sound = HasSound();
    std::vector<const TMovieFormat*> order{&ChosenFormat()};
    for (const TMovieFormat& format : MovieFormats())
        if (&format != order.front())
            order.push_back(&format);
    Lister = std::thread([this, width, height, fps, sound, order, closing = Closing] {
        for (const TMovieFormat* format : order) {
            TWorkingCompressors found;
            if (!closing->load())
                found.Video = InstalledCompressors(*format, true, width, height, fps);
            if (sound && format->TakesSound && !closing->load())
                found.Audio = InstalledCompressors(*format, false, width, height, fps);
            QMetaObject::invokeMethod(
                this,
                [this, container = format->Container, found] {
                    Working[container] = found;
                    if (container == ChosenFormat().Container)
                        ShowCompressors();
                },
                Qt::QueuedConnection);
        }
    });
}

bool TExportDialog::CompressorsListed() const {
    return Working.contains(ChosenFormat().Container);
}

const TMovieFormat& TExportDialog::ChosenFormat() const {
    return MovieFormats()[static_cast<std::size_t>(std::max(FormatSel->currentIndex(), 0))];
}

void TExportDialog::FormatSelChange(int) {
    FileName->setText(MovieName(FileName->text(), ChosenFormat()));
    ListFolder();
    ShowCompressors();
}

void TExportDialog::FileNameEdited() {
    const std::string suffix = QFileInfo(FileName->text()).suffix().toLower().toStdString();
    for (std::size_t i = 0; i < MovieFormats().size(); ++i)
        if (suffix == MovieFormats()[i].Suffix)
            FormatSel->setCurrentIndex(static_cast<int>(i));
}

// The chosen kind's encoders: "none" where the stream may stay uncompressed, and the kind's
// default encoder chosen.
void TExportDialog::ShowCompressors() {
    const TMovieFormat& format = ChosenFormat();
    const auto fill = [](QComboBox* box, bool withNone, const std::vector<TCompressorInfo>& list,
                         const std::vector<std::string>& defaults) {
        box->clear();
        if (withNone)
            box->addItem("none");
        // Some encoders share their long name (a fixed-point twin of a floating-point one): those
        // are told apart by the element's own name.
        for (const TCompressorInfo& info : list) {
            const bool shared = std::count_if(list.begin(), list.end(), [&](const TCompressorInfo& other) {
                                    return other.Description == info.Description;
                                }) > 1;
            box->addItem(QString::fromStdString(shared ? info.Description + " (" + info.Element + ")"
                                                       : info.Description),
                         QString::fromStdString(info.Element));
        }
        for (const std::string& element : defaults) {
            const int index = box->findData(QString::fromStdString(element));
            if (index >= 0) {
                box->setCurrentIndex(index);
                break;
            }
        }
    };
    const auto found = Working.find(format.Container);
    const TWorkingCompressors none;
    const TWorkingCompressors& working = found == Working.end() ? none : found->second;
    fill(VidFilterSel, format.TakesRawVideo, working.Video, format.DefaultVideo);
    fill(AudioFilterSel, format.Container == TMovieContainer::Avi || format.Container == TMovieContainer::Matroska,
         working.Audio, format.DefaultAudio);
    const bool encoders = *format.Muxer != 0;
    VidFilterSel->setEnabled(encoders);
    CompLbl->setEnabled(encoders);
    AudioFilterSel->setEnabled(encoders && HasSound());
    AudioCompLabel->setEnabled(encoders && HasSound());
}

void TExportDialog::VidFilterSelChange(int index) {
    ShowSettingsLink(index > 0 &&
                     !TEncoderProperties(VidFilterSel->itemData(index).toString().toStdString()).Empty());
}

// A link looks clickable even when disabled; without settings the caption is plain, greyed text.
void TExportDialog::ShowSettingsLink(bool available) {
    const QString caption = Translate(LanguageKey("sSettingsDots"));
    SettingsLbl->setText(available ? "<a href=\"#\">" + caption + "</a>" : caption);
    SettingsLbl->setEnabled(available);
}

void TExportDialog::SettingsLblClick() {
    const std::string element = VidFilterSel->currentData().toString().toStdString();
    if (element.empty())
        return;
    const TEncoderProperties properties(element);
    if (properties.Empty())
        return;
    TEncoderSettingsDialog dialog(properties, SettingsFor(element), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    EncoderSettings[element] = dialog.Values();
    WriteEncoderSettings(Context.SettingsFile, element, EncoderSettings[element]);
}

const TCompressorSettings& TExportDialog::SettingsFor(const std::string& element) {
    static const TCompressorSettings kNone;
    if (element.empty())
        return kNone;
    auto found = EncoderSettings.find(element);
    if (found == EncoderSettings.end()) {
        std::vector<std::string> dropped;
        found = EncoderSettings
                    .emplace(element, RememberedEncoderSettings(Context.SettingsFile, element, &dropped))
                    .first;
        for (const std::string& setting : dropped)
            Log(Fill(Translate(LanguageKey("msgLogSettingLeftOut")),
                     {QString::fromStdString(setting), QString::fromStdString(element)}));
    }
    return found->second;
}

void TExportDialog::SaveBtnClick() {
    if (Mode == 0 && (!Context.Sheet || Context.Sheet->IsEmpty()))
        throw ECwError("X-Sheet is empty.");
    if (FileName->text().isEmpty())
        throw ECwError("Enter a file name to save to.");
    const TMovieEncoding encoding = Encoding();
    CheckMovieRange(encoding.Range);
    const QString target = QDir(Folder()).filePath(MovieName(FileName->text(), ChosenFormat()));
    for (const std::filesystem::path& file : MovieFiles(target.toStdString(), encoding)) {
        if (Context.Sheet && FindSheetInput(*Context.Sheet, Context.SheetFile, file).Kind != TSheetInput::TKind::None)
            throw ECwError(
                Fill(Translate(LanguageKey("msgErrOutputIsInput")), {QString::fromStdString(file.string())}).toStdString());
    }
    if (QFileInfo::exists(target) && !AskOverwrite(target))
        return;
    Target = target;
    LastExport() = {Context.SheetFile, Folder()};
    ResultLabel->clear();
    ShowFileBtn->setEnabled(false);
    try {
        Build(target.toStdString());
    } catch (const std::exception& error) {
        ExportFailed(error.what());
        return;
    }
    MovieSaved();
}

TMovieEncoding TExportDialog::Encoding() const {
    TMovieEncoding encoding;
    encoding.Format = &ChosenFormat();
    encoding.Width = MovieWidth;
    encoding.Height = MovieHeight;
    encoding.Fps = std::max(Context.Settings.General.Fps, 1);
    encoding.Range = {FromFrame->value(), ToFrame->value()};
    if (*encoding.Format->Muxer) {
        encoding.VideoCompressor = VidFilterSel->currentData().toString().toStdString();
        encoding.AudioCompressor = AudioFilterSel->currentData().toString().toStdString();
    }
    if (HasSound() && encoding.Format->TakesSound)
        encoding.Sound = Context.Sheet->AudioFileName();
    return encoding;
}

void TExportDialog::Build(const std::filesystem::path& target) {
    TMovieEncoding encoding = Encoding();
    encoding.VideoSettings = SettingsFor(encoding.VideoCompressor);
    encoding.AudioSettings = SettingsFor(encoding.AudioCompressor);
    TProgressDialog progress(this);
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setWindowTitle(Translate(LanguageKey("sExportMovie")));
    TExportProgress report;
    report.OnProgress = [&progress](std::int32_t done, std::int32_t total) {
        if (done == 0) {
            progress.SetMaximum(total);
            progress.show();
        } else {
            progress.StepIt();
        }
        // Abort must stay clickable; the window is modal, so nothing else takes input meanwhile.
        QApplication::processEvents();
    };
    report.Aborted = [&progress] { return progress.Aborted(); };
    if (PassesThroughEncoders(encoding))
        Log(Translate(LanguageKey("msgLogCompressing")));
    QApplication::setOverrideCursor(Qt::WaitCursor);
    SaveBtn->setEnabled(false);
    const auto restore = [this] {
        QApplication::restoreOverrideCursor();
        SaveBtn->setEnabled(true);
    };
    std::string line;
    try {
        line = Mode == 0 ? ExportSheetMovie(*Context.Rostrum, encoding, target, report)
                         : ExportFrameMovie(*Order, *Frames, encoding, target, report);
    } catch (...) {
        restore();
        throw;
    }
    restore();
    if (Context.Info)
        Context.Info(QString::fromStdString(line));
}

void TExportDialog::ExportFailed(const std::string& error) {
    const QString text = Fill(Translate(LanguageKey("msgErrMovieNotSaved")), {QString::fromStdString(error)});
    Log(text);
    ResultLabel->setText(text);
    SaveBtn->setEnabled(true);
}

void TExportDialog::MovieSaved() {
    SavedFile = Target;
    const QString text = Fill(Translate(LanguageKey("msgMovieSaved")), {QDir::toNativeSeparators(Target)});
    Log(text);
    ResultLabel->setText(text);
    ShowFileBtn->setEnabled(true);
    CancelBtn->setText(Translate(LanguageKey("sClose")));
    ListFolder();
    QApplication::beep();
}

void TExportDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Centred over the main window, also when the preview opens it: the preview stands beside the
    // sheet, often at the screen's edge, where centring on it pushes the dialog into a corner.
    if (!event->spontaneous() && parentWidget()) {
        QWidget* main = parentWidget()->window();
        while (main->parentWidget())
            main = main->parentWidget()->window();
        adjustPosition(main);
        setAttribute(Qt::WA_Moved, false); // no place of the user's
    }
    if (!Lister.joinable())
        ListCompressors();
}

bool ExportMovie(const TExportContext& context, const QString& folder, QWidget* parent) {
    TExportDialog dialog(context, folder, parent);
    dialog.exec();
    return dialog.Saved();
}

bool ExportFrames(const TExportContext& context, const QString& folder, const TFrameArray* order,
                  const TImageArray* frames, QWidget* parent) {
    if (!order || !frames)
        return false;
    TExportDialog dialog(context, folder, parent);
    dialog.SetFrames(order, frames);
    dialog.exec();
    return dialog.Saved();
}
