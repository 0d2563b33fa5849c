#pragma once

#include "commands/command_context.h"

namespace echodelve::commands {

// The browse panel's OK (Label1_Click) and a double-click in its file list
// (FileList_DblClick): builds the path from the folder and file lists, runs
// the stored procedure and brings the sound list back; after a save, shows the
// folder when "Open Folder When Saved" is ticked.
void ConfirmBrowse(CommandContext& context);
// The confirm's steps for a path already chosen: the panel out, the
// procedure run, the sound list back.
void ConfirmPath(CommandContext& context, const QString& procedure, const QString& path,
                 qint32 index);

// The browse panel slid in with the procedure its OK will run stored, as a
// chooser of files matching `pattern` (several at once where `several`); or
// slid in for a folder, the caller then showing its folder mode.
void BrowseForFiles(CommandContext& context, const QString& procedure, const QString& pattern,
                    const QString& caption, bool several = false);
void BrowseForFolder(CommandContext& context, const QString& procedure);

}  // namespace echodelve::commands
