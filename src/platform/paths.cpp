#include "platform/paths.h"

#include <QFileInfo>

namespace echodelve::platform {

QString InterfaceSoundPath(const QString& programFolder, const QString& name) {
    const QString beside = JoinPath(JoinPath(programFolder, QStringLiteral("data")), name);
    if (QFileInfo::exists(beside)) {
        return beside;
    }
    // Installed: the data folder relative to the program's, so an installed
    // tree moved elsewhere (an unpacked package) still finds its sounds.
    return JoinPath(JoinPath(programFolder, QStringLiteral(ECHODELVE_DATA_FROM_PROGRAM)), name);
}

}  // namespace echodelve::platform
