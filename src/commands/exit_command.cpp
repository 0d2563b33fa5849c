#include "commands/exit_command.h"

#include "app/preview.h"
#include "commands/edit_commands.h"

namespace echodelve::commands {

void mnuExit_Click(CommandContext& context) {
    if (!MayLeaveEdits(context)) {
        return;
    }
    app::StopSound(context.sound);
    context.preview.ClearScratch();
    if (context.endProgram) {
        context.endProgram();
    }
}

}  // namespace echodelve::commands
