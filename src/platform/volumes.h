#pragma once

#include <QObject>
#include <QString>
#include <vector>

namespace echodelve::platform {

// A place the user can browse, as a drive list shows it.
struct Volume {
    QString root;   // its root folder, "/" for the system's
    QString label;  // the file system's label; empty where it has none
};

// The places the desktop's file manager offers, by GIO's own rule
// (g_unix_mount_guess_should_display): the system's root first, the user's
// home, then the mounted file systems a person put there by root: those
// under /media, /run/media/USER and the home folder that are not
// system-internal (no tmpfs, snaps, /boot, /run ...).
std::vector<Volume> MountedVolumes();

// The root of the file system that holds `path`.
QString VolumeRootOf(const QString& path);

// Says when a file system is mounted or unmounted, as GIO's mount monitor
// (GUnixMountMonitor) sees it through the event loop of the main thread.
class MountWatcher : public QObject {
    Q_OBJECT
  public:
    explicit MountWatcher(QObject* parent = nullptr);
    ~MountWatcher() override;
    MountWatcher(const MountWatcher&) = delete;
    MountWatcher& operator=(const MountWatcher&) = delete;

  signals:
    void Changed();

  private:
    void* monitor_ = nullptr;  // the GUnixMountMonitor
    unsigned long handler_ = 0;
};

}  // namespace echodelve::platform
