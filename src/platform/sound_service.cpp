#include "platform/sound_service.h"

#include <QAudioDevice>
#include <QAudioSink>
#include <QFile>
#include <QIODevice>
#include <QMediaDevices>
#include <QThread>
#include <algorithm>
#include <cstring>

#include "platform/wav_clip.h"

namespace echodelve::platform {

// Hands the clip's samples to the audio output, from the start again at the
// end when looping.
class ClipDevice : public QIODevice {
  public:
    // `samples` hold whole frames of `frameBytes` each.
    ClipDevice(QByteArray samples, qsizetype frameBytes, bool loop)
        : samples_(std::move(samples)),
          frameBytes_(std::max<qsizetype>(1, frameBytes)),
          loop_(loop) {
        open(QIODevice::ReadOnly);
    }

    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override {
        return (loop_ ? samples_.size() : samples_.size() - position_) +
               QIODevice::bytesAvailable();
    }

  protected:
    qint64 readData(char* data, qint64 maxSize) override {
        // Only whole frames: an output handed part of a frame fails, and a
        // failed output must never be reached again.
        maxSize -= maxSize % frameBytes_;
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
    qsizetype frameBytes_;
    bool loop_;
    qint64 position_ = 0;
};

namespace {

constexpr qint64 kTailPaddingMicroseconds = 300000;
// How long closing the program waits for the output to finish; past that the
// output is left to the end of the process rather than holding up the exit.
constexpr unsigned long kShutdownWaitMs = 2000;

}  // namespace

// The audio output itself, on the sound thread: one sink at a time, made anew
// for every sound, so a sink that failed is never used again.
class SoundOutput : public QObject {
  public:
    void Play(const QString& path, bool loop);
    void Stop();

  private:
    std::unique_ptr<QAudioSink> sink_;
    std::unique_ptr<ClipDevice> device_;
};

void SoundOutput::Play(const QString& path, bool loop) {
    Stop();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > SoundService::kMaxFileBytes) {
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
    device_ = std::make_unique<ClipDevice>(std::move(samples), clip->format.bytesPerFrame(), loop);
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

void SoundOutput::Stop() {
    if (sink_) {
        sink_->disconnect(this);
        sink_->stop();
        sink_.reset();
    }
    device_.reset();
}

SoundService::SoundService(QObject* parent)
    : QObject(parent), thread_(std::make_unique<QThread>()), output_(new SoundOutput) {
    thread_->setObjectName(QStringLiteral("sound"));
    output_->moveToThread(thread_.get());
    connect(thread_.get(), &QThread::finished, output_, &QObject::deleteLater);
    thread_->start();
}

SoundService::~SoundService() {
    Stop();
    thread_->quit();
    if (!thread_->wait(kShutdownWaitMs)) {
        // The output does not answer: leave its thread to the end of the process.
        static_cast<void>(thread_.release());
    }
}

void SoundService::Play(const QString& path, bool loop) {
    emit PlayRequested(path, loop);
    QMetaObject::invokeMethod(output_,
                              [output = output_, path, loop] { output->Play(path, loop); });
}

void SoundService::Stop() {
    emit StopRequested();
    QMetaObject::invokeMethod(output_, [output = output_] { output->Stop(); });
}

}  // namespace echodelve::platform
