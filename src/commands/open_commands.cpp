#include "commands/open_commands.h"

#include <QFileInfo>

#include "app/procedure_codes.h"
#include "commands/confirm_browse.h"
#include "formats/archive_decoder.h"
#include "formats/errors.h"
#include "ui/titles.h"

namespace echodelve::commands {

namespace {

void OpenCommand(CommandContext& context, const QString& procedure, const QString& pattern,
                 const QString& caption) {
    ui::frmMain& main = context.main;
    context.state.SetOpenProcedure(procedure);
    if (main.Browse().MainPanelInView()) {
        main.SwishMainDlgOut();
    }
    main.SwishDlgIn();
    main.Browse().ShowOpenMode(pattern, caption);
}

}  // namespace

void mnuSfxOpen_Click(CommandContext& context) {
    OpenCommand(context, QString(app::codes::kSfxFile), QStringLiteral("*.sfx"),
                QStringLiteral("Browse For *.SFX File"));
}

void mnuWadOpen_Click(CommandContext& context) {
    OpenCommand(context, QString(app::codes::kWadFile), QStringLiteral("*.wad"),
                QStringLiteral("Browse For *.WAD File"));
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
    if (*kind == ArchiveKind::Sfx) {
        mnuSfxOpen_Click(context);
    } else {
        mnuWadOpen_Click(context);
    }
    try {
        context.main.Browse().DirList->SetPath(file.absolutePath());
    } catch (const std::runtime_error&) {
        // The panel stays where it was; the open below says what is wrong.
    }
    ConfirmPath(context, context.state.OpenProcedure(), file.absoluteFilePath(), 0);
}

}  // namespace echodelve::commands
