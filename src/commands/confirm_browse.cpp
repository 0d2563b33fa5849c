#include "commands/confirm_browse.h"

#include <QApplication>

#include "app/procedure_codes.h"
#include "formats/output_names.h"

namespace echodelve::commands {

void ConfirmBrowse(CommandContext& context) {
    ui::frmMain& main = context.main;
    ui::BrowsePanel& browse = main.Browse();
    const QString procedure = context.state.OpenProcedure();
    QString path = JoinPath(browse.Folder(), browse.FileName());
    qint32 index = 0;
    if (procedure == app::codes::kSaveFile) {
        const std::optional<ui::SoundRow> row = main.SelectedSound();
        index = row ? row->number : 0;
        // The sound's name becomes one safe file name inside the chosen folder.
        const std::string name = SafeOutputName(browse.StatusCaption().toStdString(), index);
        path = JoinPath(browse.Folder(), QString::fromStdString(name));
    }
    ConfirmPath(context, procedure, path, index);
}

void ConfirmPath(CommandContext& context, const QString& procedure, const QString& path,
                 qint32 index) {
    ui::frmMain& main = context.main;
    ui::BrowsePanel& browse = main.Browse();
    main.SwishDlgOut();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    context.procedures.RunProcedure(procedure, path, index);
    main.SwishMainDlgIn();
    browse.SetMainDlgShown();
    if (browse.OpenFolderWhenSaved() && app::codes::IsSave(procedure) && context.openFolder) {
        context.openFolder(browse.Folder());
    }
    QApplication::restoreOverrideCursor();
}

}  // namespace echodelve::commands
