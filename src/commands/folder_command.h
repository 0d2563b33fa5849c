#pragma once

#include "commands/command_context.h"

namespace echodelve::commands {

// "&Create Folder": asks for a name and makes that folder in the folder the
// browse panel shows, which stays the current one. An empty name (or Cancel)
// does nothing; a folder that cannot be made is reported with the reason.
void mnuCreateFolder_Click(CommandContext& context);

}  // namespace echodelve::commands
