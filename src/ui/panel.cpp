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
    // Wholly out of view, its controls must not take keyboard focus or be
    // offered to screen readers either.
    if (parentWidget() != nullptr) {
        setVisible(geometry().intersects(parentWidget()->rect()));
    }
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
    std::vector<QLine> lines;
    lines.reserve(lines_.size());
    for (const QLineF& line : lines_) {
        lines.emplace_back(Px(line.x1()), Px(line.y1()), Px(line.x2()), Px(line.y2()));
    }
    DrawGridLines(painter, kLineColour, lines);
}

void DrawGridLines(QPainter& painter, const QColor& colour, const std::vector<QLine>& lines) {
    const double scale = painter.device()->devicePixelRatioF();
    const int width = std::max(1, static_cast<int>(std::floor(scale)));
    const auto device = [scale](int logical) {
        return static_cast<int>(std::ceil(logical * scale - 1e-6));
    };
    painter.save();
    painter.resetTransform();
    painter.scale(1 / scale, 1 / scale);  // from here on, device pixels
    for (const QLine& line : lines) {
        const int x1 = device(std::min(line.x1(), line.x2()));
        const int y1 = device(std::min(line.y1(), line.y2()));
        const int x2 = device(std::max(line.x1(), line.x2()));
        const int y2 = device(std::max(line.y1(), line.y2()));
        painter.fillRect(QRect(x1, y1, std::max(x2 - x1, 0) + width, std::max(y2 - y1, 0) + width),
                         colour);
    }
    painter.restore();
}

void Describe(QWidget* control, const QString& name, const QString& description, bool toolTip) {
    control->setAccessibleName(name);
    control->setAccessibleDescription(description);
    if (toolTip) {
        control->setToolTip(description);
    }
}

}  // namespace echodelve::ui
