#pragma once

#include <QTreeWidget>
#include <cstdint>
#include <functional>

namespace echodelve::ui {

// Where a row keeps its key, "a" followed by the sound's number.
inline constexpr int kRowKeyRole = Qt::UserRole;

// The sound list: a report-style list of rows with a name and a size.
class SoundList : public QTreeWidget {
    Q_OBJECT
  public:
    explicit SoundList(QWidget* parent);

    // What the tooltip of the row of sound `number` says, asked for only when
    // the pointer rests on that row.
    using ToolTips = std::function<QString(std::int32_t number)>;
    void SetToolTips(ToolTips toolTips) { toolTips_ = std::move(toolTips); }
    // Shows the tooltip of sound `number` anew, if it is the one showing.
    void RefreshToolTip(std::int32_t number);

    // Where a row dragged out of the list comes from: the file written for
    // sound `number` called `name`, or empty to drag nothing.
    using DragFiles = std::function<QString(std::int32_t number, const QString& name)>;
    void SetDragFiles(DragFiles dragFiles);
    // What a drag of `rows` carries: the file of the first, as a URL.
    QMimeData* DragData(const QList<QTreeWidgetItem*>& rows) const { return mimeData(rows); }

    // The sound number of a row, from its key; 0 for a row without one.
    static std::int32_t NumberOf(const QTreeWidgetItem* row);

  signals:
    // A double-click anywhere in the list, on a row or on the empty area below.
    void DblClick();
    // The keyboard moved the current row, as a click on it would.
    void KeyboardMoved(QTreeWidgetItem* row);
    // A right-button press at `global`, on the row of sound `number` (then
    // selected) or on the empty area (0); or Shift+F10, for the current row.
    void MenuRequested(QPoint global, std::int32_t number);

  protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    QMimeData* mimeData(const QList<QTreeWidgetItem*>& rows) const override;
    QStringList mimeTypes() const override;

  private:
    ToolTips toolTips_;
    DragFiles dragFiles_;
};

}  // namespace echodelve::ui
