#pragma once

#include <QObject>
#include <QString>
#include <memory>

class QThread;

namespace echodelve::platform {

class SoundOutput;

// Plays WAV files in the background, one at a time: a new request ends the
// sound that is playing. Any encoding libsndfile decodes plays, streamed a
// block at a time whatever its length. A path that names no file, a file it
// cannot decode, or a machine without an audio output plays nothing and
// reports nothing.
//
// The audio output lives on a thread of its own and every request is handed
// to it without waiting, so nothing the output does (a sound server that stops
// answering included) can hold up the window.
class SoundService : public QObject {
    Q_OBJECT
  public:
    explicit SoundService(QObject* parent = nullptr);
    ~SoundService() override;
    SoundService(const SoundService&) = delete;
    SoundService& operator=(const SoundService&) = delete;

    void Play(const QString& path, bool loop);
    void Stop();

  signals:
    // Every request, whether or not it makes a sound; observers such as tests
    // can follow the program's requests without listening.
    void PlayRequested(const QString& path, bool loop);
    void StopRequested();

  private:
    std::unique_ptr<QThread> thread_;
    SoundOutput* output_;  // lives on thread_, deleted there when it finishes
};

}  // namespace echodelve::platform
