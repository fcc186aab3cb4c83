#include "app/SheetRecovery.h"

#include "document/XpsFile.h"
#include "recovery/RecoveryFolder.h"
#include "recovery/RecoveryRecorder.h"
#include "settings/Preferences.h"
#include "sheetview/SheetView.h"
#include "ui/AlertPrompt.h"
#include "ui/AppTexts.h"
#include "ui/QtText.h"

#include <QDateTime>
#include <QFileInfo>
#include <algorithm>

TSheetRecovery::TSheetRecovery(const QString& folder, TSheetView& sheet, TSheetFiles& files,
                               TSettingsManager& settings, TAlertPrompt& prompt, QObject* parent)
    : QObject(parent), Writer(std::make_unique<TRecoveryRecorder>(ToStd(folder))), Folder(folder), Sheet(sheet),
      Files(files), Settings(settings), Prompt(prompt) {
    WriteTimer.setSingleShot(true);
    connect(&WriteTimer, &QTimer::timeout, this, [this] { WriteRecord(false); });
    connect(&Files, &TSheetFiles::ContentChanged, this, &TSheetRecovery::ScheduleWrite);
    connect(&Files, &TSheetFiles::DocumentChanged, this, [this] {
        if (!Files.Modified())
            DropRecord();
        if (SheetPath() != LockedSheet) {
            LockedSheet = SheetPath();
            Writer->SetSheetPath(ToStd(LockedSheet));
        }
    });
    Files.OnOpening = [this](const QString& path) { return Opening(path); };
    SinceWrite.start();
}

TSheetRecovery::~TSheetRecovery() = default;

QString TSheetRecovery::SheetPath() const {
    return Files.DocumentName().isEmpty() ? QString() : Files.DocumentFolder() + Files.DocumentName();
}

void TSheetRecovery::ScheduleWrite() {
    ++Changes;
    if (WriteTimer.isActive())
        return;
    // The first change of a burst goes to disk at once, later ones with the next write.
    WriteTimer.start(std::max<qint64>(0, kWriteInterval - SinceWrite.elapsed()));
}

void TSheetRecovery::RecordNow() {
    if (Files.Modified())
        WriteRecord(true);
}

void TSheetRecovery::WriteRecord(bool wait) {
    WriteTimer.stop();
    if (!Files.Modified())
        return;
    const TSheetDocument& document = Sheet.Document();
    TRecoveryInfo info{ToStd(SheetPath()), std::chrono::system_clock::now(), document.CurrentLayer(),
                       document.CurrentFrame(), document.AudioShown()};
    TXpsSettings settings;
    Settings.GetDocumentSettings(settings);
    std::string text = RecordText(info, TXpsFile::SheetText(document, settings));
    SinceWrite.restart();
    if (wait)
        Writer->Write(std::move(text), Changes);
    else
        Writer->Submit(std::move(text), Changes);
    if (const std::string error = Writer->TakeError(); !error.empty() && OnMessage)
        OnMessage(Fill(Translate(LanguageKey("msgRecoveryFailed")), {FromStd(error)}));
}

void TSheetRecovery::DropRecord() {
    WriteTimer.stop();
    Writer->Remove();
}

TSheetRecovery::TAnswer TSheetRecovery::AskRecover(const TRecoveryEntry& entry) {
    const QString name = entry.Info.SheetPath.empty() ? Translate(LanguageKey("sUntitled"))
                                                      : QFileInfo(FromStd(entry.Info.SheetPath)).fileName();
    const QDateTime changed = QDateTime::fromSecsSinceEpoch(
        std::chrono::duration_cast<std::chrono::seconds>(entry.Info.Changed.time_since_epoch()).count());
    const TAlertPrompt::TAnswer answer =
        Prompt.Confirm(Fill(Translate(LanguageKey("msgRecoverSheet")),
                            {name, changed.toString("yyyy-MM-dd HH:mm:ss")}),
                       Translate(LanguageKey("sRecover")), Translate(LanguageKey("sDiscard")),
                       Translate(LanguageKey("sLater")));
    if (answer == TAlertPrompt::TAnswer::Yes)
        return TAnswer::Recover;
    if (answer == TAlertPrompt::TAnswer::No)
        return TAnswer::Discard;
    return TAnswer::Later;
}

void TSheetRecovery::Recover(const TRecoveryEntry& entry) {
    Files.LoadRecovered(FromStd(entry.Record.string()), FromStd(entry.Info.SheetPath));
    TSheetDocument& document = Sheet.Document();
    if (document.AudioShown() && !entry.Info.AudioShown)
        Sheet.HideAudio();
    if (entry.Info.CursorLayer >= 1 && entry.Info.CursorLayer <= document.LayerCount())
        Sheet.SelectCell(entry.Info.CursorLayer, std::max(1, entry.Info.CursorFrame));
    // Ours first, then the old one goes: at no moment is the work on disk nowhere.
    WriteRecord(true);
    DiscardRecord(entry);
}

bool TSheetRecovery::Offer(const TRecoveryEntry& entry) {
    const QString record = FromStd(entry.Record.string());
    if (Deferred.contains(record))
        return false;
    switch (AskRecover(entry)) {
    case TAnswer::Recover:
        Recover(entry);
        return true;
    case TAnswer::Discard:
        DiscardRecord(entry);
        break;
    case TAnswer::Later:
        Deferred.insert(record);
        break;
    }
    return false;
}

bool TSheetRecovery::OfferRecords(const QString& sheetPath) {
    std::vector<TRecoveryEntry> entries = OrphanedRecords(ToStd(Folder));
    const std::string first = ToStd(sheetPath.isEmpty() ? QString() : QFileInfo(sheetPath).absoluteFilePath());
    std::stable_partition(entries.begin(), entries.end(),
                          [&](const TRecoveryEntry& entry) { return !first.empty() && entry.Info.SheetPath == first; });
    return std::any_of(entries.begin(), entries.end(), [this](const TRecoveryEntry& entry) { return Offer(entry); });
}

TSheetFiles::TOpenChoice TSheetRecovery::Opening(const QString& path) {
    const std::string sheet = ToStd(QFileInfo(path).absoluteFilePath());
    for (const TRecoveryEntry& entry : OrphanedRecords(ToStd(Folder))) {
        if (entry.Info.SheetPath == sheet && Offer(entry))
            return TSheetFiles::TOpenChoice::Skip;
    }
    if (!SheetOpenElsewhere(ToStd(Folder), sheet))
        return TSheetFiles::TOpenChoice::Open;
    const TAlertPrompt::TAnswer answer =
        Prompt.Confirm(Fill(Translate(LanguageKey("msgOpenElsewhere")), {QFileInfo(path).fileName()}),
                       Translate(LanguageKey("sReadOnly")), Translate(LanguageKey("sOpenAnyway")),
                       Translate(LanguageKey("sCancel")));
    if (answer == TAlertPrompt::TAnswer::Yes)
        return TSheetFiles::TOpenChoice::ReadOnly;
    if (answer == TAlertPrompt::TAnswer::No)
        return TSheetFiles::TOpenChoice::Open;
    return TSheetFiles::TOpenChoice::Skip;
}
