#include "support/message_box_answerer.h"

#include <QAbstractButton>
#include <QApplication>

namespace echodelve::test {

void MessageBoxAnswerer::Poll() {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr || !box->isVisible()) {
        return;
    }
    seen.push_back({box->windowTitle(), box->text(), box->icon(), box->standardButtons()});
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
