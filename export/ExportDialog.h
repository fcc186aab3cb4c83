#pragma once

#include "export/EncodeGraph.h"
#include "imaging/Picture.h"
#include "settings/Preferences.h"

#include <QDialog>
#include <atomic>
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
class TCompositor;
class TSheetDocument;

// What the export dialog works on, handed over by the window that opens it.
struct TExportContext {
    TSheetDocument* Sheet = nullptr;
    TCompositor* Rostrum = nullptr;
    TSettings Settings;
    QString SheetName; // the document's file name, or the translated "Untitled"
    // "celwright.ini", where the encoders' settings are remembered; empty when there is none.
    std::string SettingsFile;
    // A line for the main window's info panel ("Build Complete").
    std::function<void(const QString& line)> Info;
};

// The export dialog: saves the animation as an AVI movie, uncompressed or through the installed
// encoders, from the sheet (mode 0) or from the preview's rendered frames (mode 1).
class TExportDialog : public QDialog {
    Q_OBJECT
public:
    TExportDialog(const TExportContext& context, const QString& folder, QWidget* parent = nullptr);
    ~TExportDialog() override;

    // Mode 1: the preview's frames; the movie size choice then has no effect.
    void SetFrames(const TFrameArray* order, const TImageArray* frames);
    void SaveBtnClick();
    // Whether the encoder lists have been filled (they are tested in the background).
    bool CompressorsListed() const { return Listed; }
    QString Folder() const;
    void SetFolder(const QString& folder);

    QLabel *SaveLbl, *NameLbl, *SizeLbl, *CompLbl, *SettingsLbl, *AudioCompLabel, *InstructText;
    QComboBox *ShellComboBox1, *MovieResSel, *VidFilterSel, *AudioFilterSel, *FormatSel;
    QListWidget* ShellListView1;
    QLineEdit* FileName;
    QPushButton *SaveBtn, *CancelBtn;
    QPlainTextEdit* debug;

    // Where the overwrite question is asked; tests answer it. Returns true for "Overwrite".
    std::function<bool(const QString& target)> AskOverwrite;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void done(int result) override;

private:
    void Log(const QString& line);
    void MovieResSelChange(int index);
    void ListFolder();
    void ListCompressors();
    void VidFilterSelChange(int index);
    void SettingsLblClick();
    // The encoder's settings for this export: as last chosen here, else as remembered.
    const TCompressorSettings& SettingsFor(const std::string& element);
    void CompressorsFound(const std::vector<TCompressorInfo>& video,
                          const std::vector<TCompressorInfo>& audio);
    bool HasSound() const;
    // Returns the movie's play length in milliseconds.
    std::int64_t BuildRaw(const std::filesystem::path& path);
    void BuildCompressed(const std::filesystem::path& target);
    void CompressionDone();
    void CompressionFailed(const std::string& error);
    void Finish();

    TExportContext Context;
    int Mode = 0;
    const TFrameArray* Order = nullptr;
    const TImageArray* Frames = nullptr;
    std::int32_t MovieWidth = 320, MovieHeight = 240;
    TEncodeGraph Compression;
    std::unique_ptr<TRawMovieFile> Raw;
    std::map<std::string, TCompressorSettings> EncoderSettings;
    bool Listed = false;
    std::thread Lister;
    std::shared_ptr<std::atomic<bool>> Closing = std::make_shared<std::atomic<bool>>(false);
};

// The main window's Export: the dialog in mode 0 at `folder`; true when a movie was saved.
bool ExportMovie(const TExportContext& context, const QString& folder, QWidget* parent);
// The preview's Save: the dialog in mode 1; false without a dialog when an array is missing.
bool ExportFrames(const TExportContext& context, const QString& folder, const TFrameArray* order,
                  const TImageArray* frames, QWidget* parent);
