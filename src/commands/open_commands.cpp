#include "commands/open_commands.h"

#include <QFileInfo>

#include "app/procedure_codes.h"
#include "commands/confirm_browse.h"
#include "commands/edit_commands.h"
#include "formats/archive_decoder.h"
#include "formats/errors.h"
#include "ui/titles.h"

namespace echodelve::commands {

namespace {

// False when the user keeps the listing's unsaved edits instead.
bool OpenCommand(CommandContext& context, ArchiveKind kind) {
    if (!MayLeaveEdits(context)) {
        return false;
    }
    if (kind == ArchiveKind::Sfx) {
        BrowseForFiles(context, QString(app::codes::kSfxFile), QStringLiteral("*.sfx"),
                       QStringLiteral("Browse For *.SFX File"));
    } else {
        BrowseForFiles(context, QString(app::codes::kWadFile), QStringLiteral("*.wad"),
                       QStringLiteral("Browse For *.WAD File"));
    }
    return true;
}

}  // namespace

void mnuSfxOpen_Click(CommandContext& context) {
    OpenCommand(context, ArchiveKind::Sfx);
}

void mnuWadOpen_Click(CommandContext& context) {
    OpenCommand(context, ArchiveKind::Wad);
}

void OpenArchive(CommandContext& context, const QString& path) {
    if (context.state.Busy()) {
        return;
    }
    const QFileInfo file(path);
    std::optional<ArchiveKind> kind = KindFromName(platform::ToFsPath(path));
    if (!kind) {
        try {
            kind = DetectKind(FileSource(platform::ToFsPath(path)));
        } catch (const ArchiveError&) {
            // Read again by the open itself, which says what is wrong.
            kind = ArchiveKind::Wad;
        }
    }
    if (!kind) {
        ShowMessage(&context.main, QString(ui::kWarningTitle),
                    QStringLiteral("'%1' is neither an SFX nor a WAD archive.").arg(path));
        return;
    }
    if (!OpenCommand(context, *kind)) {
        return;
    }
    try {
        context.main.Browse().DirList->SetPath(file.absolutePath());
    } catch (const std::runtime_error&) {
        // The panel stays where it was; the open below says what is wrong.
    }
    ConfirmPath(context, context.state.OpenProcedure(), file.absoluteFilePath(), 0);
}

}  // namespace echodelve::commands
