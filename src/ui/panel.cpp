#include "ui/panel.h"

#include <QPainter>
#include <cmath>

#include "ui/colours.h"
#include "ui/units.h"

namespace echodelve::ui {

Panel::Panel(QWidget* parent, double parentUnitTwipsX)
    : QWidget(parent), parentUnitTwipsX_(parentUnitTwipsX) {
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, kPanelGrey);
    palette.setColor(QPalette::WindowText, kTextSilver);
    setPalette(palette);
    setAutoFillBackground(true);
}

void Panel::AddLine(double x1, double y1, double x2, double y2) {
    lines_.emplace_back(x1, y1, x2, y2);
}

void Panel::SetLeftUnits(double units) {
    leftUnits_ = units;
    move(static_cast<int>(std::lround(units * parentUnitTwipsX_ / kTwipsPerPixel)), y());
    emit LeftUnitsChanged(units);
}

QLabel* MakeLabel(const QString& text, QWidget* parent, QRect geometry) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setAttribute(Qt::WA_TranslucentBackground);
    label->setGeometry(geometry);
    return label;
}

void Panel::paintEvent(QPaintEvent* /*event*/) {
    if (lines_.empty()) {
        return;
    }
    QPainter painter(this);
    painter.setPen(QPen(kLineColour, 1));
    for (const QLineF& line : lines_) {
        painter.drawLine(QPoint(Px(line.x1()), Px(line.y1())),
                         QPoint(Px(line.x2()), Px(line.y2())));
    }
}

void Describe(QWidget* control, const QString& name, const QString& description, bool toolTip) {
    control->setAccessibleName(name);
    control->setAccessibleDescription(description);
    if (toolTip) {
        control->setToolTip(description);
    }
}

}  // namespace echodelve::ui
