#include "app/preview.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <exception>

#include "app/grouped_number.h"
#include "app/path_exists.h"
#include "formats/output_names.h"
#include "platform/paths.h"
#include "ui/message_box.h"
#include "ui/titles.h"

namespace echodelve::app {

Preview::Preview(ProgramState& state, Procedures& procedures, QtUiHooks& hooks,
                 platform::SoundService& sound)
    : state_(state), procedures_(procedures), hooks_(hooks), sound_(sound), tips_(procedures) {}

void Preview::Port_DblClick() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const QString folder = state_.SoundCount() >= 1 ? scratch_.Prepare() : QString();
    if (!folder.isEmpty()) {
        DeletePreviews(folder, written_);
        written_.clear();
        if (const std::optional<ListedSound>& row = state_.Selected()) {
            const qint32 number = row->number;
            const QString file = platform::JoinPath(
                folder, QString::fromStdString(SafeOutputName(row->name.toStdString(), number)));
            try {
                if (procedures_.ExtractSound(file, number)) {
                    written_ << file;
                }
            } catch (const std::exception&) {
                // A preview reports nothing; the next step still runs.
            }
            sound_.Play(file, state_.Loop());
        }
    }
    QApplication::restoreOverrideCursor();
}

void Preview::Port_ItemClick(const ListedSound& sound) {
    state_.SetSummary(QStringLiteral("'") + sound.name + QStringLiteral("'  ") +
                      GroupedNumber(sound.size) + QStringLiteral(" Bytes"));
}

void Preview::Label5_Click() {
    StopSound(sound_);
}

QString Preview::ExtractForDrag(qint32 number, const QString& name) {
    if (number < 1 || number > state_.SoundCount()) {
        return {};
    }
    const QString folder = scratch_.Prepare();
    if (folder.isEmpty()) {
        hooks_.Tell(QString(ui::kWindowCaption),
                    QStringLiteral("There is no folder to put the sound in: '%1' cannot be made.")
                        .arg(scratch_.Base()));
        return {};
    }
    QString file = platform::JoinPath(
        folder, QString::fromStdString(SafeOutputName(name.toStdString(), number)));
    try {
        if (procedures_.ExtractSound(file, number)) {
            if (!written_.contains(file)) {
                written_ << file;
            }
            return file;
        }
    } catch (const std::exception& failure) {
        hooks_.Tell(QString(ui::kWindowCaption), QString::fromUtf8(failure.what()));
    }
    return {};
}

QString DescribeSound(const DetailsOrProblem& sound) {
    if (!sound.details) {
        return QStringLiteral("Cannot tell what this sound is: ") +
               QString::fromStdString(sound.problem);
    }
    const SoundDetails& d = *sound.details;
    const QString channels = d.channels == 1   ? QStringLiteral("mono")
                             : d.channels == 2 ? QStringLiteral("stereo")
                                               : QStringLiteral("%1 channels").arg(d.channels);
    const auto seconds = [](double value) {
        return QLocale::system().toString(value, 'f', 2) + QStringLiteral(" s");
    };
    QString text = QString::fromStdString(d.encoding) + QStringLiteral(", ") +
                   GroupedNumber(d.sampleRate) + QStringLiteral(" Hz, ") + channels +
                   QStringLiteral(", ") + seconds(d.seconds);
    if (d.loop) {
        // Frames as well: what a modder puts into a game's own loop settings.
        const auto at = [&d](std::int64_t frame) {
            return static_cast<double>(frame) / d.sampleRate;
        };
        text += QStringLiteral(", loops from %1 to %2 (frames %3 to %4)")
                    .arg(seconds(at(d.loop->start)), seconds(at(d.loop->end)),
                         QLocale::system().toString(static_cast<qlonglong>(d.loop->start)),
                         QLocale::system().toString(static_cast<qlonglong>(d.loop->end)));
    }
    return text;
}

void StopSound(platform::SoundService& sound) {
    sound.Stop();
}

void Preview::ClearScratch() {
    if (scratch_.Path().isEmpty()) {
        return;  // no preview made one
    }
    ClearScratchFolder(scratch_.Path(), written_);
    written_.clear();
}

void DeletePreviews(const QString& folder, const QStringList& written) {
    QDir scratch(folder);
    for (const QString& name :
         scratch.entryList({QStringLiteral("*.wav")}, QDir::Files | QDir::Hidden | QDir::System)) {
        scratch.remove(name);
    }
    for (const QString& file : written) {
        QFile::remove(file);
    }
}

void ClearScratchFolder(const QString& folder, const QStringList& written) {
    if (!QDir(folder).exists()) {
        return;
    }
    DeletePreviews(folder, written);
    QDir().rmdir(folder);  // only succeeds when nothing else is left
}

}  // namespace echodelve::app
