#include "ui/message_box.h"

#include <QMessageBox>

namespace echodelve::ui {

void ShowMessage(QWidget* owner, const QString& title, const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, owner);
    box.exec();
}

}  // namespace echodelve::ui
