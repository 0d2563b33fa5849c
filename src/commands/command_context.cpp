#include "commands/command_context.h"

#include <QMessageBox>

namespace echodelve::commands {

QString JoinPath(const QString& folder, const QString& name) {
    return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

void ShowMessage(QWidget* owner, const QString& title, const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, owner);
    box.exec();
}

}  // namespace echodelve::commands
