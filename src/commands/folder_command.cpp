#include "commands/folder_command.h"

#include <QInputDialog>
#include <filesystem>
#include <stdexcept>
#include <system_error>

namespace echodelve::commands {

namespace {

const QString kTitle = QStringLiteral("Echo Delve");

}  // namespace

void mnuCreateFolder_Click(CommandContext& context) {
    ui::frmMain& main = context.main;
    const QString name =
        QInputDialog::getText(&main, kTitle, QStringLiteral("Enter A Valid Folder Name"));
    if (name.isEmpty()) {
        return;
    }
    const QString path = JoinPath(main.DirList->Path(), name);
    QString problem;
    if (name.contains(QLatin1Char('/')) || name == QLatin1String(".") ||
        name == QLatin1String("..")) {
        problem = QStringLiteral("A folder name cannot be \".\" or \"..\" or hold \"/\".");
    } else {
        std::error_code ec;
        const bool made =
            std::filesystem::create_directory(std::filesystem::path(path.toStdString()), ec);
        if (ec) {
            problem = QString::fromStdString(ec.message()) + QLatin1Char('.');
        } else if (!made) {
            problem = QStringLiteral("Something called \"") + name +
                      QStringLiteral("\" already exists there.");
        }
    }
    if (!problem.isEmpty()) {
        ShowMessage(
            &main, kTitle,
            QStringLiteral("Could not make the folder '") + path + QStringLiteral("': ") + problem);
        return;
    }
    try {
        main.DirList->Refresh();
    } catch (const std::runtime_error& failure) {
        ShowMessage(&main, kTitle, QString::fromStdString(failure.what()));
    }
}

}  // namespace echodelve::commands
