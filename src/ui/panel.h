#pragma once

#include <QPainter>

#include <QLabel>
#include <QLineF>
#include <QWidget>
#include <vector>

namespace echodelve::ui {

// A borderless grey panel that clips its children and paints thin lines (given
// in twips) behind them. Its horizontal position can be kept as an exact
// number of its parent's units, rounded only when it is drawn.
class Panel : public QWidget {
    Q_OBJECT
  public:
    explicit Panel(QWidget* parent, double parentUnitTwipsX = 15.0);

    void AddLine(double x1, double y1, double x2, double y2);

    double LeftUnits() const { return leftUnits_; }
    void SetLeftUnits(double units);

  signals:
    // Every position set, exactly as set.
    void LeftUnitsChanged(double units);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    std::vector<QLineF> lines_;  // twips
    double parentUnitTwipsX_;
    double leftUnits_ = 0;
};

// A transparent label of plain text: labels show names from archives and
// paths, which must never be read as markup.
QLabel* MakeLabel(const QString& text, QWidget* parent, QRect geometry);

// Draws one-pixel lines (horizontal or vertical, in logical pixels) on the
// device's own pixel grid: at a scale such as 1.5 each line stays one even
// run of device pixels, so rows of them show no moire and none vanishes.
void DrawGridLines(QPainter& painter, const QColor& colour, const std::vector<QLine>& lines);

// Names a control for screen readers and describes it, the description also
// being its tooltip unless `toolTip` is false.
void Describe(QWidget* control, const QString& name, const QString& description,
              bool toolTip = true);

// A list placed larger than its container, so the container hides its border.
template <typename List>
List* MakeClippedList(Panel* container, QRect geometry) {
    auto* list = new List(container);
    list->setGeometry(geometry);
    return list;
}

}  // namespace echodelve::ui
