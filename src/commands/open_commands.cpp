#include "commands/open_commands.h"

namespace echodelve::commands {

namespace {

void OpenCommand(CommandContext& context, const QString& procedure, const QString& pattern,
                 const QString& caption) {
    ui::frmMain& main = context.main;
    main.SetOpenProcedure(procedure);
    if (main.MainPicBox->LeftUnits() < kMainPanelInBelow) {
        main.SwishMainDlgOut();
    }
    main.SwishDlgIn();
    main.opendir->hide();
    main.FileList->setEnabled(true);
    main.FileList->SetPattern(pattern);
    main.BrowseStatus->setText(caption);
}

}  // namespace

void mnuSfxOpen_Click(CommandContext& context) {
    OpenCommand(context, QStringLiteral("sfxfile"), QStringLiteral("*.sfx"),
                QStringLiteral("Browse For *.SFX File"));
}

void mnuWadOpen_Click(CommandContext& context) {
    OpenCommand(context, QStringLiteral("wadfile"), QStringLiteral("*.wad"),
                QStringLiteral("Browse For *.WAD File"));
}

}  // namespace echodelve::commands
