#include "ui/drive_picker.h"

#include <QSignalBlocker>

#include "platform/volumes.h"

namespace echodelve::ui {

DrivePicker::DrivePicker(QWidget* parent) : QComboBox(parent) {
    Refresh();
    connect(new platform::MountWatcher(this), &platform::MountWatcher::Changed, this, [this] {
        Refresh();
        emit MountsChanged();
    });
    // Picking the drive already shown is no change.
    connect(this, &QComboBox::activated, this, [this](int index) {
        if (index != shown_) {
            shown_ = index;
            emit Change();
        }
    });
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
    shown_ = index;
    emit Change();
}

void DrivePicker::ShowDrive(const QString& root) {
    const int index = findData(root);
    if (index >= 0) {
        const QSignalBlocker quiet(this);
        setCurrentIndex(index);
        shown_ = index;
    }
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
    shown_ = currentIndex();
}

}  // namespace echodelve::ui
