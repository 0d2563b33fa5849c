#include "app/sound_tips.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QtConcurrent/QtConcurrentRun>

#include "app/preview.h"

namespace echodelve::app {

namespace {

constexpr int kPictureWidth = 240;  // pixels; one column of the outline each
constexpr int kPictureHeight = 48;

}  // namespace

SoundTips::SoundTips(Procedures& procedures) : procedures_(procedures) {
    connect(&watcher_, &QFutureWatcher<QString>::finished, this, &SoundTips::Drawn);
}

QString SoundTips::Tip(std::int32_t number) {
    QString words = DescribeSound(procedures_.ListedDetails(number));
    if (const auto picture = pictures_.constFind(number); picture != pictures_.constEnd()) {
        return picture->isEmpty()
                   ? words
                   : QStringLiteral("<p style=\"white-space:pre\">") + *picture +
                         QStringLiteral("<br>") + words.toHtmlEscaped() + QStringLiteral("</p>");
    }
    if (drawing_ == 0) {
        Draw(number);
    } else if (drawing_ != number) {
        next_ = number;  // only the latest: the pointer has moved on from the others
    }
    return words;
}

void SoundTips::Clear() {
    pictures_.clear();
    next_ = 0;
    ++listing_;  // a picture being drawn belongs to the listing before
}

void SoundTips::Draw(std::int32_t number) {
    const SoundCatalogue& catalogue = procedures_.ListedCatalogue();
    if (catalogue.source == nullptr || number < 1 || number > catalogue.count) {
        return;
    }
    const SoundEntry& entry = catalogue.Slot(number);
    drawing_ = number;
    drawingFor_ = listing_;
    // The worker holds what it reads by value: a new listing may replace the
    // catalogue meanwhile.
    watcher_.setFuture(
        QtConcurrent::run([source = catalogue.source, offset = std::int64_t{entry.offset},
                           size = entry.size] { return DrawSound(source, offset, size); }));
}

void SoundTips::Drawn() {
    const std::int32_t number = std::exchange(drawing_, 0);
    if (drawingFor_ == listing_) {
        pictures_.insert(number, watcher_.result());
        emit PictureReady(number);
    }
    if (const std::int32_t next = std::exchange(next_, 0); next != 0 && !pictures_.contains(next)) {
        Draw(next);
    }
}

QString WaveformPicture(const Waveform& outline) {
    QImage image(kPictureWidth, kPictureHeight, QImage::Format_RGB32);
    image.fill(QColor(0x20, 0x20, 0x20));
    QPainter painter(&image);
    const auto columns = static_cast<int>(outline.low.size());
    if (outline.loop && outline.frames > 0 && columns > 0) {
        const auto x = [&](std::int64_t frame) {
            return static_cast<int>(frame * kPictureWidth / std::max(outline.frames, frame));
        };
        painter.fillRect(x(outline.loop->start), 0, x(outline.loop->end) - x(outline.loop->start),
                         kPictureHeight, QColor(0x2E, 0x4A, 0x6B));
    }
    painter.setPen(QColor(0xC8, 0xC8, 0xC8));
    const double middle = (kPictureHeight - 1) / 2.0;
    for (int c = 0; c < columns && c < kPictureWidth; ++c) {
        const auto y = [&](float sample) {
            return static_cast<int>(middle - std::clamp(sample, -1.0F, 1.0F) * middle);
        };
        const auto at = static_cast<std::size_t>(c);
        painter.drawLine(c, y(outline.high[at]), c, y(outline.low[at]));
    }
    painter.end();
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return QStringLiteral("<img src=\"data:image/png;base64,%1\">")
        .arg(QString::fromLatin1(png.toBase64()));
}

QString DrawSound(const std::shared_ptr<const ByteSource>& source, std::int64_t offset,
                  std::int64_t size) {
    try {
        const auto stream = SoundStream::OpenRange(source, offset, size);
        return WaveformPicture(ReadWaveform(*stream, kPictureWidth));
    } catch (const ArchiveError&) {
        return {};  // the words say why
    }
}

}  // namespace echodelve::app
