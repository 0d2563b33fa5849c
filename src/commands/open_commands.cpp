#include "commands/open_commands.h"

#include "app/procedure_codes.h"

namespace echodelve::commands {

namespace {

void OpenCommand(CommandContext& context, const QString& procedure, const QString& pattern,
                 const QString& caption) {
    ui::frmMain& main = context.main;
    main.SetOpenProcedure(procedure);
    if (main.Browse().MainPanelInView()) {
        main.SwishMainDlgOut();
    }
    main.SwishDlgIn();
    main.Browse().ShowOpenMode(pattern, caption);
}

}  // namespace

void mnuSfxOpen_Click(CommandContext& context) {
    OpenCommand(context, QString(app::codes::kSfxFile), QStringLiteral("*.sfx"),
                QStringLiteral("Browse For *.SFX File"));
}

void mnuWadOpen_Click(CommandContext& context) {
    OpenCommand(context, QString(app::codes::kWadFile), QStringLiteral("*.wad"),
                QStringLiteral("Browse For *.WAD File"));
}

}  // namespace echodelve::commands
