#include "ui/click_label.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QRegularExpression>
#include <QStyle>

#include "ui/units.h"

namespace echodelve::ui {

ClickLabel::ClickLabel(QString caption, QWidget* parent)
    : QWidget(parent), caption_(std::move(caption)) {
    setAttribute(Qt::WA_TranslucentBackground);
}

void ClickLabel::SetCaption(const QString& caption) {
    caption_ = caption;
    update();
}

void ClickLabel::SetAlignment(Qt::Alignment alignment) {
    alignment_ = alignment;
    update();
}

QSize ClickLabel::sizeHint() const {
    QString shown = caption_;
    shown.remove(QRegularExpression(QStringLiteral("&(?!&)")));
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(shown), metrics.height()};
}

void ClickLabel::MoveTwips(double left, double top) {
    twipsPos_ = QPointF(left, top);
    move(Px(left), Px(top));
}

void ClickLabel::AutoSize() {
    resize(sizeHint());
}

void ClickLabel::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    style()->drawItemText(&painter, rect(), static_cast<int>(alignment_) | Qt::TextShowMnemonic,
                          palette(), isEnabled(), caption_, QPalette::WindowText);
}

void ClickLabel::mousePressEvent(QMouseEvent* event) {
    emit MouseDown(event->button(), event->position());
}

void ClickLabel::mouseMoveEvent(QMouseEvent* event) {
    emit MouseMove(event->buttons(), event->position());
}

void ClickLabel::mouseReleaseEvent(QMouseEvent* event) {
    emit MouseUp(event->button(), event->position());
    // A click is a release over the label, as with any button. MouseUp may
    // have moved the label (a pressed button returns to rest), so the release
    // point is taken where the label stands now, not where it was pressed.
    const QPoint releasedAt = mapFromGlobal(event->globalPosition()).toPoint();
    if (event->button() == Qt::LeftButton && rect().contains(releasedAt)) {
        emit Click();
    }
}

namespace {

constexpr double kPressedOffsetTwips = 40;

}  // namespace

LabelButton::LabelButton(QString caption, QWidget* parent, QPointF restTwips)
    : ClickLabel(std::move(caption), parent), rest_(restTwips) {
    MoveTwips(rest_.x(), rest_.y());
    AutoSize();
    connect(this, &ClickLabel::MouseDown, this, [this] {
        const QPointF at = TwipsPos();
        MoveTwips(at.x() + kPressedOffsetTwips, at.y() + kPressedOffsetTwips);
    });
    connect(this, &ClickLabel::MouseUp, this, [this] {
        MoveTwips(rest_.x(), rest_.y());
        QCoreApplication::processEvents();
    });
}

}  // namespace echodelve::ui
