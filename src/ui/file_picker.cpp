#include "ui/file_picker.h"

#include <QDir>
#include <QKeyEvent>

namespace echodelve::ui {

FilePicker::FilePicker(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
}

void FilePicker::SetPath(const QString& folder) {
    path_ = folder;
    Refresh();
}

void FilePicker::SetPattern(const QString& pattern) {
    pattern_ = pattern;
    Refresh();
}

void FilePicker::Refresh() {
    clear();
    if (path_.isEmpty()) {
        return;
    }
    // Name filters ignore case unless QDir::CaseSensitive is given.
    const QStringList names = QDir(path_).entryList(pattern_.split(QLatin1Char(';')), QDir::Files,
                                                    QDir::Name | QDir::IgnoreCase);
    addItems(names);
}

QString FilePicker::FileName() const {
    const QList<QListWidgetItem*> selected = selectedItems();
    return selected.isEmpty() ? QString() : selected.front()->text();
}

QStringList FilePicker::FileNames() const {
    QStringList names;
    for (int i = 0; i < count(); ++i) {
        if (item(i)->isSelected()) {
            names << item(i)->text();
        }
    }
    return names;
}

void FilePicker::mouseDoubleClickEvent(QMouseEvent* event) {
    QListWidget::mouseDoubleClickEvent(event);
    emit DblClick();
}

void FilePicker::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        !selectedItems().isEmpty()) {
        emit DblClick();
        return;
    }
    QListWidget::keyPressEvent(event);
}

}  // namespace echodelve::ui
