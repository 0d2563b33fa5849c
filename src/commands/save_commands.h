#pragma once

#include "commands/command_context.h"

namespace echodelve::commands {

// "Sa&ve" and "Save A&ll": check there is something to save, store the
// procedure and turn the browse panel into a folder chooser.
void mnuSaveAs_Click(CommandContext& context);
void mnuSaveAll_Click(CommandContext& context);

}  // namespace echodelve::commands
