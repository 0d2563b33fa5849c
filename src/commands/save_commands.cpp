#include "commands/save_commands.h"

#include "app/procedure_codes.h"
#include "commands/confirm_browse.h"
#include "ui/titles.h"

namespace echodelve::commands {

void mnuSaveAs_Click(CommandContext& context) {
    ui::frmMain& main = context.main;
    if (main.SoundCount() < 1) {
        ShowMessage(&main, QString(ui::kWarningTitle), QStringLiteral("Open A File First!"));
        return;
    }
    const std::optional<ui::SoundRow> row = main.SelectedSound();
    if (!row || row->name.isEmpty()) {
        ShowMessage(&main, QString(ui::kWarningTitle), QStringLiteral("A File Must Be Selected"));
        return;
    }
    BrowseForFolder(context, QString(app::codes::kSaveFile));
    // The row is read again after the slides, which let events run.
    const std::optional<ui::SoundRow> selected = main.SelectedSound();
    main.Browse().ShowFolderMode(selected ? selected->name : row->name);
}

void mnuSaveAll_Click(CommandContext& context) {
    ui::frmMain& main = context.main;
    if (main.SoundCount() <= 0) {
        ShowMessage(&main, QString(ui::kWarningTitle), QStringLiteral("Open A File First!"));
        return;
    }
    BrowseForFolder(context, QString(app::codes::kSaveAllFile));
    main.Browse().ShowFolderMode(QStringLiteral("Saving ") + QString::number(main.SoundCount()) +
                                 QStringLiteral(" Files"));
}

}  // namespace echodelve::commands
