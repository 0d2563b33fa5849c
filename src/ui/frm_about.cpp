#include "ui/frm_about.h"

#include <QFrame>

#include "echodelve_version.h"

#include "ui/artwork.h"
#include "ui/units.h"

namespace echodelve::ui {

namespace {

QLabel* AutoSizedLabel(const QString& text, QWidget* parent, double left, double top) {
    auto* label = new QLabel(text, parent);
    label->move(Px(left), Px(top));
    label->adjustSize();
    return label;
}

}  // namespace

frmAbout::frmAbout(QWidget* owner) : QDialog(owner, Qt::Dialog | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("frmAbout"));
    setFixedSize(Px(4680), Px(3195));
    auto* frame = new QFrame(this);
    frame->setFrameShape(QFrame::Box);
    frame->setGeometry(rect());

    Image1 = new QLabel(this);
    Image1->setGeometry(TwipsRect(180, 180, 480, 480));
    Image1->setPixmap(QPixmap::fromImage(ProgramIconImage(32)));

    Label3 = AutoSizedLabel(QStringLiteral("Echo Delve"), this, 870, 120);
    // Filled in when the window loads.
    Label4 = AutoSizedLabel(QString(), this, 1980, 120);
    Label5 = AutoSizedLabel(QString(), this, 2790, 120);

    Label1 = new QLabel(QStringLiteral("Written by the EchoDelve developers"), this);
    Label1->setGeometry(TwipsRect(720, 1080, 3075, 195));
    Label1->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    Label2 = new QLabel(QStringLiteral("Questions and comments:\nechodelve@example.org"), this);
    Label2->setGeometry(TwipsRect(945, 1680, 2595, 390));
    Label2->setAlignment(Qt::AlignHCenter | Qt::AlignTop);

    Command1 = new QPushButton(QStringLiteral("OK"), this);
    Command1->setGeometry(TwipsRect(570, 2700, 3435, 315));
    Command1->setDefault(true);
    connect(Command1, &QPushButton::clicked, this, &QDialog::accept);
}

void frmAbout::showEvent(QShowEvent* event) {
    Label4->setText(QStringLiteral("v%1.%2").arg(kVersionMajor).arg(kVersionMinor));
    Label4->adjustSize();
    Label5->setText(QStringLiteral("Revision %1").arg(kVersionRevision));
    Label5->adjustSize();
    if (parentWidget() != nullptr) {
        move(parentWidget()->geometry().center() - QPoint(width() / 2, height() / 2));
    }
    QDialog::showEvent(event);
}

}  // namespace echodelve::ui
