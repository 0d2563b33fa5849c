#pragma once

#include <QString>

namespace echodelve::platform {

// Shows a folder in the desktop's file browser; false if none could be asked.
bool OpenFolderInFileBrowser(const QString& folder);

}  // namespace echodelve::platform
