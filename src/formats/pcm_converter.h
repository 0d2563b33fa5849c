#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "sound_stream.h"

struct soxr;

namespace echodelve {

// Turns a decoded sound, at whatever rate and with however many channels it
// declares, into 32-bit float frames in the one format an audio output was
// opened with, so that an output is never handed a format it cannot take
// (one that divides by a rate of 1 Hz, say).
//
// Channels are mixed first: a mono sound goes to every output channel;
// otherwise input channel i goes to output channel i mod the output's count,
// each output channel the mean of the inputs that fall on it (stereo to mono
// is the mean of left and right; six channels to stereo, the means of the
// even and of the odd ones), and an output channel that none falls on (the
// third of three, from stereo) stays silent. The rate is then changed by
// libsoxr, the resampler of SoX, at its high quality, from any rate from
// 1 Hz to kMaxRate to the output's. Sounds of up to kMaxChannels channels.
class PcmConverter {
  public:
    // The highest rate and the most channels a sound may declare: above
    // every real recording's, and the work grows with both (37 MHz, or 320
    // channels at 327 kHz, took seconds for a moment of sound).
    static constexpr int kMaxRate = 768000;
    static constexpr int kMaxChannels = 64;

    // `tailFrames` frames of silence follow the sound once it is over (an
    // output keeps back the last few milliseconds it is given). Throws
    // ArchiveError for a sound above kMaxRate or kMaxChannels, or when the
    // resampler cannot be set up for these rates.
    PcmConverter(std::unique_ptr<PcmFeeder> feeder, int outRate, int outChannels,
                 std::int64_t tailFrames = 0);
    ~PcmConverter();
    PcmConverter(const PcmConverter&) = delete;
    PcmConverter& operator=(const PcmConverter&) = delete;

    std::size_t FrameBytes() const { return sizeof(float) * outChannels_; }
    // Fills `out` with whole output frames and returns the bytes written; 0
    // once the sound (and what the resampler still held of it) is over.
    std::size_t Read(std::span<std::uint8_t> out);

  private:
    // Reads the next block of the sound into pending_, mixed to the output's
    // channels; false at its end.
    bool Refill();

    std::unique_ptr<PcmFeeder> feeder_;
    std::size_t inChannels_;
    std::size_t outChannels_;
    soxr* resampler_ = nullptr;   // null when the rates are the same
    std::vector<float> shares_;   // per output channel, the inputs falling on it
    std::vector<float> block_;    // one block as decoded
    std::vector<float> pending_;  // mixed frames not yet handed on
    std::vector<float> frames_;   // the frames of one Read, kept for the next
    std::size_t pendingAt_ = 0;   // frames of pending_ already handed on
    bool inputEnded_ = false;
    bool drained_ = false;
    std::int64_t tailLeft_;
};

}  // namespace echodelve
