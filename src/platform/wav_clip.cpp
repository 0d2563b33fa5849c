#include "platform/wav_clip.h"

#include <QtEndian>

namespace echodelve::platform {

namespace {

constexpr quint16 kFormatPcm = 1;
constexpr quint16 kFormatFloat = 3;
constexpr quint16 kFormatExtensible = 0xFFFE;

quint16 U16(const char* p) {
    return qFromLittleEndian<quint16>(p);
}
quint32 U32(const char* p) {
    return qFromLittleEndian<quint32>(p);
}

// 24-bit samples widened to 32 bits, which the audio output takes.
QByteArray Widen24(const char* data, qsizetype bytes) {
    QByteArray wide;
    wide.reserve(bytes / 3 * 4);
    for (qsizetype i = 0; i + 3 <= bytes; i += 3) {
        wide.append('\0');
        wide.append(data + i, 3);
    }
    return wide;
}

}  // namespace

std::optional<WavClip> ParseWav(const QByteArray& file) {
    if (file.size() < 12 || !file.startsWith("RIFF") || file.mid(8, 4) != "WAVE") {
        return std::nullopt;
    }
    std::optional<quint16> tag;
    quint16 channels = 0;
    quint32 rate = 0;
    quint16 bits = 0;
    qsizetype pos = 12;
    while (pos + 8 <= file.size()) {
        const QByteArray id = file.mid(pos, 4);
        const quint32 length = U32(file.constData() + pos + 4);
        const qsizetype body = pos + 8;
        const qsizetype available = std::min<qsizetype>(length, file.size() - body);
        if (id == "fmt " && available >= 16) {
            const char* fmt = file.constData() + body;
            tag = U16(fmt);
            channels = U16(fmt + 2);
            rate = U32(fmt + 4);
            bits = U16(fmt + 14);
            if (*tag == kFormatExtensible && available >= 26) {
                tag = U16(fmt + 24);  // the sub-format's first two bytes
            }
        } else if (id == "data" && tag) {
            if (channels == 0 || channels > 8 || rate == 0 || rate > 384000) {
                return std::nullopt;
            }
            WavClip clip;
            clip.format.setSampleRate(static_cast<int>(rate));
            clip.format.setChannelCount(channels);
            const char* data = file.constData() + body;
            if (*tag == kFormatPcm && bits == 8) {
                clip.format.setSampleFormat(QAudioFormat::UInt8);
            } else if (*tag == kFormatPcm && bits == 16) {
                clip.format.setSampleFormat(QAudioFormat::Int16);
            } else if (*tag == kFormatPcm && bits == 24) {
                clip.format.setSampleFormat(QAudioFormat::Int32);
                // Whole frames only: a part of a frame makes the output fail.
                const qsizetype frame = qsizetype{3} * channels;
                clip.samples = Widen24(data, available - available % frame);
                return clip;
            } else if (*tag == kFormatPcm && bits == 32) {
                clip.format.setSampleFormat(QAudioFormat::Int32);
            } else if (*tag == kFormatFloat && bits == 32) {
                clip.format.setSampleFormat(QAudioFormat::Float);
            } else {
                return std::nullopt;
            }
            const qsizetype frame = clip.format.bytesPerFrame();
            clip.samples = QByteArray(data, available - available % frame);
            return clip;
        }
        // Chunks are padded to an even length.
        pos = body + static_cast<qsizetype>(length) + (length & 1);
    }
    return std::nullopt;
}

}  // namespace echodelve::platform
