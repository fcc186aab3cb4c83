#include "export/ExportDialog.h"

#include "base/Error.h"
#include "document/CelPictures.h"
#include "document/SheetDocument.h"
#include "document/SheetInputs.h"
#include "export/AviBuilder.h"
#include "export/EncoderSettingsDialog.h"
#include "ui/AlertPrompt.h"
#include "ui/AppTexts.h"
#include "ui/ErrorBox.h"
#include "ui/ProgressDialog.h"

#include <QApplication>
#include <QCloseEvent>
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
#include <QUrl>

namespace {
struct TSizeEntry {
    const char* Label;
    std::int32_t Width, Height;
};
// Entry 0 is the first drawing's size.
constexpr TSizeEntry kSizes[] = {{"Image Size", 0, 0},    {"180 x 120", 180, 120}, {"320 x 240", 320, 240},
                                 {"640 x 480", 640, 480}, {"DV - NTSC", 720, 480}, {"DV - PAL", 720, 576}};

// The name with its extension made exactly ".avi".
QString AviName(const QString& name) {
    if (name.endsWith(".avi"))
        return name;
    const QFileInfo info(name);
    const QString base = info.suffix().isEmpty() ? name : name.left(name.size() - info.suffix().size() - 1);
    return base + ".avi";
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
    FormatSel = new QComboBox(this);
    FormatSel->addItems({"AVI File (.avi)", "Windows Media Video (.wmv)"});
    FormatSel->hide();
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
    grid->addWidget(SizeLbl, 3, 0);
    grid->addWidget(MovieResSel, 3, 1, 1, 2);
    grid->addWidget(CompLbl, 4, 0);
    grid->addWidget(VidFilterSel, 4, 1);
    grid->addWidget(SettingsLbl, 4, 2);
    grid->addWidget(AudioCompLabel, 5, 0);
    grid->addWidget(AudioFilterSel, 5, 1, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(ShowFileBtn);
    buttons->addStretch();
    buttons->addWidget(SaveBtn);
    buttons->addWidget(CancelBtn);
    grid->addLayout(buttons, 6, 0, 1, 3);
    grid->addWidget(ResultLabel, 7, 0, 1, 3);
    grid->setColumnStretch(1, 1);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(grid, 3);
    layout->addWidget(panel, 2);
    resize(720, 460);

    connect(SaveBtn, &QPushButton::clicked, this, [this] { GuardCommand(this, [this] { SaveBtnClick(); }); });
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(ShowFileBtn, &QPushButton::clicked, this, [this] { ShowFile(SavedFile); });
    connect(MovieResSel, &QComboBox::currentIndexChanged, this,
            [this](int index) { MovieResSelChange(index); });
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
    Compression.OnCompressionComplete = [this](TEncodeGraph&) { CompressionDone(); };
    Compression.OnCompressionError = [this](TEncodeGraph&, const std::string& error) {
        CompressionFailed(error);
    };

    // Opening.
    SetFolder(StartFolder(Context.SheetFile, folder));
    MovieResSelChange(0);
    VidFilterSel->addItem("none");
    AudioFilterSel->addItem("none");
    AudioFilterSel->setEnabled(HasSound());
    AudioCompLabel->setEnabled(HasSound());
    FileName->setText(AviName(QFileInfo(Context.SheetName).fileName()));
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
        if (!folder && info.suffix().compare("avi", Qt::CaseInsensitive) != 0)
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
    Log(Fill(Translate(LanguageKey("msgLogMovieSize")),
             {QString::number(MovieWidth), QString::number(MovieHeight)}));
}

// Each encoder is tried once at the movie's size and frame rate, on a thread of its own, so the
// dialog is usable at once; the lists fill when the trials are over.
void TExportDialog::ListCompressors() {
    const std::int32_t width = Mode == 1 && Frames && !Frames->empty() ? (*Frames)[0]->Width() : MovieWidth;
    const std::int32_t height =
        Mode == 1 && Frames && !Frames->empty() ? (*Frames)[0]->Height() : MovieHeight;
    const std::int32_t fps = std::max(Context.Settings.General.Fps, 1);
    const bool sound = HasSound();
    Lister = std::thread([this, width, height, fps, sound, closing = Closing] {
        std::vector<TCompressorInfo> video, audio;
        if (!closing->load())
            video = InstalledCompressors(true, width, height, fps);
        if (sound && !closing->load())
            audio = InstalledCompressors(false, width, height, fps);
        QMetaObject::invokeMethod(
            this, [this, video, audio] { CompressorsFound(video, audio); }, Qt::QueuedConnection);
    });
}

void TExportDialog::CompressorsFound(const std::vector<TCompressorInfo>& video,
                                     const std::vector<TCompressorInfo>& audio) {
    for (const TCompressorInfo& info : video)
        VidFilterSel->addItem(QString::fromStdString(info.Description), QString::fromStdString(info.Element));
    for (const TCompressorInfo& info : audio)
        AudioFilterSel->addItem(QString::fromStdString(info.Description),
                                QString::fromStdString(info.Element));
    Listed = true;
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
    const QString target = QDir(Folder()).filePath(AviName(FileName->text()));
    if (Context.Sheet && FindSheetInput(*Context.Sheet, Context.SheetFile, target.toStdString()).Kind !=
                             TSheetInput::TKind::None)
        throw ECwError(Fill(Translate(LanguageKey("msgErrOutputIsInput")), {target}).toStdString());
    if (QFileInfo::exists(target) && !AskOverwrite(target))
        return;
    Target = target;
    LastExport() = {Context.SheetFile, Folder()};
    ResultLabel->clear();
    ShowFileBtn->setEnabled(false);
    if (VidFilterSel->currentIndex() > 0 || HasSound()) {
        BuildCompressed(target.toStdString());
        return;
    }
    try {
        BuildRaw(target.toStdString());
    } catch (const std::exception& error) {
        ExportFailed(error.what());
        return;
    }
    MovieSaved();
}

std::int64_t TExportDialog::BuildRaw(const std::filesystem::path& path) {
    TAviBuilder builder;
    TProgressDialog progress(this);
    builder.OnProgress = [&progress](const std::string&, std::int32_t done, std::int32_t total) {
        if (done == 0) {
            progress.setWindowTitle(Translate(LanguageKey("sBuildingMovie")));
            progress.SetMaximum(total);
            progress.show();
        } else {
            progress.StepIt();
        }
    };
    // The builder's one line is its "Build Complete", said here in the user's language.
    builder.OnInfo = [this](const std::string&) {
        if (Context.Info)
            Context.Info(Translate(LanguageKey("msgBuildComplete")));
    };
    const std::int32_t fps = std::max(Context.Settings.General.Fps, 1);
    if (Mode == 0)
        builder.BuildFromSheet(path, MovieWidth, MovieHeight, *Context.Rostrum, fps);
    else
        builder.BuildFromFrames(path, *Order, *Frames, fps);
    return builder.MovieLengthMs();
}

void TExportDialog::BuildCompressed(const std::filesystem::path& target) {
    try {
        Raw = std::make_unique<TRawMovieFile>(Context.Settings.General.TempPath.empty()
                                                  ? std::filesystem::temp_directory_path()
                                                  : std::filesystem::path(Context.Settings.General.TempPath));
        const std::int64_t movieLengthMs = BuildRaw(Raw->Path());
        if (!std::filesystem::exists(Raw->Path()))
            throw ECwError("Unable to find raw file.");
        const std::string video = VidFilterSel->currentData().toString().toStdString();
        const std::string audio = AudioFilterSel->currentData().toString().toStdString();
        // The encoders write beside the target; the old movie stays until the new one is complete.
        Movie = std::make_unique<TAtomicFile>(target, TAtomicFile::TAccess::Seekable);
        StartCompression(Compression, Raw->Path(), Movie->TemporaryPath(), video, SettingsFor(video),
                         HasSound() ? std::filesystem::path(Context.Sheet->AudioFileName())
                                    : std::filesystem::path(),
                         audio, SettingsFor(audio), movieLengthMs);
        Log(Translate(LanguageKey("msgLogCompressing")));
        SaveBtn->setEnabled(false);
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } catch (const std::exception& error) {
        Compression.StopGraph();
        ExportFailed(error.what());
    }
}

void TExportDialog::CompressionDone() {
    QApplication::restoreOverrideCursor();
    SaveBtn->setEnabled(true);
    if (Raw && !Raw->Remove())
        Log(Fill(Translate(LanguageKey("msgLogRawLeft")), {QString::fromStdString(Raw->Path().string())}));
    Raw.reset();
    try {
        Movie->Commit();
    } catch (const std::exception& error) {
        ExportFailed(error.what());
        return;
    }
    Movie.reset();
    MovieSaved();
}

void TExportDialog::CompressionFailed(const std::string& error) {
    QApplication::restoreOverrideCursor();
    ExportFailed(error);
}

void TExportDialog::ExportFailed(const std::string& error) {
    Raw.reset();
    Movie.reset();
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

void TExportDialog::Finish() {
    if (Compression.Running()) {
        Compression.StopGraph();
        QApplication::restoreOverrideCursor();
    }
    Raw.reset();
    Movie.reset();
}

void TExportDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!Lister.joinable())
        ListCompressors();
}

void TExportDialog::closeEvent(QCloseEvent* event) {
    Finish();
    QDialog::closeEvent(event);
}

void TExportDialog::done(int result) {
    Finish();
    QDialog::done(result);
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
