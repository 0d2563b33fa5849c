#include "ui/sound_list.h"

#include <QCursor>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QToolTip>
#include <QUrl>

namespace echodelve::ui {

SoundList::SoundList(QWidget* parent) : QTreeWidget(parent) {}

std::int32_t SoundList::NumberOf(const QTreeWidgetItem* row) {
    bool ok = false;
    const std::int32_t number = row->data(0, kRowKeyRole).toString().mid(1).toInt(&ok);
    return ok ? number : 0;
}

void SoundList::mouseDoubleClickEvent(QMouseEvent* event) {
    QTreeWidget::mouseDoubleClickEvent(event);
    emit DblClick();
}

void SoundList::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::RightButton) {
        QTreeWidget::mousePressEvent(event);
        return;
    }
    setFocus(Qt::MouseFocusReason);  // Shift+F10 then opens the menu again, as after a click
    QTreeWidgetItem* row = itemAt(event->position().toPoint());
    if (row != nullptr) {
        setCurrentItem(row);  // the row the menu's commands act on, as a click would choose it
    }
    emit MenuRequested(event->globalPosition().toPoint(), row != nullptr ? NumberOf(row) : 0);
}

void SoundList::SetDragFiles(DragFiles dragFiles) {
    dragFiles_ = std::move(dragFiles);
    // Out to a file manager only, as a copy; nothing is dropped on the list.
    setDragEnabled(static_cast<bool>(dragFiles_));
    setDragDropMode(dragFiles_ ? QAbstractItemView::DragOnly : QAbstractItemView::NoDragDrop);
    setDefaultDropAction(Qt::CopyAction);
}

QStringList SoundList::mimeTypes() const {
    return {QStringLiteral("text/uri-list")};
}

QMimeData* SoundList::mimeData(const QList<QTreeWidgetItem*>& rows) const {
    if (rows.isEmpty() || !dragFiles_) {
        return nullptr;
    }
    const QString file = dragFiles_(NumberOf(rows.constFirst()), rows.constFirst()->text(0));
    if (file.isEmpty()) {
        return nullptr;
    }
    auto* carried = new QMimeData;
    carried->setUrls({QUrl::fromLocalFile(file)});
    return carried;
}

void SoundList::keyPressEvent(QKeyEvent* event) {
    // Shift+F10, the usual key for a context menu (the menu key and F10 are
    // the window's, for the main menu).
    if (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier) {
        QTreeWidgetItem* row = currentItem();
        const QRect at = row != nullptr ? visualItemRect(row) : QRect();
        emit MenuRequested(viewport()->mapToGlobal(at.isValid() ? at.center() : QPoint(0, 0)),
                           row != nullptr ? NumberOf(row) : 0);
        return;
    }
    QTreeWidgetItem* before = currentItem();
    QTreeWidget::keyPressEvent(event);
    if (QTreeWidgetItem* after = currentItem(); after != nullptr && after != before) {
        emit KeyboardMoved(after);
    }
}

void SoundList::RefreshToolTip(std::int32_t number) {
    if (!toolTips_ || !QToolTip::isVisible()) {
        return;
    }
    const QPoint at = viewport()->mapFromGlobal(QCursor::pos());
    const QTreeWidgetItem* row = viewport()->rect().contains(at) ? itemAt(at) : nullptr;
    if (row != nullptr && NumberOf(row) == number) {
        QToolTip::showText(QCursor::pos(), toolTips_(number), viewport(), visualItemRect(row));
    }
}

bool SoundList::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::ToolTip && toolTips_) {
        const auto* help = static_cast<QHelpEvent*>(event);
        if (const QTreeWidgetItem* row = itemAt(help->pos())) {
            QToolTip::showText(help->globalPos(), toolTips_(NumberOf(row)), viewport(),
                               visualItemRect(row));
        } else {
            QToolTip::hideText();
        }
        return true;
    }
    return QTreeWidget::viewportEvent(event);
}

}  // namespace echodelve::ui
