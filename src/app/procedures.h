#pragma once

#include <QString>
#include <QStringList>
#include <map>
#include <memory>
#include <string>

#include "app/program_state.h"
#include "app/qt_ui_hooks.h"
#include "formats/archive_decoder.h"

namespace echodelve::app {

// The procedure dispatcher: every piece of real work runs through
// RunProcedure, under one failure handler that shows the failure's
// description in a message box titled with the program's name. It works on
// the program's state alone; the windows show that state.
class Procedures {
  public:
    Procedures(ProgramState& state, QtUiHooks& hooks);
    ~Procedures();
    Procedures(const Procedures&) = delete;
    Procedures& operator=(const Procedures&) = delete;

    // "sfxfile"/"wadfile": list the archive at path. "savefile": write sound
    // `index` to path. "saveallfile": write every listed sound into the folder
    // path (ending with "/"); a sound its archive declares impossibly
    // (SoundRefused) is left out and named in one message at the end. Any
    // other code does nothing. While it runs the state is busy, and a second
    // call does nothing.
    void RunProcedure(const QString& procedure, const QString& path, qint32 index);

    // Writes one sound of the listed archive with the decoder of its kind;
    // false when the user declined to save a sound that is not RIFF.
    bool ExtractSound(const QString& target, qint64 index);

    // What sound `index` of the listed archive is, or why that cannot be told.
    DetailsOrProblem ListedDetails(qint64 index) { return Listed().Details(index); }
    // The catalogue the list shows.
    const SoundCatalogue& ListedCatalogue() { return Listed().Catalogue(); }

    // Each kind's decoder, holding the catalogue of its last decode.
    const ArchiveDecoder& Decoder(ArchiveKind kind) const;

  private:
    ArchiveDecoder& DecoderOf(ArchiveKind kind);
    // The decoder whose catalogue the list shows: fileissfx decides.
    ArchiveDecoder& Listed();
    void ListArchive(ArchiveKind kind, const QString& path);
    void SaveOne(const QString& path, qint32 index);
    void SaveAll(const QString& folder);
    void Advance(const std::string& stepText);

    ProgramState& state_;
    QtUiHooks& hooks_;
    std::map<ArchiveKind, std::unique_ptr<ArchiveDecoder>> decoders_;  // one of each kind
};

// What a Save All says of the sounds it could not save, one "name: reason"
// each: the count, then the first ten reasons and how many more there were.
QString NotSavedMessage(const QStringList& reasons);

}  // namespace echodelve::app
