#include "ui/frm_working.h"

#include <QFrame>
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

void frmWorking::showEvent(QShowEvent* event) {
    if (parentWidget() != nullptr) {
        const QPoint centre = parentWidget()->geometry().center();
        move(centre - QPoint(width() / 2, height() / 2));
    }
    QDialog::showEvent(event);
}

}  // namespace echodelve::ui
