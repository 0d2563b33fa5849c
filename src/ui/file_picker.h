#pragma once

#include <QListWidget>

namespace echodelve::ui {

// The files of one folder whose names match a pattern, ignoring letter case
// (game folders carry names like DOOR.SFX), sorted, one selectable at a time.
class FilePicker : public QListWidget {
    Q_OBJECT
  public:
    explicit FilePicker(QWidget* parent);

    QString Path() const { return path_; }
    void SetPath(const QString& folder);
    QString Pattern() const { return pattern_; }
    void SetPattern(const QString& pattern);
    void Refresh();
    // The selected file's name without its folder; empty when none is selected.
    QString FileName() const;
    // Every file selected, in the list's order (several where the mode allows).
    QStringList FileNames() const;

  signals:
    // A double-click anywhere in the list (on a file or not), or Enter on the
    // selected file.
    void DblClick();

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

  private:
    QString path_;
    QString pattern_ = QStringLiteral("*.*");
};

}  // namespace echodelve::ui
