#include "commands/exit_command.h"

#include "app/preview.h"

namespace echodelve::commands {

void mnuExit_Click(CommandContext& context) {
    app::StopSound(context.sound);
    app::ClearScratchFolder(context.preview.Scratch().Path());
    if (context.endProgram) {
        context.endProgram();
    }
}

}  // namespace echodelve::commands
