#include "ui/sound_list.h"

namespace echodelve::ui {

SoundList::SoundList(QWidget* parent) : QTreeWidget(parent) {}

void SoundList::mouseDoubleClickEvent(QMouseEvent* event) {
    QTreeWidget::mouseDoubleClickEvent(event);
    emit DblClick();
}

}  // namespace echodelve::ui
