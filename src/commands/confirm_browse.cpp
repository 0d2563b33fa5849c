#include "commands/confirm_browse.h"

#include <QApplication>
#include <QFileInfo>

#include "app/procedure_codes.h"
#include "formats/output_names.h"
#include "ui/titles.h"

namespace echodelve::commands {

namespace {

// The confirm's steps around `run`: the panel out, the run, the sound list back.
void ConfirmWith(CommandContext& context, const QString& procedure,
                 const std::function<void()>& run) {
    ui::frmMain& main = context.main;
    ui::BrowsePanel& browse = main.Browse();
    main.SwishDlgOut();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    run();
    main.SwishMainDlgIn();
    browse.SetMainDlgShown();
    if (browse.OpenFolderWhenSaved() && app::codes::IsSave(procedure) && context.openFolder) {
        context.openFolder(browse.Folder());
    }
    QApplication::restoreOverrideCursor();
}

}  // namespace

void BrowseForFiles(CommandContext& context, const QString& procedure, const QString& pattern,
                    const QString& caption, bool several) {
    ui::frmMain& main = context.main;
    context.state.SetOpenProcedure(procedure);
    if (main.Browse().MainPanelInView()) {
        main.SwishMainDlgOut();
    }
    main.SwishDlgIn();
    main.Browse().ShowOpenMode(pattern, caption, several);
}

void BrowseForFolder(CommandContext& context, const QString& procedure) {
    ui::frmMain& main = context.main;
    if (main.Browse().MainPanelInView()) {
        main.SwishMainDlgOut();
    }
    main.SwishDlgIn();
    context.state.SetOpenProcedure(procedure);
}

void ConfirmBrowse(CommandContext& context) {
    ui::frmMain& main = context.main;
    ui::BrowsePanel& browse = main.Browse();
    const QString procedure = context.state.OpenProcedure();
    QString path = JoinPath(browse.Folder(), browse.FileName());
    qint32 index = 0;
    if (procedure == app::codes::kAddFile && browse.FileNames().size() > 1) {
        std::vector<EditOperation> additions;
        for (const QString& name : browse.FileNames()) {
            additions.push_back({EditOperation::Kind::Add,
                                 {},
                                 platform::ToFsPath(JoinPath(browse.Folder(), name)),
                                 {},
                                 0});
        }
        ConfirmWith(context, procedure, [&] { context.procedures.RunEdits(additions); });
        return;
    }
    if (procedure == app::codes::kReplaceFile) {
        const std::optional<ui::SoundRow> row = main.SelectedSound();
        index = row ? row->number : 0;
    }
    if (procedure == app::codes::kSaveArchiveFile) {
        // Under the name shown, in the chosen folder; a file there is
        // replaced only when the user says so, and kept as a backup.
        path = JoinPath(browse.Folder(), QString::fromStdString(SafeOutputName(
                                             browse.StatusCaption().toStdString(), 1)));
        if (QFileInfo::exists(path) &&
            !ui::AskYesNo(&main, QString(ui::kProgramName),
                          QStringLiteral("'%1' already exists. Replace it? Its old bytes are kept "
                                         "as '%1.bak'.")
                              .arg(path))) {
            return;
        }
    }
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
    ConfirmWith(context, procedure,
                [&] { context.procedures.RunProcedure(procedure, path, index); });
}

}  // namespace echodelve::commands
