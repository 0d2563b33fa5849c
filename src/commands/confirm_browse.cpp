#include "commands/confirm_browse.h"

#include <QApplication>

#include "formats/output_names.h"

namespace echodelve::commands {

void ConfirmBrowse(CommandContext& context) {
    ui::frmMain& main = context.main;
    const QString procedure = main.OpenProcedure;
    QString path = JoinPath(main.DirList->Path(), main.FileList->FileName());
    qint32 index = 0;
    if (procedure == QLatin1String("savefile")) {
        const QTreeWidgetItem* row = app::SelectedRow(main.Port);
        index =
            row != nullptr ? app::SoundNumberFromKey(row->data(0, app::kRowKeyRole).toString()) : 0;
        // The sound's name becomes one safe file name inside the chosen folder.
        const std::string name = SafeOutputName(main.BrowseStatus->text().toStdString(), index);
        path = JoinPath(main.DirList->Path(), QString::fromStdString(name));
    }
    main.SwishDlgOut();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    context.procedures.RunProcedure(procedure, path, index);
    main.SwishMainDlgIn();
    main.MainDlgShown = true;
    if (main.opendir->isChecked() && procedure.startsWith(QLatin1String("save")) &&
        context.openFolder) {
        context.openFolder(main.DirList->Path());
    }
    QApplication::restoreOverrideCursor();
}

}  // namespace echodelve::commands
