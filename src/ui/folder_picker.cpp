#include "ui/folder_picker.h"

#include <QDir>
#include <QMouseEvent>
#include <QStyle>
#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "platform/paths.h"
#include "platform/volumes.h"

namespace echodelve::ui {

namespace {

constexpr int kPathRole = Qt::UserRole;

QStringList ReadSubfolders(const QString& folder) {
    std::error_code ec;
    std::filesystem::directory_iterator entries(platform::ToFsPath(folder), ec);
    if (ec) {
        throw std::runtime_error("Cannot open the folder '" + folder.toStdString() +
                                 "': " + ec.message() + ".");
    }
    QStringList names;
    for (; entries != std::filesystem::directory_iterator(); entries.increment(ec)) {
        std::error_code typeError;
        const QString name = platform::FromFsPath(entries->path().filename());
        if (!name.startsWith(QLatin1Char('.')) && entries->is_directory(typeError)) {
            names << name;
        }
    }
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        const int order = a.compare(b, Qt::CaseInsensitive);
        return order != 0 ? order < 0 : a < b;
    });
    return names;
}

}  // namespace

FolderPicker::FolderPicker(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        const QString target = item->data(kPathRole).toString();
        if (target == path_) {
            return;
        }
        try {
            SetPath(target);
        } catch (const std::runtime_error& failure) {
            emit OpenFailed(QString::fromStdString(failure.what()));
        }
    });
}

void FolderPicker::mousePressEvent(QMouseEvent* event) {
    emit MouseDown(event->button(), event->globalPosition().toPoint());
    QListWidget::mousePressEvent(event);
}

void FolderPicker::SetPath(const QString& folder) {
    QString clean = QDir::cleanPath(QDir(folder).absolutePath());
    const QStringList subfolders = ReadSubfolders(clean);
    Fill(clean, subfolders);
    const bool changed = clean != path_;
    path_ = clean;
    if (changed) {
        emit Change();
    }
}

void FolderPicker::Refresh() {
    if (!path_.isEmpty()) {
        Fill(path_, ReadSubfolders(path_));
    }
}

void FolderPicker::Fill(const QString& folder, const QStringList& subfolders) {
    clear();
    const QString root = platform::VolumeRootOf(folder);
    QStringList chain;
    for (QString step = folder; step != root && step.size() > root.size();
         step = QFileInfo(step).path()) {
        chain.prepend(step);
    }
    chain.prepend(root);
    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);
    int depth = 0;
    for (const QString& step : chain) {
        const QString name = step == root ? root : QFileInfo(step).fileName();
        auto* item =
            new QListWidgetItem(open, QString(qsizetype{2} * depth, QLatin1Char(' ')) + name, this);
        item->setData(kPathRole, step);
        ++depth;
    }
    setCurrentRow(count() - 1);
    for (const QString& name : subfolders) {
        auto* item = new QListWidgetItem(
            closed, QString(qsizetype{2} * depth, QLatin1Char(' ')) + name, this);
        item->setData(kPathRole, platform::JoinPath(folder, name));
    }
}

}  // namespace echodelve::ui
