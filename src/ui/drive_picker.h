#pragma once

#include <QComboBox>

namespace echodelve::ui {

// The mounted file systems the user can browse, "/" first, each shown with
// its label where it has one.
class DrivePicker : public QComboBox {
    Q_OBJECT
  public:
    explicit DrivePicker(QWidget* parent);

    // The chosen volume's root folder.
    QString Drive() const;
    // Chooses the volume whose root is `root` (added if it is not listed) and
    // raises Change, as a choice by the user does.
    void SetDrive(const QString& root);
    // Shows the volume whose root is `root`, if listed, without raising Change.
    void ShowDrive(const QString& root);
    // Reads the mounted volumes again.
    void Refresh();

  signals:
    // The drive shown changed, by the user or by SetDrive.
    void Change();

  private:
    int shown_ = -1;  // the drive the last Change was raised for
};

}  // namespace echodelve::ui
