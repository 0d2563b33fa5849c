#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QProgressBar>

namespace echodelve::ui {

// The progress window of a listing and of Save All: borderless but for a thin
// frame, not modal, centred on its owner.
class frmWorking : public QDialog {
    Q_OBJECT
  public:
    explicit frmWorking(QWidget* owner);

    // The bar keeps its value as a single-precision number; the widget shows
    // it rounded down. The range runs to 101 so a value a little over 100 fits.
    static constexpr float kBarMax = 101.0f;
    float BarValue() const { return value_; }
    void SetBarValue(float value);
    // The bar's value and the caption of `percent`, set after every item. The
    // window is drawn anew at most once per frame of its screen: with a
    // thousand items a repaint per item costs more than the work itself.
    void SetProgress(float value, const QString& caption);

    QLabel* Label1;
    QProgressBar* PBar;
    QLabel* percent;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    float value_ = 0;
    QElapsedTimer drawn_;  // since the window was last allowed to draw
};

}  // namespace echodelve::ui
