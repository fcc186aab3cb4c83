#pragma once

#include "export/EncodeGraph.h"
#include "imaging/Picture.h"
#include "settings/Preferences.h"

#include <QDialog>
#include <atomic>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <thread>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class TCompositor;
class TSheetDocument;

// What the export dialog works on, handed over by the window that opens it.
struct TExportContext {
    TSheetDocument* Sheet = nullptr;
    TCompositor* Rostrum = nullptr;
    TSettings Settings;
    QString SheetName; // the document's file name, or the translated "Untitled"
    // The sheet's file; empty while it has none. Its folder is where the dialog starts, and it is
    // never written over.
    std::filesystem::path SheetFile;
    // "celwright.ini", where the encoders' settings are remembered; empty when there is none.
    std::string SettingsFile;
    // A line for the main window's info panel ("Build Complete").
    std::function<void(const QString& line)> Info;
};

// The export dialog: saves the animation as a movie (AVI, MP4, Matroska, WebM, animated GIF or a PNG
// sequence, by the type list or the name's suffix), uncompressed or through the installed encoders,
// from the sheet's frames From to To (mode 0) or from the preview's rendered frames (mode 1). It
// starts in the sheet's folder, or where the last movie went when that was one of this sheet's;
// only the Save button exports (Return in a field does not), with progress and Abort, and the
// dialog stays open afterwards with the result and a button that shows the file. The movie
// replaces an existing file only once it is complete.
class TExportDialog : public QDialog {
    Q_OBJECT
public:
    TExportDialog(const TExportContext& context, const QString& folder, QWidget* parent = nullptr);
    ~TExportDialog() override;

    // Mode 1: the preview's frames; the movie size choice then has no effect.
    void SetFrames(const TFrameArray* order, const TImageArray* frames);
    void SaveBtnClick();
    // Whether the encoder lists of the chosen type have been filled (they are tested in the
    // background).
    bool CompressorsListed() const;
    QString Folder() const;
    void SetFolder(const QString& folder);

    // Whether a movie has been saved since the dialog opened.
    bool Saved() const { return !SavedFile.isEmpty(); }

    QLabel *SaveLbl, *NameLbl, *TypeLbl, *FromLbl, *ToLbl, *SizeLbl, *CompLbl, *SettingsLbl, *AudioCompLabel,
        *InstructText, *ResultLabel;
    QComboBox *ShellComboBox1, *MovieResSel, *VidFilterSel, *AudioFilterSel, *FormatSel;
    QSpinBox *FromFrame, *ToFrame;
    QListWidget* ShellListView1;
    QLineEdit* FileName;
    QPushButton *SaveBtn, *CancelBtn, *ShowFileBtn;
    QPlainTextEdit* debug;

    // Where the overwrite question is asked; tests answer it. Returns true for "Overwrite".
    std::function<bool(const QString& target)> AskOverwrite;
    // Shows the saved movie in the desktop's file manager; tests watch it.
    std::function<void(const QString& file)> ShowFile;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Log(const QString& line);
    void MovieResSelChange(int index);
    void ListFolder();
    void ListCompressors();
    const TMovieFormat& ChosenFormat() const;
    void FormatSelChange(int index);
    // A typed suffix of a known kind chooses that kind.
    void FileNameEdited();
    void ShowCompressors();
    void VidFilterSelChange(int index);
    void ShowSettingsLink(bool available);
    void SettingsLblClick();
    // The encoder's settings for this export: as last chosen here, else as remembered.
    const TCompressorSettings& SettingsFor(const std::string& element);
    bool HasSound() const;
    TMovieEncoding Encoding() const;
    // Writes the movie with a progress window; throws what the export throws.
    void Build(const std::filesystem::path& target);
    // Nothing was written: the old movie stays, and the reason is shown.
    void ExportFailed(const std::string& error);
    // The movie is in place: the result, and the button that shows it.
    void MovieSaved();

    TExportContext Context;
    int Mode = 0;
    const TFrameArray* Order = nullptr;
    const TImageArray* Frames = nullptr;
    std::int32_t MovieWidth = 320, MovieHeight = 240;
    QString Target, SavedFile;
    std::map<std::string, TCompressorSettings> EncoderSettings;
    // The working encoders of each kind of movie, video and audio, as the trials find them.
    struct TWorkingCompressors {
        std::vector<TCompressorInfo> Video, Audio;
    };
    std::map<TMovieContainer, TWorkingCompressors> Working;
    std::thread Lister;
    std::shared_ptr<std::atomic<bool>> Closing = std::make_shared<std::atomic<bool>>(false);
};

// The main window's Export: the dialog in mode 0 at `folder`; true when a movie was saved.
bool ExportMovie(const TExportContext& context, const QString& folder, QWidget* parent);
// The preview's Save: the dialog in mode 1; false without a dialog when an array is missing.
bool ExportFrames(const TExportContext& context, const QString& folder, const TFrameArray* order,
                  const TImageArray* frames, QWidget* parent);
