#include "commands/exit_command.h"

#include <QDir>

#include "app/preview.h"

namespace echodelve::commands {

void ClearScratchFolder(const QString& folder) {
    QDir scratch(folder);
    if (!scratch.exists()) {
        return;
    }
    const QStringList previews =
        scratch.entryList({QStringLiteral("*.wav")}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : previews) {
        scratch.remove(name);
    }
    QDir().rmdir(folder);  // only succeeds when nothing else is left
}

void mnuExit_Click(CommandContext& context) {
    app::StopSound(context.sound);
    ClearScratchFolder(app::ScratchFolder(context.main.ProgramFolder()));
    if (context.endProgram) {
        context.endProgram();
    }
}

}  // namespace echodelve::commands
