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

  private:
    QString caption_;
    QPointF twipsPos_;
    Qt::Alignment alignment_ = Qt::AlignLeft | Qt::AlignTop;
};

}  // namespace echodelve::ui
