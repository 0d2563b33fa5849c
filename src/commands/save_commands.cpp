#include "commands/save_commands.h"

#include "commands/open_commands.h"

namespace echodelve::commands {

namespace {

const QString kWarning = QStringLiteral("Warning");
// Matches no ordinary file, so the disabled file list stays empty.
const QString kNoFiles = QStringLiteral("abcdefghijk.zsj");

void BecomeFolderChooser(CommandContext& context, const QString& procedure) {
    ui::frmMain& main = context.main;
    if (main.MainPicBox->LeftUnits() < kMainPanelInBelow) {
        main.SwishMainDlgOut();
    }
    main.SwishDlgIn();
    main.SetOpenProcedure(procedure);
}

}  // namespace

void mnuSaveAs_Click(CommandContext& context) {
    ui::frmMain& main = context.main;
    if (main.Port->topLevelItemCount() < 1) {
        ShowMessage(&main, kWarning, QStringLiteral("Open A File First!"));
        return;
    }
    const QTreeWidgetItem* row = app::SelectedRow(main.Port);
    if (row == nullptr || row->text(0).isEmpty()) {
        ShowMessage(&main, kWarning, QStringLiteral("A File Must Be Selected"));
        return;
    }
    BecomeFolderChooser(context, QStringLiteral("savefile"));
    main.FileList->setEnabled(false);
    main.FileList->SetPattern(kNoFiles);
    main.opendir->show();
    if (const QTreeWidgetItem* selected =
            app::SelectedRow(main.Port)) {  // read again after the slide
        main.BrowseStatus->setText(selected->text(0));
    }
}

void mnuSaveAll_Click(CommandContext& context) {
    ui::frmMain& main = context.main;
    if (main.Port->topLevelItemCount() <= 0) {
        ShowMessage(&main, kWarning, QStringLiteral("Open A File First!"));
        return;
    }
    BecomeFolderChooser(context, QStringLiteral("saveallfile"));
    main.opendir->show();
    main.FileList->setEnabled(false);
    main.FileList->SetPattern(kNoFiles);
    main.BrowseStatus->setText(QStringLiteral("Saving ") +
                               QString::number(main.Port->topLevelItemCount()) +
                               QStringLiteral(" Files"));
}

}  // namespace echodelve::commands
