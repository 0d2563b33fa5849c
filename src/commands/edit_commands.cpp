#include "commands/edit_commands.h"

#include <QFileInfo>
#include <QInputDialog>

#include "app/procedure_codes.h"
#include "commands/confirm_browse.h"
#include "ui/titles.h"

namespace echodelve::commands {

namespace {

const QString kWavPattern = QStringLiteral("*.wav");

// The selected row, or nullopt after saying that one must be selected.
std::optional<ui::SoundRow> SelectedRow(CommandContext& context) {
    std::optional<ui::SoundRow> row = context.main.SelectedSound();
    if (!row) {
        ShowMessage(&context.main, QString(ui::kWarningTitle),
                    QStringLiteral("A File Must Be Selected"));
    }
    return row;
}

}  // namespace

void mnuReplace_Click(CommandContext& context) {
    if (SelectedRow(context)) {
        BrowseForFiles(context, QString(app::codes::kReplaceFile), kWavPattern,
                       QStringLiteral("Browse For *.WAV File"));
    }
}

void mnuRename_Click(CommandContext& context) {
    const std::optional<ui::SoundRow> row = SelectedRow(context);
    if (!row) {
        return;
    }
    bool given = false;
    const QString name = QInputDialog::getText(&context.main, QString(ui::kWindowCaption),
                                               QStringLiteral("Enter A New Name"),
                                               QLineEdit::Normal, row->name, &given);
    if (given && !name.isEmpty() && name != row->name) {
        context.procedures.RunProcedure(QString(app::codes::kRenameFile), name, row->number);
    }
}

void mnuRemove_Click(CommandContext& context) {
    if (const std::optional<ui::SoundRow> row = SelectedRow(context)) {
        context.procedures.RunProcedure(QString(app::codes::kRemoveFile), {}, row->number);
    }
}

void mnuAddSounds_Click(CommandContext& context) {
    BrowseForFiles(context, QString(app::codes::kAddFile), kWavPattern,
                   QStringLiteral("Browse For *.WAV Files"), true);
}

void mnuSaveArchiveAs_Click(CommandContext& context) {
    BrowseForFolder(context, QString(app::codes::kSaveArchiveFile));
    context.main.Browse().ShowFolderMode(QFileInfo(context.state.ArchivePath()).fileName());
}

void DropSounds(CommandContext& context, std::int32_t number, const QStringList& files) {
    if (context.state.Busy()) {
        return;
    }
    if (number != 0) {
        if (files.size() != 1) {
            ShowMessage(&context.main, QString(ui::kProgramName),
                        QStringLiteral("One sound replaces one row: drop a single file on a "
                                       "row, or drop several below the rows to add them."));
            return;
        }
        context.procedures.RunProcedure(QString(app::codes::kReplaceFile), files.front(), number);
        return;
    }
    std::vector<EditOperation> additions;
    for (const QString& file : files) {
        additions.push_back({EditOperation::Kind::Add, {}, platform::ToFsPath(file), {}, 0});
    }
    context.procedures.RunEdits(additions);
}

bool MayLeaveEdits(CommandContext& context) {
    return !context.state.Unsaved() ||
           ui::AskYesNo(&context.main, QString(ui::kProgramName),
                        QStringLiteral("The edits to '%1' are not saved (Save Archive As... in "
                                       "the sound list's menu saves them). Leave them unsaved?")
                            .arg(QFileInfo(context.state.ArchivePath()).fileName()));
}

}  // namespace echodelve::commands
