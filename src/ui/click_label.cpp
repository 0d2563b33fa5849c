#include "ui/click_label.h"

#include <QAccessibleWidget>
#include <QCoreApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QRegularExpression>
#include <QStyle>
#include <QTimer>

#include "ui/units.h"

namespace echodelve::ui {

namespace {

// What a screen reader sees of a ClickLabel: a button with a press action, or
// (the title) text.
class AccessibleClickLabel : public QAccessibleWidget {
  public:
    explicit AccessibleClickLabel(ClickLabel* label)
        : QAccessibleWidget(label,
                            label->IsButton() ? QAccessible::Button : QAccessible::StaticText),
          label_(label) {}

    QStringList actionNames() const override {
        return label_->IsButton() ? QStringList{pressAction()} : QStringList{};
    }
    void doAction(const QString& name) override {
        if (name == pressAction() && label_->IsButton()) {
            label_->PressSoon();
        }
    }

  private:
    ClickLabel* label_;
};

QAccessibleInterface* AccessibleFor(const QString& /*className*/, QObject* object) {
    auto* label = qobject_cast<ClickLabel*>(object);
    return label != nullptr ? new AccessibleClickLabel(label) : nullptr;
}

}  // namespace

ClickLabel::ClickLabel(QString caption, QWidget* parent)
    : QWidget(parent), caption_(std::move(caption)) {
    static const bool accessible = [] {
        QAccessible::installFactory(AccessibleFor);
        return true;
    }();
    (void)accessible;
    setAttribute(Qt::WA_TranslucentBackground);
}

void ClickLabel::PressSoon() {
    QTimer::singleShot(0, this, [this] {
        const QPointF global = mapToGlobal(QRectF(rect()).center());
        QMouseEvent press(QEvent::MouseButtonPress, mapFromGlobal(global), global, Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(this, &press);
        // The press may have moved the label (a pressed button shows pressed).
        QMouseEvent release(QEvent::MouseButtonRelease, mapFromGlobal(global), global,
                            Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(this, &release);
    });
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
    ActAsButton();
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
