#pragma once

#include "commands/command_context.h"

namespace echodelve::commands {

// "E&xit" and the close glyph: with edits unsaved, asks first (see
// MayLeaveEdits); then the exit sequence.
void mnuExit_Click(CommandContext& context);

// The exit sequence, asking nothing (a signal or a failure ends the program
// this way too): stops the sound, deletes the preview files ("*.wav" in any
// letter case) and the edited archive from the scratch folders, removes the
// folders if that left them empty, and ends the program. Failures are
// ignored: the program ends in any case.
void ExitSequence(CommandContext& context);

}  // namespace echodelve::commands
