#include "platform/volumes.h"

#include <QDir>
#include <QStorageInfo>
#include <algorithm>

#include <sys/stat.h>

#include <blkid/blkid.h>
#include <cstdlib>

// GLib's headers use "signals" as a name, which Qt makes a keyword.
#undef signals
#include <gio/gunixmounts.h>

namespace echodelve::platform {

namespace {

// A file system's label: as the desktop's udev names it (Qt reads that),
// else read from its block device by libblkid, where there is no udev (a
// container) but the device can be read.
QString LabelOf(const QString& root, const char* device) {
    const QStorageInfo storage(root);
    if (storage.isValid() && !storage.name().isEmpty()) {
        return storage.name();
    }
    struct stat node {};
    if (device == nullptr || stat(device, &node) != 0 || !S_ISBLK(node.st_mode)) {
        return {};
    }
    char* label = blkid_get_tag_value(nullptr, "LABEL", device);
    QString text = label != nullptr ? QString::fromUtf8(label) : QString();
    std::free(label);  // NOLINT(cppcoreguidelines-no-malloc): blkid's own allocation
    return text;
}

}  // namespace

std::vector<Volume> MountedVolumes() {
    std::vector<Volume> volumes = {{QDir::rootPath(), QString()}};
    const QString home = QDir::homePath();
    if (home != QDir::rootPath()) {
        volumes.push_back({home, QString()});
    }
    std::vector<Volume> mounted;
    GList* mounts = g_unix_mounts_get(nullptr);
    for (GList* each = mounts; each != nullptr; each = each->next) {
        auto* mount = static_cast<GUnixMountEntry*>(each->data);
        if (g_unix_mount_guess_should_display(mount) == FALSE) {
            continue;
        }
        const QString root = QFile::decodeName(g_unix_mount_get_mount_path(mount));
        const bool listed = std::any_of(volumes.begin(), volumes.end(),
                                        [&](const Volume& v) { return v.root == root; }) ||
                            std::any_of(mounted.begin(), mounted.end(),
                                        [&](const Volume& v) { return v.root == root; });
        if (!listed) {
            mounted.push_back({root, LabelOf(root, g_unix_mount_get_device_path(mount))});
        }
    }
    g_list_free_full(mounts, reinterpret_cast<GDestroyNotify>(g_unix_mount_free));
    std::sort(mounted.begin(), mounted.end(),
              [](const Volume& a, const Volume& b) { return a.root < b.root; });
    volumes.insert(volumes.end(), mounted.begin(), mounted.end());
    return volumes;
}

QString VolumeRootOf(const QString& path) {
    const QStorageInfo storage(path);
    return storage.isValid() ? storage.rootPath() : QDir::rootPath();
}

namespace {

extern "C" void MountsChanged(GUnixMountMonitor* /*monitor*/, gpointer watcher) {
    emit static_cast<MountWatcher*>(watcher)->Changed();
}

}  // namespace

MountWatcher::MountWatcher(QObject* parent) : QObject(parent) {
    GUnixMountMonitor* monitor = g_unix_mount_monitor_get();
    monitor_ = monitor;
    handler_ = g_signal_connect(monitor, "mounts-changed", G_CALLBACK(MountsChanged), this);
}

MountWatcher::~MountWatcher() {
    g_signal_handler_disconnect(monitor_, handler_);
    g_object_unref(monitor_);
}

}  // namespace echodelve::platform
