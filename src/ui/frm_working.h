#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QProgressBar>

namespace echodelve::ui {

// The progress window of a listing and of Save All: borderless but for a thin
// frame, not modal, centred on its owner. It goes only when its run ends
// (Finish): neither Escape nor a window manager's close request takes it away
// while the run goes on.
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

    // Closes the window, for its run that has ended.
    void Finish();

    // Escape reaches QDialog as a rejection; the run decides when the window goes.
    void reject() override {}

    QLabel* Label1;
    QProgressBar* PBar;
    QLabel* percent;

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    bool finishing_ = false;
    float value_ = 0;
    QElapsedTimer drawn_;  // since the window was last allowed to draw
};

}  // namespace echodelve::ui
