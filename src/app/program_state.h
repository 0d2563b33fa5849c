#pragma once

#include <QObject>
#include <QString>
#include <QVector>
#include <cstdint>
#include <optional>

#include "formats/archive_decoder.h"

namespace echodelve::app {

// One row of the listing.
struct ListedSound {
    std::int32_t number;  // 1-based, the catalogue's
    QString name;
    qint64 size;          // bytes
    bool edited = false;  // replaced, renamed or added since the archive was opened or saved
};

// The program's state between commands and while a procedure runs, without
// widgets: the procedure the browse panel's OK will run, the listing and its
// summary, the progress of a run, and whether a procedure runs. The
// procedures and commands change it; the windows show it through its signals.
class ProgramState : public QObject {
    Q_OBJECT
  public:
    // "sfxfile", "wadfile", "savefile" or "saveallfile": what OK runs.
    const QString& OpenProcedure() const { return openProcedure_; }
    void SetOpenProcedure(const QString& procedure) { openProcedure_ = procedure; }

    // The kind whose catalogue is listed (WAD before any listing);
    // fileissfx says whether that is an SFX archive.
    ArchiveKind ListedKind() const { return listedKind_; }
    void SetListedKind(ArchiveKind kind) { listedKind_ = kind; }
    bool fileissfx() const { return listedKind_ == ArchiveKind::Sfx; }

    // True while a procedure runs: its loops let events run, and nothing may
    // start or change under it but Exit.
    bool Busy() const { return busy_; }
    void SetBusy(bool busy);

    // The listing, shown as it grows once ShowSounds(true) is said.
    const QVector<ListedSound>& Sounds() const { return sounds_; }
    qsizetype SoundCount() const { return sounds_.size(); }
    void ClearSounds();
    void AddSound(const ListedSound& sound);
    void ShowSounds(bool shown) { emit SoundsShown(shown); }
    void SetSummary(const QString& summary);
    const QString& Summary() const { return summary_; }

    // The sound selected in the list, and whether "Loop Sound" is ticked: what
    // a preview plays, and how. The window says when either changes.
    const std::optional<ListedSound>& Selected() const { return selected_; }
    void SetSelected(std::optional<ListedSound> sound) { selected_ = std::move(sound); }
    bool Loop() const { return loop_; }
    // Asks the window to select the row of sound `number` (after an edit
    // listed the archive anew, the row it concerned).
    void SelectSound(std::int32_t number) { emit SoundSelectionAsked(number); }
    void SetLoop(bool loop) { loop_ = loop; }

    // The archive listed, as it was opened or last saved as (empty before
    // the first listing), and whether the listing holds edits not yet saved.
    const QString& ArchivePath() const { return archivePath_; }
    void SetArchivePath(const QString& path) { archivePath_ = path; }
    bool Unsaved() const { return unsaved_; }
    void SetUnsaved(bool unsaved) { unsaved_ = unsaved; }

    // The progress of a listing or a Save All: a value the bar holds in
    // single precision, and its caption.
    void StartProgress();
    void SetProgress(float value, const QString& caption);
    void EndProgress();
    bool InProgress() const { return inProgress_; }
    float ProgressValue() const { return progressValue_; }

    // A save ended: the browse panel's file list may show the new files.
    void SaveEnded() { emit Saved(); }

  signals:
    void BusyChanged(bool busy);
    void SoundsCleared();
    void SoundAdded(const app::ListedSound& sound);
    void SoundsShown(bool shown);
    void SummaryChanged(const QString& summary);
    void ProgressStarted();
    void ProgressChanged(float value, const QString& caption);
    void ProgressEnded();
    void Saved();
    void SoundSelectionAsked(std::int32_t number);

  private:
    QString openProcedure_;
    ArchiveKind listedKind_ = ArchiveKind::Wad;
    bool busy_ = false;
    QVector<ListedSound> sounds_;
    QString summary_;
    std::optional<ListedSound> selected_;
    QString archivePath_;
    bool unsaved_ = false;
    bool loop_ = false;
    bool inProgress_ = false;
    float progressValue_ = 0;
};

}  // namespace echodelve::app
