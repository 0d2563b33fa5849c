#pragma once

#include <QString>

namespace echodelve::platform {

// A folder and a name with exactly one "/" between them; "/" itself already
// ends with one.
inline QString JoinPath(const QString& folder, const QString& name) {
    return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

}  // namespace echodelve::platform
