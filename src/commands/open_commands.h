#pragma once

#include "commands/command_context.h"

namespace echodelve::commands {

// "&SFX Open" and "&WAD Open": store the procedure and turn the browse panel
// into a chooser of files of that kind.
void mnuSfxOpen_Click(CommandContext& context);
void mnuWadOpen_Click(CommandContext& context);

}  // namespace echodelve::commands
