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
    // Reads the mounted volumes again.
    void Refresh();

  signals:
    void Change();
};

}  // namespace echodelve::ui
