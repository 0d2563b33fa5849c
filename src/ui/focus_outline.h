#pragma once

#include <QWidget>

namespace echodelve::ui {

// Keyboard focus made visible on a control whose own focus frame cannot be
// seen: the browse panel's lists and drive list sit larger than the boxes
// that clip their borders, and a flat list shows no focus at all while it is
// empty. A one-pixel outline in the highlight colour is laid over the part of
// the control that shows, while the control has focus that came from the
// keyboard (as styles decide for their own focus frames).
class FocusOutline : public QWidget {
    Q_OBJECT
  public:
    // The outline lives and dies with `control`, in the control's parent.
    static FocusOutline* Attach(QWidget* control);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    explicit FocusOutline(QWidget* control);
    void Follow();

    QWidget* control_;
};

}  // namespace echodelve::ui
