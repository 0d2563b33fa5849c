#include "waveform.h"

#include <algorithm>

namespace echodelve {

Waveform ReadWaveform(SoundStream& stream, std::size_t columns) {
    Waveform outline;
    outline.loop = stream.Loop();
    const std::int64_t declared = std::max<std::int64_t>(stream.Frames(), 1);
    if (columns == 0) {
        return outline;
    }
    outline.low.assign(columns, 0.0F);
    outline.high.assign(columns, 0.0F);
    const auto channels = static_cast<std::size_t>(stream.Channels());
    constexpr std::size_t kBlockFrames = 4096;
    std::vector<float> block(kBlockFrames * channels);
    std::int64_t frame = 0;
    while (const std::size_t read = stream.ReadFrames(block)) {
        for (std::size_t f = 0; f < read; ++f, ++frame) {
            // Frames past what the sound declares fall into the last stretch.
            const auto column = std::min(
                static_cast<std::size_t>(frame * static_cast<std::int64_t>(columns) / declared),
                columns - 1);
            const auto samples = std::span(block).subspan(f * channels, channels);
            const auto [low, high] = std::minmax_element(samples.begin(), samples.end());
            outline.low[column] = std::min(outline.low[column], *low);
            outline.high[column] = std::max(outline.high[column], *high);
        }
    }
    outline.frames = frame;
    return outline;
}

}  // namespace echodelve
