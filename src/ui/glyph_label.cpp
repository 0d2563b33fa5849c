#include "ui/glyph_label.h"

#include <QPainter>
#include <QPainterPath>

namespace echodelve::ui {

GlyphLabel::GlyphLabel(Glyph glyph, QWidget* parent)
    : ClickLabel(QString(), parent), glyph_(glyph) {
    ActAsButton();
}

void GlyphLabel::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    const QColor colour = palette().color(QPalette::WindowText);
    // The symbols fill about 7 of the 13 pixels of the box, centred, like a 9 pt symbol font.
    const QRectF box = QRectF(rect()).adjusted(3, 3, -3, -3);
    switch (glyph_) {
        case Glyph::MenuArrow: {
            QPainterPath arrow;
            const double top = box.center().y() - 2;
            arrow.moveTo(box.left(), top);
            arrow.lineTo(box.right(), top);
            arrow.lineTo(box.center().x(), top + box.width() / 2);
            arrow.closeSubpath();
            painter.setRenderHint(QPainter::Antialiasing);
            painter.fillPath(arrow, colour);
            break;
        }
        case Glyph::Minimize:
            painter.fillRect(QRectF(box.left(), box.bottom() - 2, box.width() - 1, 2), colour);
            break;
        case Glyph::Close:
            painter.setRenderHint(QPainter::Antialiasing);
            painter.setPen(QPen(colour, 1.6));
            painter.drawLine(box.topLeft(), box.bottomRight());
            painter.drawLine(box.topRight(), box.bottomLeft());
            break;
    }
}

}  // namespace echodelve::ui
