#include "support/message_box_answerer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QInputDialog>

namespace echodelve::test {

void MessageBoxAnswerer::Poll() {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || !modal->isVisible()) {
        return;
    }
    if (auto* input = qobject_cast<QInputDialog*>(modal)) {
        dialogs.push_back(input->windowTitle() + QStringLiteral(": ") + input->labelText());
        if (inputs_.empty()) {
            input->reject();
        } else {
            input->setTextValue(inputs_.front());
            inputs_.pop_front();
            input->accept();
        }
        return;
    }
    auto* box = qobject_cast<QMessageBox*>(modal);
    if (box == nullptr) {
        if (auto* dialog = qobject_cast<QDialog*>(modal)) {
            dialogs.push_back(dialog->objectName());
            dialog->accept();
        }
        return;
    }
    seen.push_back(
        {box->windowTitle(), box->text(), box->icon(), box->standardButtons(), box->textFormat()});
    QMessageBox::StandardButton answer = QMessageBox::Ok;
    if (!answers_.empty()) {
        answer = answers_.front();
        answers_.pop_front();
    } else if (box->standardButtons() & QMessageBox::No) {
        answer = QMessageBox::No;
    }
    if (QAbstractButton* button = box->button(answer)) {
        button->click();
    } else {
        box->reject();
    }
}

}  // namespace echodelve::test
