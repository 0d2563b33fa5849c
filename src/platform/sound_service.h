#pragma once

#include <QObject>
#include <QString>
#include <memory>

class QAudioSink;

namespace echodelve::platform {

class ClipDevice;

// Plays WAV files in the background, one at a time: a new request ends the
// sound that is playing. A path that names no file, a file that is not PCM
// WAV, or a machine without an audio output plays nothing and reports
// nothing; the program never waits on the sound.
class SoundService : public QObject {
    Q_OBJECT
  public:
    explicit SoundService(QObject* parent = nullptr);
    ~SoundService() override;

    void Play(const QString& path, bool loop);
    void Stop();
    bool IsPlaying() const;

    // Sounds larger than this are not loaded (about 25 minutes of CD audio).
    static constexpr qint64 kMaxFileBytes = 256LL * 1024 * 1024;

  signals:
    // Every request, whether or not it makes a sound; observers such as tests
    // can follow the program's requests without listening.
    void PlayRequested(const QString& path, bool loop);
    void StopRequested();

  private:
    void Halt();

    std::unique_ptr<QAudioSink> sink_;
    std::unique_ptr<ClipDevice> device_;
};

}  // namespace echodelve::platform
