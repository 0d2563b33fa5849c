#pragma once

#include "commands/command_context.h"

namespace echodelve::commands {

// "A&bout": shows the About window modally until its OK closes it.
void mnuAbout_Click(CommandContext& context);

}  // namespace echodelve::commands
