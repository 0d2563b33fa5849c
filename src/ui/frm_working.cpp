#include "ui/frm_working.h"

#include <QCloseEvent>
#include <QFrame>
#include <QScreen>
#include <QVBoxLayout>
#include <cmath>

#include "ui/units.h"

namespace echodelve::ui {

frmWorking::frmWorking(QWidget* owner) : QDialog(owner, Qt::Dialog | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("frmWorking"));
    setModal(false);
    setFixedSize(Px(5055), Px(705));
    // The thin fixed border of a window without a title bar.
    auto* frame = new QFrame(this);
    frame->setFrameShape(QFrame::Box);
    frame->setGeometry(rect());

    Label1 = new QLabel(QStringLiteral("Working..."), this);
    Label1->setGeometry(TwipsRect(90, 90, 1095, 255));
    PBar = new QProgressBar(this);
    PBar->setObjectName(QStringLiteral("PBar"));
    PBar->setGeometry(TwipsRect(60, 390, 4485, 225));
    PBar->setRange(0, static_cast<int>(kBarMax));
    PBar->setValue(0);
    PBar->setTextVisible(false);
    percent = new QLabel(QStringLiteral("0%"), this);
    percent->setObjectName(QStringLiteral("percent"));
    percent->setGeometry(TwipsRect(4560, 390, 375, 225));
    percent->setAlignment(Qt::AlignCenter);
}

void frmWorking::SetBarValue(float value) {
    value_ = value;
    PBar->setValue(static_cast<int>(std::floor(std::min(value, kBarMax))));
}

void frmWorking::SetProgress(float value, const QString& caption) {
    const qreal hz =
        screen() != nullptr && screen()->refreshRate() > 0 ? screen()->refreshRate() : 60;
    const bool draw = !drawn_.isValid() || static_cast<qreal>(drawn_.elapsed()) >= 1000 / hz;
    // Updates asked for while drawing is off are dropped; turning it on asks
    // for the whole window, with whatever the bar and caption hold by then.
    setUpdatesEnabled(draw);
    SetBarValue(value);
    percent->setText(caption);
    if (draw) {
        drawn_.restart();
    }
}

void frmWorking::Finish() {
    finishing_ = true;
    close();
}

void frmWorking::closeEvent(QCloseEvent* event) {
    if (finishing_) {
        event->accept();
    } else {
        event->ignore();
    }
}

void frmWorking::showEvent(QShowEvent* event) {
    if (parentWidget() != nullptr) {
        const QPoint centre = parentWidget()->geometry().center();
        move(centre - QPoint(width() / 2, height() / 2));
    }
    QDialog::showEvent(event);
}

}  // namespace echodelve::ui
