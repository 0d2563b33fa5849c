#include "app/procedures.h"

#include <QApplication>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <algorithm>
#include <exception>

#include "app/grouped_number.h"
#include "app/procedure_codes.h"
#include "app/progress.h"
#include "formats/errors.h"
#include "formats/output_names.h"
#include "platform/paths.h"
#include "ui/message_box.h"
#include "ui/titles.h"

namespace echodelve::app {

namespace {

const QString kDirectoryLimitWarning = QStringLiteral(
    "Error On Open, Header Size Is Greater Than 80K Or Invalid Format.  Displaying What I Have "
    "So Far.");

bool IsUserInput(QEvent::Type type) {
    switch (type) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::ContextMenu:
        case QEvent::ToolTip:  // a row's details would describe the archive being replaced
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop:
            return true;
        default:
            return false;
    }
}

// A press of a button or a key, which the user expects to do something.
bool IsPress(const QEvent* event) {
    switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            return true;
        case QEvent::KeyPress:
            return !static_cast<const QKeyEvent*>(event)->isAutoRepeat();
        default:
            return false;
    }
}

}  // namespace

// While a procedure runs, user input meant for the main window is dropped,
// except for its own chrome, and a press that is dropped rings the desktop's
// bell so the user knows it was refused. Other windows (the menus, the
// progress window, message boxes) are not touched; the menu entries that
// cannot run follow frmMain::ProcedureRunningChanged, and the commands check
// frmMain::ProcedureRunning themselves as well.
class Procedures::Busy : public QObject {
  public:
    explicit Busy(ui::frmMain& main) : main_(main) {
        main_.SetProcedureRunning(true);
        QCoreApplication::instance()->installEventFilter(this);
    }
    ~Busy() override {
        QCoreApplication::instance()->removeEventFilter(this);
        main_.SetProcedureRunning(false);
    }
    Busy(const Busy&) = delete;
    Busy& operator=(const Busy&) = delete;

  protected:
    bool eventFilter(QObject* receiver, QEvent* event) override {
        if (!IsUserInput(event->type()) || main_.TakesInputWhileBusy(receiver)) {
            return false;
        }
        // A shortcut is delivered to the QShortcut object, which belongs to a widget.
        const QObject* owner = event->type() == QEvent::Shortcut ? receiver->parent() : receiver;
        const auto* widget = qobject_cast<const QWidget*>(owner);
        const bool refused = widget != nullptr && (widget == &main_ || main_.isAncestorOf(widget));
        // The first receiver of a press refuses it here, so it rings once.
        if (refused && IsPress(event)) {
            QApplication::beep();
        }
        return refused;
    }

  private:
    ui::frmMain& main_;
};

Procedures::Procedures(ui::frmMain& main, UiHooks& hooks)
    : main_(main),
      hooks_(hooks),
      sfx_(MakeDecoder(ArchiveKind::Sfx, hooks)),
      wad_(MakeDecoder(ArchiveKind::Wad, hooks)) {}

Procedures::~Procedures() = default;

const ArchiveDecoder& Procedures::Decoder(ArchiveKind kind) const {
    return kind == ArchiveKind::Sfx ? *sfx_ : *wad_;
}

ArchiveDecoder& Procedures::DecoderOf(ArchiveKind kind) {
    return kind == ArchiveKind::Sfx ? *sfx_ : *wad_;
}

ArchiveDecoder& Procedures::Listed() {
    return DecoderOf(main_.Getfileissfx() ? ArchiveKind::Sfx : ArchiveKind::Wad);
}

void Procedures::RunProcedure(const QString& procedure, const QString& path, qint32 index) {
    if (main_.ProcedureRunning()) {
        return;  // one at a time: the catalogue and the progress window are the running one's
    }
    const Busy busy(main_);
    try {
        if (const std::optional<ArchiveKind> kind = codes::ListingKind(procedure)) {
            ListArchive(*kind, path);
        }
        if (procedure == codes::kSaveFile) {
            SaveOne(path, index);
        }
        if (procedure == codes::kSaveAllFile) {
            SaveAll(path);
        }
    } catch (const std::exception& failure) {
        // Undo nothing, but do not leave a stale progress window behind: the
        // next run starts again from 0%.
        CloseWorking();
        ui::ShowMessage(&main_, QString(ui::kProgramName), QString::fromUtf8(failure.what()));
    }
}

bool Procedures::ExtractSound(const QString& target, qint64 index) {
    return Listed().Extract(platform::ToFsPath(target), index);
}

void Procedures::ListArchive(ArchiveKind kind, const QString& path) {
    ArchiveDecoder& decoder = DecoderOf(kind);
    if (decoder.Decode(platform::ToFsPath(path)).cutAtLimit) {
        // Not a failure: the listing shows what the scan found.
        ui::ShowMessage(&main_, QString(ui::kWarningTitle), kDirectoryLimitWarning);
    }
    std::int32_t i = 0;
    main_.ClearSounds();
    main_.SetSoundListVisible(false);
    const std::string step = ProgressStepText(decoder.Count());
    OpenWorking();
    while (decoder.Count() != i) {
        ++i;
        const SoundEntry& entry = decoder.Entry(i);
        main_.AddSound(i, QString::fromStdString(entry.name), entry.size);
        Advance(step);
        hooks_.PumpEvents();
    }
    kind == ArchiveKind::Sfx ? main_.Setfileissfx() : main_.setfileiswad();
    CloseWorking();
    main_.SetSoundListVisible(true);

    const QFileInfo archive(path);
    if (!archive.exists()) {
        throw ArchiveError("Could not read the size of '" + path.toStdString() + "'.");
    }
    main_.SetStatus(QString::number(decoder.Count()) + QStringLiteral(" Files  ") +
                    GroupedNumber(archive.size()) + QStringLiteral(" Bytes"));
}

void Procedures::SaveOne(const QString& path, qint32 index) {
    ExtractSound(path, index);
    main_.Browse().EnableFileList();
}

void Procedures::SaveAll(const QString& folder) {
    qint32 i = 0;
    const std::string step = ProgressStepText(main_.SoundCount());
    OpenWorking();
    SaveAllNames names;  // equal catalogue names must not replace each other
    QStringList notSaved;
    while (i != main_.SoundCount()) {
        ++i;
        const std::string& name = Listed().Entry(i).name;
        const QString file = QString::fromStdString(names.Claim(name, i));
        try {
            ExtractSound(folder + file, i);
        } catch (const SoundRefused& refused) {
            // A damaged entry spoils only its own sound; a failure to write
            // (a full disk, no permission) still ends the run.
            notSaved << file + QStringLiteral(": ") + QString::fromUtf8(refused.what());
        }
        Advance(step);
        hooks_.PumpEvents();
    }
    CloseWorking();
    main_.Browse().EnableFileList();
    if (!notSaved.isEmpty()) {
        ui::ShowMessage(&main_, QString(ui::kProgramName), NotSavedMessage(notSaved));
    }
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

void Procedures::OpenWorking() {
    working_ = new ui::frmWorking(&main_);
    working_->setAttribute(Qt::WA_DeleteOnClose, false);
    working_->show();
}

void Procedures::CloseWorking() {
    if (working_ != nullptr) {
        working_->Finish();
        delete working_;
    }
}

void Procedures::Advance(const std::string& stepText) {
    if (working_ == nullptr) {
        return;  // a window that is gone is not drawn on
    }
    const ProgressAdvance next = AdvanceProgress(working_->BarValue(), stepText);
    working_->SetProgress(next.value, QString::fromStdString(next.caption));
}

}  // namespace echodelve::app
