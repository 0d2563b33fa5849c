#pragma once

#include <QString>

namespace echodelve::app {

// True when a file or a folder exists at the path.
bool PathExists(const QString& path);

}  // namespace echodelve::app
