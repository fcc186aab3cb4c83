#pragma once

#include "app/SheetFiles.h"

#include <QElapsedTimer>
#include <QObject>
#include <QSet>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <memory>

class TAlertPrompt;
class TRecoveryRecorder;
class TSettingsManager;
class TSheetView;
struct TRecoveryEntry;

// The open sheet's recovery record, and the records of programs that stopped before their sheets
// were saved: the recovery folder wired to the sheet, its file and the user's answers.
//
// Every change that marks the sheet modified is recorded: the first at once, later ones of a burst
// at most every kWriteInterval, each on the recorder's thread. A save, a sheet that replaces this
// one, or closing without saving the changes removes the record.
class TSheetRecovery : public QObject {
    Q_OBJECT
public:
    static constexpr int kWriteInterval = 500; // milliseconds

    // Throws ECwError when the folder or this program's lock in it cannot be made. Answers
    // `files`' OnOpening, so it must go before `files` does.
    TSheetRecovery(const QString& folder, TSheetView& sheet, TSheetFiles& files, TSettingsManager& settings,
                   TAlertPrompt& prompt, QObject* parent);
    ~TSheetRecovery() override;

    // Puts the sheet as it is now into its record and waits until that is on disk: a picture was
    // placed, and a picture on disk that no record places would be lost work.
    void RecordNow();
    // The program closes without saving the sheet's changes: their record goes. A "No" before
    // another sheet replaces this one keeps it until that sheet is in, since a replacement that
    // fails or is cancelled leaves these changes open.
    void DropRecord();
    // Offers, one after the other, the records that stopped programs left, the one for `sheetPath`
    // first, until one is recovered; true then.
    bool OfferRecords(const QString& sheetPath = {});
    // Before a sheet file is opened: offers its record when a stopped program left one, and asks
    // what to do when another running program has it open.
    TSheetFiles::TOpenChoice Opening(const QString& path);

    // Where a message for the user goes (a record that cannot be written).
    std::function<void(const QString& text)> OnMessage;
    // The changes recorded so far; each record carries the count at the time it was taken, and
    // the recorder's OnWritten hands it back once the record is on disk.
    std::uint64_t ChangeCount() const { return Changes; }
    TRecoveryRecorder& Recorder() { return *Writer; }

private:
    enum class TAnswer { Recover, Discard, Later };
    TAnswer AskRecover(const TRecoveryEntry& entry);
    // Asks about one record and does what the user chose; true when it was recovered. A record
    // answered "Later" is not asked about again in this run.
    bool Offer(const TRecoveryEntry& entry);
    // Opens the record's sheet as it was and takes the record over.
    void Recover(const TRecoveryEntry& entry);
    void ScheduleWrite();
    void WriteRecord(bool wait);
    QString SheetPath() const;

    std::unique_ptr<TRecoveryRecorder> Writer;
    QString Folder;
    TSheetView& Sheet;
    TSheetFiles& Files;
    TSettingsManager& Settings;
    TAlertPrompt& Prompt;
    QTimer WriteTimer;
    QElapsedTimer SinceWrite;
    std::uint64_t Changes = 0;
    QString LockedSheet;
    QSet<QString> Deferred; // records answered "Later" in this run
};
