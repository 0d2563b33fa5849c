#include "ui/artwork.h"

#include <QPainter>
#include <QPainterPath>

#include "ui/colours.h"

namespace echodelve::ui {

namespace {

// A speaker cone with three echo arcs, scaled to a square of `size` pixels.
void DrawSpeaker(QPainter& painter, double size, const QColor& body, const QColor& waves) {
    const double u = size / 16.0;
    QPainterPath speaker;
    speaker.moveTo(2 * u, 6 * u);
    speaker.lineTo(5 * u, 6 * u);
    speaker.lineTo(9 * u, 2.5 * u);
    speaker.lineTo(9 * u, 13.5 * u);
    speaker.lineTo(5 * u, 10 * u);
    speaker.lineTo(2 * u, 10 * u);
    speaker.closeSubpath();
    painter.fillPath(speaker, body);
    painter.setPen(QPen(waves, std::max(1.0, 1.1 * u), Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < 3; ++i) {
        const double r = (2.2 + 2.0 * i) * u;
        painter.drawArc(QRectF(9.5 * u - r, 8 * u - r, 2 * r, 2 * r), -45 * 16, 90 * 16);
    }
}

}  // namespace

QImage BackgroundPicture() {
    QImage picture(64, 64, QImage::Format_ARGB32);
    picture.fill(kPanelGrey);
    QPainter painter(&picture);
    // A bevelled tile in the window's greys with the emblem in the middle.
    painter.setPen(QColor(128, 128, 128));
    painter.drawLine(0, 0, 63, 0);
    painter.drawLine(0, 0, 0, 63);
    painter.setPen(QColor(0, 0, 0));
    painter.drawLine(63, 1, 63, 63);
    painter.drawLine(1, 63, 63, 63);
    painter.translate(12, 12);
    DrawSpeaker(painter, 40, QColor(192, 192, 192), QColor(0, 128, 128));
    painter.end();
    // 16 colours, as the window was designed for.
    QVector<QRgb> colours;
    for (const QColor& c :
         {QColor(0, 0, 0), QColor(128, 0, 0), QColor(0, 128, 0), QColor(128, 128, 0),
          QColor(0, 0, 128), QColor(128, 0, 128), QColor(0, 128, 128), QColor(192, 192, 192),
          QColor(128, 128, 128), QColor(255, 0, 0), QColor(0, 255, 0), QColor(255, 255, 0),
          QColor(0, 0, 255), QColor(255, 0, 255), QColor(0, 255, 255), kPanelGrey}) {
        colours.append(c.rgb());
    }
    return picture.convertToFormat(QImage::Format_Indexed8, colours, Qt::ThresholdDither);
}

QImage ProgramIconImage(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(kPanelGrey);
    painter.drawRoundedRect(QRectF(0.5, 0.5, size - 1, size - 1), size / 6.0, size / 6.0);
    DrawSpeaker(painter, size, kTitleGrey, QColor(0, 192, 192));
    return image;
}

QIcon ProgramIcon() {
    QIcon icon;
    for (int size : {48, 32, 16}) {
        icon.addPixmap(QPixmap::fromImage(ProgramIconImage(size)));
    }
    return icon;
}

}  // namespace echodelve::ui
