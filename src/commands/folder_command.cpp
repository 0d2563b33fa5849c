#include "commands/folder_command.h"

#include <QInputDialog>
#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "ui/titles.h"

namespace echodelve::commands {

void mnuCreateFolder_Click(CommandContext& context) {
    ui::frmMain& main = context.main;
    const QString name = QInputDialog::getText(&main, QString(ui::kWindowCaption),
                                               QStringLiteral("Enter A Valid Folder Name"));
    if (name.isEmpty()) {
        return;
    }
    ui::BrowsePanel& browse = main.Browse();
    const QString path = JoinPath(browse.Folder(), name);
    QString problem;
    if (name.contains(QLatin1Char('/')) || name == QLatin1String(".") ||
        name == QLatin1String("..")) {
        problem = QStringLiteral("A folder name cannot be \".\" or \"..\" or hold \"/\".");
    } else {
        std::error_code ec;
        const bool made = std::filesystem::create_directory(platform::ToFsPath(path), ec);
        if (ec) {
            problem = QString::fromStdString(ec.message()) + QLatin1Char('.');
        } else if (!made) {
            problem = QStringLiteral("Something called \"") + name +
                      QStringLiteral("\" already exists there.");
        }
    }
    if (!problem.isEmpty()) {
        ShowMessage(
            &main, QString(ui::kWindowCaption),
            QStringLiteral("Could not make the folder '") + path + QStringLiteral("': ") + problem);
        return;
    }
    try {
        browse.DirList->Refresh();
    } catch (const std::runtime_error& failure) {
        ShowMessage(&main, QString(ui::kWindowCaption), QString::fromStdString(failure.what()));
    }
}

}  // namespace echodelve::commands
