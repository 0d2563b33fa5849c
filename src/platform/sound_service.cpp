#include "platform/sound_service.h"

#include <QAudioDevice>
#include <QAudioSink>
#include <QFile>
#include <QIODevice>
#include <QMediaDevices>
#include <cstring>

#include "platform/wav_clip.h"

namespace echodelve::platform {

// Hands the clip's samples to the audio output, from the start again at the
// end when looping.
class ClipDevice : public QIODevice {
  public:
    ClipDevice(QByteArray samples, bool loop) : samples_(std::move(samples)), loop_(loop) {
        open(QIODevice::ReadOnly);
    }

    bool isSequential() const override { return true; }
    // A single playback whose samples have all been handed over.
    bool Finished() const { return !loop_ && position_ >= samples_.size(); }
    qint64 bytesAvailable() const override {
        return (loop_ ? samples_.size() : samples_.size() - position_) +
               QIODevice::bytesAvailable();
    }

  protected:
    qint64 readData(char* data, qint64 maxSize) override {
        qint64 copied = 0;
        while (copied < maxSize && !samples_.isEmpty()) {
            if (position_ == samples_.size()) {
                if (!loop_) {
                    break;
                }
                position_ = 0;
            }
            const qint64 n = std::min(maxSize - copied, samples_.size() - position_);
            std::memcpy(data + copied, samples_.constData() + position_,
                        static_cast<std::size_t>(n));
            copied += n;
            position_ += n;
        }
        return copied;
    }
    qint64 writeData(const char* /*data*/, qint64 /*size*/) override { return -1; }

  private:
    QByteArray samples_;
    bool loop_;
    qint64 position_ = 0;
};

namespace {

constexpr qint64 kTailPaddingMicroseconds = 300000;

}  // namespace

SoundService::SoundService(QObject* parent) : QObject(parent) {}

SoundService::~SoundService() {
    Halt();
}

void SoundService::Play(const QString& path, bool loop) {
    emit PlayRequested(path, loop);
    Halt();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxFileBytes) {
        return;
    }
    const std::optional<WavClip> clip = ParseWav(file.readAll());
    if (!clip || clip->samples.isEmpty()) {
        return;
    }
    const QAudioDevice output = QMediaDevices::defaultAudioOutput();
    if (output.isNull()) {
        return;
    }
    QByteArray samples = clip->samples;
    if (!loop) {
        // The output starts a stream only once it holds a minimum of samples,
        // and at the end it keeps back a tail shorter than that; silence
        // after the sound pushes the whole sound through.
        const auto padding = clip->format.bytesForDuration(kTailPaddingMicroseconds);
        samples.append(QByteArray(
            padding, clip->format.sampleFormat() == QAudioFormat::UInt8 ? '\x80' : '\0'));
    }
    device_ = std::make_unique<ClipDevice>(std::move(samples), loop);
    sink_ = std::make_unique<QAudioSink>(output, clip->format);
    QAudioSink* sink = sink_.get();
    connect(sink, &QAudioSink::stateChanged, this, [this, sink](QAudio::State state) {
        // A single playback ends when its samples run out; an error ends it too.
        if (sink == sink_.get() &&
            (state == QAudio::IdleState ||
             (state == QAudio::StoppedState && sink->error() != QAudio::NoError))) {
            sink->stop();
        }
    });
    sink_->start(device_.get());
}

void SoundService::Stop() {
    emit StopRequested();
    Halt();
}

void SoundService::Halt() {
    if (sink_) {
        sink_->disconnect(this);
        sink_->stop();
        sink_.reset();
    }
    device_.reset();
}

bool SoundService::IsPlaying() const {
    return sink_ && sink_->state() == QAudio::ActiveState;
}

}  // namespace echodelve::platform
