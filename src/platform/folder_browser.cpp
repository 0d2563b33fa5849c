#include "platform/folder_browser.h"

#include <QDesktopServices>
#include <QUrl>

namespace echodelve::platform {

bool OpenFolderInFileBrowser(const QString& folder) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

}  // namespace echodelve::platform
