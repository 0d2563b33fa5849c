#include "platform/sound_service.h"

#include <QAudioDevice>
#include <QAudioSink>
#include <QFile>
#include <QIODevice>
#include <QMediaDevices>
#include <QThread>
#include <algorithm>
#include <span>

#include "formats/errors.h"
#include "formats/pcm_converter.h"
#include "formats/sound_stream.h"
#include "platform/paths.h"

namespace echodelve::platform {

// Hands a decoded sound to the audio output as it asks for it: a block at a
// time, in whole frames of the output's own format, so a sound of any length
// is never held whole.
class FeederDevice : public QIODevice {
  public:
    explicit FeederDevice(std::unique_ptr<PcmConverter> feeder) : feeder_(std::move(feeder)) {
        open(QIODevice::ReadOnly);
    }

    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override {
        // The sound's length is only known once it is decoded; what matters to
        // the output is whether anything is left.
        return (ended_ ? 0 : kBlockBytes) + QIODevice::bytesAvailable();
    }

  protected:
    qint64 readData(char* data, qint64 maxSize) override {
        const std::size_t n = feeder_->Read(
            std::span(reinterpret_cast<std::uint8_t*>(data), static_cast<std::size_t>(maxSize)));
        ended_ = ended_ || (n == 0 && maxSize >= static_cast<qint64>(feeder_->FrameBytes()));
        return static_cast<qint64>(n);
    }
    qint64 writeData(const char* /*data*/, qint64 /*size*/) override { return -1; }

  private:
    static constexpr qint64 kBlockBytes = qint64{64} * 1024;
    std::unique_ptr<PcmConverter> feeder_;
    bool ended_ = false;
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
    std::unique_ptr<FeederDevice> device_;
};

void SoundOutput::Play(const QString& path, bool loop) {
    Stop();
    std::unique_ptr<SoundStream> stream;
    try {
        stream = SoundStream::OpenWaveFile(ToFsPath(path));
    } catch (const ArchiveError&) {
        return;  // a sound that cannot be decoded plays nothing, and says nothing
    }
    const QAudioDevice output = QMediaDevices::defaultAudioOutput();
    if (output.isNull()) {
        return;
    }
    // Every sound is converted to the one format the device prefers: an
    // output handed the sound's own (a rate of 1 Hz, 64 channels) may fail
    // in ways that end the program.
    QAudioFormat format = output.preferredFormat();
    format.setSampleFormat(QAudioFormat::Float);
    if (!output.isFormatSupported(format) || format.sampleRate() <= 0 ||
        format.channelCount() <= 0) {
        return;  // a device that takes no float frames plays nothing, and says nothing
    }
    // The output starts a stream only once it holds a minimum of samples,
    // and at the end it keeps back a tail shorter than that; silence after
    // the sound pushes the whole sound through.
    const auto tail = loop ? 0 : format.framesForDuration(kTailPaddingMicroseconds);
    try {
        device_ = std::make_unique<FeederDevice>(
            std::make_unique<PcmConverter>(std::make_unique<PcmFeeder>(std::move(stream), loop),
                                           format.sampleRate(), format.channelCount(), tail));
    } catch (const ArchiveError&) {
        return;  // a rate the resampler refuses plays nothing, and says nothing
    }
    sink_ = std::make_unique<QAudioSink>(output, format);
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
