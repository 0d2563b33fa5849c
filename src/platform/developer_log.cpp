#include "platform/developer_log.h"

Q_LOGGING_CATEGORY(lcDetail, "echodelve.detail", QtInfoMsg)

namespace echodelve::platform {

void ShowDeveloperDetail(bool show) {
    QLoggingCategory::setFilterRules(show ? QStringLiteral("echodelve.detail.debug=true")
                                          : QStringLiteral("echodelve.detail.debug=false"));
}

}  // namespace echodelve::platform
