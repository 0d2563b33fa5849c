#pragma once

#include <QAudioFormat>
#include <QByteArray>
#include <optional>

namespace echodelve::platform {

// The PCM samples of a WAV file in a form the audio output takes.
struct WavClip {
    QAudioFormat format;
    QByteArray samples;
};

// Reads a RIFF/WAVE file holding PCM (8, 16, 24 or 32 bits) or 32-bit float
// samples; nullopt for anything else or a damaged header.
std::optional<WavClip> ParseWav(const QByteArray& file);

}  // namespace echodelve::platform
