#pragma once

#include <QComboBox>

namespace echodelve::ui {

// The places the user can browse, as the desktop's file manager offers them
// (platform::MountedVolumes), each shown with its label where it has one,
// read again whenever a file system is mounted or unmounted.
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
    // A file system was mounted or unmounted, and the list read again.
    void MountsChanged();

  private:
    int shown_ = -1;  // the drive the last Change was raised for
};

}  // namespace echodelve::ui
