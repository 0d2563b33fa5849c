#include "commands/command_context.h"

namespace echodelve::commands {

QString JoinPath(const QString& folder, const QString& name) {
    return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

}  // namespace echodelve::commands
