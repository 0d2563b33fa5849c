#include "app/procedures.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <exception>

#include "app/grouped_number.h"
#include "app/progress.h"
#include "formats/errors.h"
#include "formats/output_names.h"
#include "ui/message_box.h"

namespace echodelve::app {

namespace {

const QString kProgramName = QStringLiteral("EchoDelve");

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
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop:
            return true;
        default:
            return false;
    }
}

}  // namespace

// While a procedure runs, user input meant for the main window is dropped,
// except for its own chrome; other windows (the menus, the progress window,
// message boxes) are not touched. Commands reached through the menus check
// frmMain::ProcedureRunning themselves.
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
        return widget != nullptr && (widget == &main_ || main_.isAncestorOf(widget));
    }

  private:
    ui::frmMain& main_;
};

std::filesystem::path ToFsPath(const QString& path) {
    return {QFile::encodeName(path).toStdString()};
}

QTreeWidgetItem* SelectedRow(const QTreeWidget* list) {
    const QList<QTreeWidgetItem*> selected = list->selectedItems();
    return selected.isEmpty() ? nullptr : selected.front();
}

qint32 SoundNumberFromKey(const QString& key) {
    bool ok = false;
    const qint32 number = key.mid(1).toInt(&ok);
    return ok ? number : 0;
}

Procedures::Procedures(ui::frmMain& main, UiHooks& hooks)
    : main_(main), hooks_(hooks), sfx_(hooks), wad_(hooks) {}

Procedures::~Procedures() = default;

void Procedures::RunProcedure(const QString& procedure, const QString& path, qint32 index) {
    if (main_.ProcedureRunning()) {
        return;  // one at a time: the catalogue and the progress window are the running one's
    }
    const Busy busy(main_);
    try {
        if (procedure == QLatin1String("wadfile")) {
            ListArchive(false, path);
        }
        if (procedure == QLatin1String("sfxfile")) {
            ListArchive(true, path);
        }
        if (procedure == QLatin1String("savefile")) {
            SaveOne(path, index);
        }
        if (procedure == QLatin1String("saveallfile")) {
            SaveAll(path);
        }
    } catch (const std::exception& failure) {
        // Undo nothing, but do not leave a stale progress window behind: the
        // next run starts again from 0%.
        CloseWorking();
        ui::ShowMessage(&main_, kProgramName, QString::fromUtf8(failure.what()));
    }
}

bool Procedures::ExtractSound(const QString& target, qint64 index) {
    return main_.Getfileissfx() ? sfx_.ExtractSfxSound(ToFsPath(target), index)
                                : wad_.ExtractWadSound(ToFsPath(target), index);
}

void Procedures::ListArchive(bool sfx, const QString& path) {
    sfx ? sfx_.DecodeSfx(ToFsPath(path)) : wad_.DecodeWad(ToFsPath(path));
    const auto count = [&] { return sfx ? sfx_.GetSfxCount() : wad_.GetWadCount(); };
    std::int32_t i = 0;
    main_.Port->clear();
    main_.Port->hide();
    const std::string step = ProgressStepText(count());
    OpenWorking();
    while (count() != i) {
        ++i;
        const std::string& name = sfx ? sfx_.GetSfxName(i) : wad_.GetWadName(i);
        const std::int64_t size = sfx ? sfx_.GetSfxSize(i) : wad_.GetWadSize(i);
        auto* row =
            new QTreeWidgetItem(main_.Port, {QString::fromStdString(name), QString::number(size)});
        row->setData(0, kRowKeyRole, QStringLiteral("a") + QString::number(i));
        Advance(step);
        hooks_.PumpEvents();
    }
    sfx ? main_.Setfileissfx() : main_.setfileiswad();
    CloseWorking();
    main_.Port->show();

    const QFileInfo archive(path);
    if (!archive.exists()) {
        throw ArchiveError("Could not read the size of '" + path.toStdString() + "'.");
    }
    main_.Status->setText(QString::number(count()) + QStringLiteral(" Files  ") +
                          GroupedNumber(archive.size()) + QStringLiteral(" Bytes"));
}

void Procedures::SaveOne(const QString& path, qint32 index) {
    ExtractSound(path, index);
    main_.FileList->setEnabled(true);
}

void Procedures::SaveAll(const QString& folder) {
    qint32 i = 0;
    const std::string step = ProgressStepText(main_.Port->topLevelItemCount());
    OpenWorking();
    SaveAllNames names;  // equal catalogue names must not replace each other
    while (i != main_.Port->topLevelItemCount()) {
        ++i;
        const std::string& name = main_.Getfileissfx() ? sfx_.GetSfxName(i) : wad_.GetWadName(i);
        ExtractSound(folder + QString::fromStdString(names.Claim(name, i)), i);
        Advance(step);
        hooks_.PumpEvents();
    }
    CloseWorking();
    main_.FileList->setEnabled(true);
}

void Procedures::OpenWorking() {
    working_ = new ui::frmWorking(&main_);
    working_->setAttribute(Qt::WA_DeleteOnClose, false);
    working_->show();
}

void Procedures::CloseWorking() {
    if (working_ != nullptr) {
        working_->close();
        delete working_;
    }
}

void Procedures::Advance(const std::string& stepText) {
    if (working_ == nullptr) {
        return;  // a window that is gone is not drawn on
    }
    const ProgressAdvance next = AdvanceProgress(working_->BarValue(), stepText);
    working_->SetBarValue(next.value);
    working_->percent->setText(QString::fromStdString(next.caption));
}

}  // namespace echodelve::app
