#pragma once

#include <QString>

#include "platform/sound_service.h"

namespace echodelve::app {

// The scratch folder where previews are written: "temp" beside the executable.
QString ScratchFolder(const QString& programFolder);

// Ends any sound that is playing, a looped preview included.
void StopSound(platform::SoundService& sound);

}  // namespace echodelve::app
