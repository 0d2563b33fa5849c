#pragma once

#include <QTreeWidget>

namespace echodelve::ui {

// Where a row keeps its key, "a" followed by the sound's number.
inline constexpr int kRowKeyRole = Qt::UserRole;

// The sound list: a report-style list of rows with a name and a size.
class SoundList : public QTreeWidget {
    Q_OBJECT
  public:
    explicit SoundList(QWidget* parent);

  signals:
    // A double-click anywhere in the list, on a row or on the empty area below.
    void DblClick();

  protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
};

}  // namespace echodelve::ui
