#pragma once

#include <QString>
#include <QStringList>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/program_state.h"
#include "app/qt_ui_hooks.h"
#include "formats/archive_decoder.h"
#include "formats/archive_edit.h"
#include "platform/scratch_folder.h"

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
    //
    // The edits: "replacefile" puts the WAV file at path in place of sound
    // `index`, "addfile" adds it at the end, "removefile" takes sound `index`
    // out, "renamefile" calls it path; each writes the edited archive into
    // the scratch folder and lists that, marking the rows it changed, so a
    // preview or a save of a row gives the new sound. "savearchivefile"
    // writes the listed archive to path, replacing a file there whole and
    // keeping its old bytes as path + ".bak". An archive is written nowhere
    // else.
    void RunProcedure(const QString& procedure, const QString& path, qint32 index);
    // Several edits as one (the files dropped on the list, say): all are
    // made, or none when any is refused.
    void RunEdits(const std::vector<EditOperation>& operations);

    // Writes one sound of the listed archive with the decoder of its kind;
    // false when the user declined to save a sound that is not RIFF.
    bool ExtractSound(const QString& target, qint64 index);

    // What sound `index` of the listed archive is, or why that cannot be told.
    DetailsOrProblem ListedDetails(qint64 index) { return Listed().Details(index); }
    // The catalogue the list shows.
    const SoundCatalogue& ListedCatalogue() { return Listed().Catalogue(); }

    // Removes the edited archive from the scratch folder, and the folder if
    // that left it empty; for the exit sequence.
    void ClearScratch();

    // Each kind's decoder, holding the catalogue of its last decode.
    const ArchiveDecoder& Decoder(ArchiveKind kind) const;

  private:
    ArchiveDecoder& DecoderOf(ArchiveKind kind);
    // The decoder whose catalogue the list shows: fileissfx decides.
    ArchiveDecoder& Listed();
    // `named` by the command; a Doom WAD's content claims a WAD listing.
    void ListArchive(ArchiveKind named, const QString& path);
    void SaveOne(const QString& path, qint32 index);
    void SaveAll(const QString& folder);
    void Advance(const std::string& stepText);
    // Runs `work` as the procedure `procedure`: busy meanwhile, and any
    // failure shown by the one handler.
    void Guarded(const QString& procedure, const std::function<void()>& work);
    // Refuses to write the listing anew when there is none, or only part of
    // an archive is listed; `done` says what would have been done: "edited".
    void RefuseWriting(const std::string& done) const;
    void Edit(const std::vector<EditOperation>& operations);
    void SaveArchive(const QString& path);
    // The rows of the listed catalogue, marked as `edited_` says, and the summary.
    void ShowEditedListing(const std::filesystem::path& archive);

    ProgramState& state_;
    QtUiHooks& hooks_;
    std::map<ArchiveKind, std::unique_ptr<ArchiveDecoder>> decoders_;  // one of each kind
    bool listedInPart_ = false;        // the listing stopped at the directory's limit
    std::vector<bool> edited_;         // per row of the listing, from row 1
    platform::ScratchFolder scratch_;  // where the edited archive lies until it is saved
    int edits_ = 0;                    // edited archives written, for their names
};

// What a Save All says of the sounds it could not save, one "name: reason"
// each: the count, then the first ten reasons and how many more there were.
QString NotSavedMessage(const QStringList& reasons);

}  // namespace echodelve::app
