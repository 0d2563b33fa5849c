#include "ui/focus_outline.h"

#include <QFocusEvent>
#include <QPainter>

#include "ui/panel.h"

namespace echodelve::ui {

FocusOutline* FocusOutline::Attach(QWidget* control) {
    return new FocusOutline(control);
}

FocusOutline::FocusOutline(QWidget* control) : QWidget(control->parentWidget()), control_(control) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    control->installEventFilter(this);
    connect(control, &QObject::destroyed, this, &QObject::deleteLater);
    Follow();
}

bool FocusOutline::eventFilter(QObject* watched, QEvent* event) {
    if (watched == control_) {
        switch (event->type()) {
            case QEvent::FocusIn: {
                // Styles only learn of a keyboard focus change once it is done.
                const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
                if (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
                    reason == Qt::ShortcutFocusReason) {
                    control_->window()->setAttribute(Qt::WA_KeyboardFocusChange);
                }
                Follow();
                break;
            }
            case QEvent::FocusOut:
            case QEvent::Move:
            case QEvent::Resize:
            case QEvent::Show:
            case QEvent::Hide:
                Follow();
                break;
            default:
                break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void FocusOutline::Follow() {
    setGeometry(control_->geometry() & parentWidget()->rect());
    const bool shown = control_->isVisible() && control_->hasFocus() &&
                       control_->window()->testAttribute(Qt::WA_KeyboardFocusChange);
    if (shown) {
        raise();
    }
    setVisible(shown);
}

void FocusOutline::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    const int right = width() - 1;
    const int bottom = height() - 1;
    DrawGridLines(painter, control_->palette().color(QPalette::Highlight),
                  {QLine(0, 0, right, 0), QLine(0, bottom, right, bottom), QLine(0, 0, 0, bottom),
                   QLine(right, 0, right, bottom)});
}

}  // namespace echodelve::ui
