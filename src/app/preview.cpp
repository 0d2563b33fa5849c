#include "app/preview.h"

namespace echodelve::app {

QString ScratchFolder(const QString& programFolder) {
    return programFolder + QStringLiteral("/temp");
}

void StopSound(platform::SoundService& sound) {
    sound.Stop();
}

}  // namespace echodelve::app
