#include "app/path_exists.h"

#include <QFileInfo>

namespace echodelve::app {

bool PathExists(const QString& path) {
    return !path.isEmpty() && QFileInfo::exists(path);
}

}  // namespace echodelve::app
