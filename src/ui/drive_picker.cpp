#include "ui/drive_picker.h"

#include <QSignalBlocker>

#include "platform/volumes.h"

namespace echodelve::ui {

DrivePicker::DrivePicker(QWidget* parent) : QComboBox(parent) {
    Refresh();
    connect(this, &QComboBox::activated, this, [this] { emit Change(); });
}

QString DrivePicker::Drive() const {
    return currentData().toString();
}

void DrivePicker::SetDrive(const QString& root) {
    int index = findData(root);
    if (index < 0) {
        addItem(root, root);
        index = count() - 1;
    }
    {
        const QSignalBlocker quiet(this);
        setCurrentIndex(index);
    }
    emit Change();
}

void DrivePicker::Refresh() {
    const QSignalBlocker quiet(this);
    const QString chosen = Drive();
    clear();
    for (const platform::Volume& volume : platform::MountedVolumes()) {
        addItem(volume.label.isEmpty()
                    ? volume.root
                    : volume.root + QStringLiteral("  [") + volume.label + QStringLiteral("]"),
                volume.root);
    }
    const int index = findData(chosen);
    setCurrentIndex(index >= 0 ? index : 0);
}

}  // namespace echodelve::ui
