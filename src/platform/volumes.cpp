#include "platform/volumes.h"

#include <QDir>
#include <QStorageInfo>
#include <algorithm>

namespace echodelve::platform {

namespace {

bool IsPseudo(const QByteArray& type) {
    static const QList<QByteArray> kPseudo = {
        "proc",    "sysfs",  "devtmpfs",    "devpts",   "cgroup", "cgroup2",    "securityfs",
        "pstore",  "bpf",    "debugfs",     "tracefs",  "mqueue", "hugetlbfs",  "configfs",
        "fusectl", "autofs", "binfmt_misc", "efivarfs", "nsfs",   "rpc_pipefs", "ramfs"};
    return kPseudo.contains(type);
}

}  // namespace

std::vector<Volume> MountedVolumes() {
    std::vector<Volume> volumes;
    for (const QStorageInfo& storage : QStorageInfo::mountedVolumes()) {
        if (!storage.isValid() || !storage.isReady() || IsPseudo(storage.fileSystemType())) {
            continue;
        }
        const QString root = storage.rootPath();
        if (std::any_of(volumes.begin(), volumes.end(),
                        [&](const Volume& v) { return v.root == root; })) {
            continue;
        }
        volumes.push_back({root, storage.isRoot() ? QString() : storage.name()});
    }
    if (std::none_of(volumes.begin(), volumes.end(),
                     [](const Volume& v) { return v.root == QDir::rootPath(); })) {
        volumes.push_back({QDir::rootPath(), QString()});
    }
    std::sort(volumes.begin(), volumes.end(), [](const Volume& a, const Volume& b) {
        if (a.root == QDir::rootPath() || b.root == QDir::rootPath()) {
            return a.root == QDir::rootPath() && b.root != QDir::rootPath();
        }
        return a.root < b.root;
    });
    return volumes;
}

QString VolumeRootOf(const QString& path) {
    const QStorageInfo storage(path);
    return storage.isValid() ? storage.rootPath() : QDir::rootPath();
}

}  // namespace echodelve::platform
