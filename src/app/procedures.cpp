#include "app/procedures.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <algorithm>
#include <exception>
#include <numeric>
#include <vector>

#include "app/grouped_number.h"
#include "app/procedure_codes.h"
#include "app/progress.h"
#include "formats/archive_edit.h"
#include "formats/archive_kinds.h"
#include "formats/errors.h"
#include "formats/extraction.h"
#include "platform/developer_log.h"
#include "platform/paths.h"
#include "ui/titles.h"

namespace echodelve::app {

namespace {

const QString kDirectoryLimitWarning = QStringLiteral(
    "Error On Open, Header Size Is Greater Than 80K Or Invalid Format.  Displaying What I Have "
    "So Far.");

// The state is busy for as long as a procedure runs, however it ends.
class Busy {
  public:
    explicit Busy(ProgramState& state) : state_(state) { state_.SetBusy(true); }
    ~Busy() { state_.SetBusy(false); }
    Busy(const Busy&) = delete;
    Busy& operator=(const Busy&) = delete;

  private:
    ProgramState& state_;
};

// The status line of a listing: "12 Files  34,567 Bytes".
QString Summary(std::int32_t sounds, qint64 bytes) {
    return QString::number(sounds) + QStringLiteral(" Files  ") + GroupedNumber(bytes) +
           QStringLiteral(" Bytes");
}

}  // namespace

Procedures::Procedures(ProgramState& state, QtUiHooks& hooks) : state_(state), hooks_(hooks) {
    for (const ArchiveKindInfo& kind : ArchiveKinds()) {
        decoders_.emplace(kind.kind, kind.makeDecoder(hooks));
    }
}

Procedures::~Procedures() = default;

const ArchiveDecoder& Procedures::Decoder(ArchiveKind kind) const {
    return *decoders_.at(kind);
}

ArchiveDecoder& Procedures::DecoderOf(ArchiveKind kind) {
    return *decoders_.at(kind);
}

ArchiveDecoder& Procedures::Listed() {
    return DecoderOf(state_.ListedKind());
}

void Procedures::RunProcedure(const QString& procedure, const QString& path, qint32 index) {
    Guarded(procedure, [&] {
        if (const std::optional<ArchiveKind> kind = codes::ListingKind(procedure)) {
            ListArchive(*kind, path);
        }
        if (procedure == codes::kSaveFile) {
            SaveOne(path, index);
        }
        if (procedure == codes::kSaveAllFile) {
            SaveAll(path);
        }
        using Kind = EditOperation::Kind;
        const std::filesystem::path file = platform::ToFsPath(path);
        if (procedure == codes::kReplaceFile) {
            Edit({{Kind::Replace, {index}, file, {}, 0}});
        }
        if (procedure == codes::kAddFile) {
            Edit({{Kind::Add, {}, file, {}, 0}});
        }
        if (procedure == codes::kRemoveFile) {
            Edit({{Kind::Remove, {index}, {}, {}, 0}});
        }
        if (procedure == codes::kRenameFile) {
            Edit({{Kind::Rename, {index}, {}, path.toStdString(), 0}});
        }
        if (procedure == codes::kSaveArchiveFile) {
            SaveArchive(path);
        }
    });
}

void Procedures::RunEdits(const std::vector<EditOperation>& operations) {
    Guarded(QStringLiteral("edits"), [&] { Edit(operations); });
}

void Procedures::Guarded(const QString& procedure, const std::function<void()>& work) {
    if (state_.Busy()) {
        return;  // one at a time: the catalogue and the progress window are the running one's
    }
    const Busy busy(state_);
    QElapsedTimer took;
    took.start();
    // Says how the run ended, however it ended.
    struct Report {
        const QString& procedure;
        const QElapsedTimer& took;
        ~Report() { qCDebug(lcDetail) << procedure << "ran for" << took.elapsed() << "ms"; }
    } const report{procedure, took};
    try {
        work();
    } catch (const std::exception& failure) {
        qCDebug(lcDetail) << procedure << "failed:" << failure.what();
        // Undo nothing, but do not leave a stale progress window behind: the
        // next run starts again from 0%.
        state_.EndProgress();
        hooks_.Tell(QString(ui::kProgramName), QString::fromUtf8(failure.what()));
    }
}

bool Procedures::ExtractSound(const QString& target, qint64 index) {
    return Listed().Extract(platform::ToFsPath(target), index);
}

void Procedures::ListArchive(ArchiveKind named, const QString& path) {
    // "&WAD Open" of a Doom WAD lists its sounds, not its bytes as records.
    const ArchiveKind kind = ClaimedByContent(named, platform::ToFsPath(path));
    ArchiveDecoder& decoder = DecoderOf(kind);
    const bool cutAtLimit = decoder.Decode(platform::ToFsPath(path)).cutAtLimit;
    if (cutAtLimit) {
        // Not a failure: the listing shows what the scan found.
        hooks_.Tell(QString(ui::kWarningTitle), kDirectoryLimitWarning);
    }
    std::int32_t i = 0;
    state_.ClearSounds();
    state_.ShowSounds(false);
    if (decoder.Count() == 0) {
        // Said, not listed: the list stays empty and hidden, while the kind
        // and the summary still describe the archive listed before.
        throw ArchiveError("The archive holds no sounds.");
    }
    const std::string step = ProgressStepText(decoder.Count());
    state_.StartProgress();
    while (decoder.Count() != i) {
        ++i;
        const SoundEntry& entry = decoder.Entry(i);
        state_.AddSound({i, QString::fromStdString(entry.name), entry.size});
        Advance(step);
        hooks_.PumpEvents();
    }
    state_.SetListedKind(kind);
    state_.EndProgress();
    state_.ShowSounds(true);
    // A new listing has no edits; an edited archive left in the scratch folder goes.
    state_.SetArchivePath(path);
    state_.SetUnsaved(false);
    listedInPart_ = cutAtLimit;
    edited_.assign(static_cast<std::size_t>(decoder.Count()), false);

    const QFileInfo archive(path);
    if (!archive.exists()) {
        throw ArchiveError("Could not read the size of '" + path.toStdString() + "'.");
    }
    state_.SetSummary(Summary(decoder.Count(), archive.size()));
}

void Procedures::SaveOne(const QString& path, qint32 index) {
    ExtractSound(path, index);
    state_.SaveEnded();
}

void Procedures::SaveAll(const QString& folder) {
    const std::string step = ProgressStepText(state_.SoundCount());
    state_.StartProgress();
    std::vector<std::int32_t> numbers(static_cast<std::size_t>(state_.SoundCount()));
    std::iota(numbers.begin(), numbers.end(), 1);
    const SoundCatalogue& catalogue = Listed().Catalogue();
    const std::vector<ExtractionJob> jobs =
        PlanExtraction(catalogue, numbers, platform::ToFsPath(folder), std::nullopt);
    // The sounds are written by a pool, one per core; any question is still
    // asked here, in sound order, and the bar advances in sound order.
    const ExtractionSettings settings{.conversion = std::nullopt,
                                      .keepExisting = false,
                                      .workers = DefaultWorkers(),
                                      .stopAtFailure = true};
    QStringList notSaved;
    std::optional<std::string> failure;
    qCDebug(lcDetail) << "saving" << jobs.size() << "sounds with" << settings.workers << "workers";
    RunExtraction(
        catalogue, jobs, settings, hooks_, [&](std::size_t i, const SoundOutcome& outcome) {
            if (outcome.kind == SoundOutcome::Kind::Failed) {
                failure = outcome.problem;
                return false;
            }
            // A damaged entry spoils only its own sound; a failure
            // to write (a full disk, no permission) ends the run.
            if (outcome.kind == SoundOutcome::Kind::Refused) {
                notSaved << QString::fromStdString(jobs[i].target.filename().string()) +
                                QStringLiteral(": ") + QString::fromStdString(outcome.problem);
            }
            Advance(step);
            hooks_.PumpEvents();
            return true;
        });
    if (failure) {
        throw ArchiveError(*failure);
    }
    state_.EndProgress();
    state_.SaveEnded();
    if (!notSaved.isEmpty()) {
        hooks_.Tell(QString(ui::kProgramName), NotSavedMessage(notSaved));
    }
}

void Procedures::RefuseWriting(const std::string& done) const {
    if (state_.SoundCount() == 0) {
        throw ArchiveError("Open an archive first.");
    }
    if (listedInPart_) {
        throw ArchiveError("Only part of this archive could be listed, so it cannot be " + done +
                           ": its other sounds would be lost.");
    }
}

void Procedures::Edit(const std::vector<EditOperation>& operations) {
    if (operations.empty()) {
        return;
    }
    RefuseWriting("edited");
    const QString folder = scratch_.Prepare();
    if (folder.isEmpty()) {
        throw ArchiveError("There is no scratch folder to keep the edited archive in.");
    }
    ArchiveDecoder& decoder = Listed();
    const std::filesystem::path earlier = decoder.Catalogue().ArchivePath();
    const std::filesystem::path next =
        platform::ToFsPath(folder) /
        ("edited-" + std::to_string(++edits_) + std::string(Describe(decoder.Kind()).extension));
    WriteEditedArchive(decoder, operations, next);
    decoder.Decode(next);
    // Which rows now hold something new; the window offers one edit at a
    // time, or several additions.
    for (const EditOperation& operation : operations) {
        const auto row = operation.numbers.empty()
                             ? edited_.end()
                             : edited_.begin() + (operation.numbers.front() - 1);
        switch (operation.kind) {
            case EditOperation::Kind::Add:
                edited_.push_back(true);
                break;
            case EditOperation::Kind::Remove:
                edited_.erase(row);
                break;
            default:
                *row = true;
                break;
        }
    }
    if (earlier.parent_path() == next.parent_path()) {
        std::error_code ignored;  // the next edit or the exit clears it all the same
        std::filesystem::remove(earlier, ignored);
    }
    state_.SetUnsaved(true);
    ShowEditedListing(next);
    // The row the last edit concerned stays selected: the added sound, the
    // one after a removed one.
    const EditOperation& last = operations.back();
    state_.SelectSound(last.numbers.empty() ? decoder.Count()
                                            : std::min(last.numbers.front(), decoder.Count()));
}

void Procedures::ClearScratch() {
    if (scratch_.Path().isEmpty()) {
        return;  // no edit made one
    }
    std::error_code ignored;
    for (const ArchiveKindInfo& kind : ArchiveKinds()) {
        const std::filesystem::path listed = DecoderOf(kind.kind).Catalogue().ArchivePath();
        if (listed.parent_path() == platform::ToFsPath(scratch_.Path())) {
            std::filesystem::remove(listed, ignored);
        }
    }
    std::filesystem::remove(platform::ToFsPath(scratch_.Path()), ignored);  // only when empty
}

void Procedures::SaveArchive(const QString& path) {
    RefuseWriting("saved");
    WriteEditedArchive(Listed(), {}, platform::ToFsPath(path), {.inPlace = true, .backup = true});
    state_.SetArchivePath(path);
    state_.SetUnsaved(false);
    edited_.assign(edited_.size(), false);
    ShowEditedListing(platform::ToFsPath(path));
    state_.SaveEnded();
}

void Procedures::ShowEditedListing(const std::filesystem::path& archive) {
    const ArchiveDecoder& decoder = Listed();
    edited_.resize(static_cast<std::size_t>(decoder.Count()), false);
    state_.ClearSounds();
    for (std::int32_t i = 1; i <= decoder.Count(); ++i) {
        const SoundEntry& entry = decoder.Entry(i);
        state_.AddSound({i, QString::fromStdString(entry.name), entry.size,
                         edited_[static_cast<std::size_t>(i - 1)]});
    }
    state_.ShowSounds(true);
    std::error_code ec;
    const auto bytes = std::filesystem::file_size(archive, ec);
    state_.SetSummary(Summary(decoder.Count(), ec ? 0 : static_cast<qint64>(bytes)));
}

QString NotSavedMessage(const QStringList& reasons) {
    constexpr qsizetype kNamed = 10;  // enough to act on; the box must still fit a screen
    QString text = reasons.size() == 1
                       ? QStringLiteral("1 sound was not saved:")
                       : QStringLiteral("%1 sounds were not saved:").arg(reasons.size());
    for (const QString& reason : reasons.first(std::min(reasons.size(), kNamed))) {
        text += QStringLiteral("\n") + reason;
    }
    if (reasons.size() > kNamed) {
        text += QStringLiteral("\n... and %1 more.").arg(reasons.size() - kNamed);
    }
    return text;
}

void Procedures::Advance(const std::string& stepText) {
    const ProgressAdvance next = AdvanceProgress(state_.ProgressValue(), stepText);
    state_.SetProgress(next.value, QString::fromStdString(next.caption));
}

}  // namespace echodelve::app
