#pragma once

#include <QFutureWatcher>
#include <QHash>
#include <QObject>
#include <QString>
#include <cstdint>
#include <memory>

#include "app/procedures.h"
#include "formats/waveform.h"

namespace echodelve::app {

// The sound list's tooltips: a sound's details in words and, once drawn, a
// small picture of its waveform with the loop shaded. Pictures are drawn off
// the GUI thread, one at a time, and kept per sound until the listing
// changes, so resting the pointer on rows never makes the list wait.
class SoundTips : public QObject {
    Q_OBJECT
  public:
    explicit SoundTips(Procedures& procedures);

    // The tooltip of sound `number` of the listing: rich text with the
    // picture when it is drawn; the words alone meanwhile (and its drawing
    // starts, unless another is being drawn, which this one then follows).
    QString Tip(std::int32_t number);
    // Forgets every picture, and any being drawn: the listing changed.
    void Clear();

  signals:
    // The picture of sound `number` was drawn: a tooltip showing it may be
    // shown again.
    void PictureReady(std::int32_t number);

  private:
    void Draw(std::int32_t number);
    void Drawn();

    Procedures& procedures_;
    QHash<std::int32_t, QString> pictures_;  // an <img> element each, empty if none can be drawn
    QFutureWatcher<QString> watcher_;
    std::int32_t drawing_ = 0;  // the sound being drawn, 0 for none
    std::int32_t next_ = 0;     // the one asked for meanwhile, drawn after it
    unsigned listing_ = 0;      // which listing the drawing belongs to
    unsigned drawingFor_ = 0;
};

// The picture of a sound's outline as an <img> element holding a PNG:
// the samples' span per column, the loop's stretch shaded.
QString WaveformPicture(const Waveform& outline);

// Decodes `size` bytes of `source` from `offset` and draws them
// (WaveformPicture); empty for a sound that cannot be decoded. Safe on any
// thread.
QString DrawSound(const std::shared_ptr<const ByteSource>& source, std::int64_t offset,
                  std::int64_t size);

}  // namespace echodelve::app
