#include "commands/exit_command.h"

#include "app/preview.h"
#include "commands/edit_commands.h"

namespace echodelve::commands {

void mnuExit_Click(CommandContext& context) {
    if (MayLeaveEdits(context)) {
        ExitSequence(context);
    }
}

void ExitSequence(CommandContext& context) {
    app::StopSound(context.sound);
    context.procedures.ClearScratch();
    context.preview.ClearScratch();
    if (context.endProgram) {
        context.endProgram();
    }
}

}  // namespace echodelve::commands
