#pragma once

#include "commands/command_context.h"

namespace echodelve::commands {

// "&SFX Open" and "&WAD Open": store the procedure and turn the browse panel
// into a chooser of files of that kind.
void mnuSfxOpen_Click(CommandContext& context);
void mnuWadOpen_Click(CommandContext& context);
// Opens an archive named from outside the window (the command line, a drop)
// as if chosen through the open command of its kind: by its extension in any
// case, else by its content; the browse panel is left at its folder. An
// archive of neither kind gets a message. Refused while a procedure runs.
void OpenArchive(CommandContext& context, const QString& path);

}  // namespace echodelve::commands
