#pragma once

#include <QString>
#include <vector>

namespace echodelve::platform {

// A mounted file system the user can browse, as a drive list shows it.
struct Volume {
    QString root;   // its root folder, "/" for the system's
    QString label;  // empty where it has none
};

// The mounted file systems, "/" first, the rest by root; pseudo file systems
// (proc, sysfs, cgroups ...) left out.
std::vector<Volume> MountedVolumes();

// The root of the file system that holds `path`.
QString VolumeRootOf(const QString& path);

}  // namespace echodelve::platform
