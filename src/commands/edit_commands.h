#pragma once

#include <QStringList>
#include <cstdint>

#include "commands/command_context.h"

namespace echodelve::commands {

// The sound list's menu. "Replace..." and "Add Sounds..." turn the browse
// panel into a chooser of WAV files (several for Add), "Save Archive As..."
// into a chooser of the folder for the archive under its own name;
// "Rename..." asks for the new name, "Remove" takes the selected sound out.
// Nothing is written but the edited archive in the scratch folder, until
// "Save Archive As...".
void mnuReplace_Click(CommandContext& context);
void mnuRename_Click(CommandContext& context);
void mnuRemove_Click(CommandContext& context);
void mnuAddSounds_Click(CommandContext& context);
void mnuSaveArchiveAs_Click(CommandContext& context);

// WAV files dropped on the sound list: one dropped on the row of sound
// `number` replaces it; on the empty area (0) every one is added.
void DropSounds(CommandContext& context, std::int32_t number, const QStringList& files);

// Before the listing goes (an exit, another archive): true when it holds no
// unsaved edits, or the user agrees to leave them.
bool MayLeaveEdits(CommandContext& context);

}  // namespace echodelve::commands
