#pragma once

#include "commands/command_context.h"

namespace echodelve::commands {

// "&SFX Open" and "&WAD Open": store the procedure and turn the browse panel
// into a chooser of files of that kind.
void mnuSfxOpen_Click(CommandContext& context);
void mnuWadOpen_Click(CommandContext& context);

// The main panel counts as in view left of this many units.
inline constexpr double kMainPanelInBelow = 22;

}  // namespace echodelve::commands
