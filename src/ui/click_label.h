#pragma once

#include <QPointF>
#include <QWidget>

namespace echodelve::ui {

// A transparent label that reports the mouse like a control: press, move and
// release with the button and the position, then a click. An "&" in the
// caption underlines the next letter, as in menus.
class ClickLabel : public QWidget {
    Q_OBJECT
  public:
    ClickLabel(QString caption, QWidget* parent);

    QString Caption() const { return caption_; }
    void SetCaption(const QString& caption);
    void SetAlignment(Qt::Alignment alignment);
    // Resizes to the caption, keeping the top-left corner.
    void AutoSize();
    // Position in its container's twips, kept exactly; rounded only to draw.
    QPointF TwipsPos() const { return twipsPos_; }
    void MoveTwips(double left, double top);
    QSize sizeHint() const override;

    // Whether it serves as a button: screen readers then see a button that
    // can be pressed; otherwise (the title) text.
    bool IsButton() const { return button_; }
    // Presses it as the left mouse button would at its centre, through the
    // same event path, so whatever refuses a click refuses this too. Runs once
    // control returns to the event loop, as a screen reader's request must
    // not wait on a menu or message the click opens.
    void PressSoon();

  signals:
    void MouseDown(Qt::MouseButton button, QPointF position);
    void MouseMove(Qt::MouseButtons buttons, QPointF position);
    void MouseUp(Qt::MouseButton button, QPointF position);
    void Click();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void ActAsButton() { button_ = true; }

  private:
    QString caption_;
    bool button_ = false;
    QPointF twipsPos_;
    Qt::Alignment alignment_ = Qt::AlignLeft | Qt::AlignTop;
};

// A label that serves as a button ("&OK", "&Cancel", "&Stop Sound"): while
// any mouse button is held on it, it shows pressed, 40 twips right of and
// below its rest position; on release it returns to that rest position, a
// fixed place, before its click runs.
class LabelButton : public ClickLabel {
    Q_OBJECT
  public:
    // Sized to its caption and placed at its rest position (twips in `parent`).
    LabelButton(QString caption, QWidget* parent, QPointF restTwips);
    QPointF RestPosition() const { return rest_; }

  private:
    QPointF rest_;
};

}  // namespace echodelve::ui
