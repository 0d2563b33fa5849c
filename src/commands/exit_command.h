#pragma once

#include "commands/command_context.h"

namespace echodelve::commands {

// "E&xit" and the close glyph: stops the sound, deletes the preview files
// ("*.wav" in any letter case) from the scratch folder, removes the folder if
// that left it empty, and ends the program. Failures are ignored: the program
// ends in any case.
void mnuExit_Click(CommandContext& context);

}  // namespace echodelve::commands
