#include "commands/exit_command.h"

#include "app/preview.h"

namespace echodelve::commands {

void mnuExit_Click(CommandContext& context) {
    app::StopSound(context.sound);
    context.preview.ClearScratch();
    if (context.endProgram) {
        context.endProgram();
    }
}

}  // namespace echodelve::commands
