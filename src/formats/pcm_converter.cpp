#include "pcm_converter.h"

#include <algorithm>
#include <cstring>
#include <string>

#include <soxr.h>

#include "errors.h"

namespace echodelve {

namespace {

constexpr std::size_t kBlockFrames = 1024;

}  // namespace

PcmConverter::PcmConverter(std::unique_ptr<PcmFeeder> feeder, int outRate, int outChannels,
                           std::int64_t tailFrames)
    : feeder_(std::move(feeder)),
      inChannels_(static_cast<std::size_t>(feeder_->Channels())),
      outChannels_(static_cast<std::size_t>(std::max(1, outChannels))),
      tailLeft_(tailFrames) {
    if (feeder_->Channels() > kMaxChannels) {
        throw ArchiveError("The sound's " + std::to_string(feeder_->Channels()) +
                           " channels are more than the " + std::to_string(kMaxChannels) +
                           " a sound is played with.");
    }
    if (feeder_->SampleRate() > kMaxRate) {
        throw ArchiveError("The sound's rate of " + std::to_string(feeder_->SampleRate()) +
                           " Hz is above the " + std::to_string(kMaxRate) +
                           " Hz a sound is played at.");
    }
    block_.resize(kBlockFrames * inChannels_);
    // How many input channels fall on each output channel, for their mean.
    shares_.assign(outChannels_, 0.0F);
    for (std::size_t c = 0; c < inChannels_; ++c) {
        shares_[c % outChannels_] += 1.0F;
    }
    if (feeder_->SampleRate() != outRate) {
        const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
        const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
        soxr_error_t error = nullptr;
        resampler_ =
            soxr_create(feeder_->SampleRate(), outRate, static_cast<unsigned>(outChannels_), &error,
                        &io, &quality, nullptr);
        if (resampler_ == nullptr) {
            throw ArchiveError("The sound's rate of " + std::to_string(feeder_->SampleRate()) +
                               " Hz cannot be converted to " + std::to_string(outRate) +
                               " Hz: " + (error != nullptr ? error : "no reason given") + ".");
        }
    }
}

PcmConverter::~PcmConverter() {
    soxr_delete(resampler_);
}

bool PcmConverter::Refill() {
    const std::size_t bytes = feeder_->Read(
        std::span(reinterpret_cast<std::uint8_t*>(block_.data()), block_.size() * sizeof(float)));
    const std::size_t frames = bytes / (sizeof(float) * inChannels_);
    pending_.assign(frames * outChannels_, 0.0F);
    pendingAt_ = 0;
    if (frames == 0) {
        return false;
    }
    if (inChannels_ == 1) {
        for (std::size_t f = 0; f < frames; ++f) {
            std::fill_n(pending_.begin() + static_cast<std::ptrdiff_t>(f * outChannels_),
                        outChannels_, block_[f]);
        }
        return true;
    }
    // Input channel c onto output channel c mod outChannels_, as a mean.
    for (std::size_t f = 0; f < frames; ++f) {
        float* to = &pending_[f * outChannels_];
        const float* from = &block_[f * inChannels_];
        for (std::size_t c = 0; c < inChannels_; ++c) {
            to[c % outChannels_] += from[c] / shares_[c % outChannels_];
        }
    }
    return true;
}

std::size_t PcmConverter::Read(std::span<std::uint8_t> out) {
    const std::size_t wanted = out.size() / FrameBytes();
    if (wanted == 0) {
        return 0;  // not room for one frame
    }
    // Made here and copied out: the output's bytes need not be aligned for floats.
    frames_.assign(wanted * outChannels_, 0.0F);
    std::size_t made = 0;
    while (made < wanted && !drained_) {
        const std::size_t pendingFrames = pending_.size() / outChannels_ - pendingAt_;
        if (pendingFrames == 0 && !inputEnded_) {
            inputEnded_ = !Refill();
            continue;
        }
        float* to = frames_.data() + made * outChannels_;
        if (resampler_ == nullptr) {
            const std::size_t n = std::min(pendingFrames, wanted - made);
            std::copy_n(pending_.begin() + static_cast<std::ptrdiff_t>(pendingAt_ * outChannels_),
                        n * outChannels_, to);
            pendingAt_ += n;
            made += n;
            drained_ = inputEnded_ && pendingAt_ * outChannels_ == pending_.size();
            continue;
        }
        std::size_t used = 0;
        std::size_t given = 0;
        // No input left: what the resampler holds is drawn out by a null input.
        const float* from =
            pendingFrames > 0 ? pending_.data() + pendingAt_ * outChannels_ : nullptr;
        const soxr_error_t error =
            soxr_process(resampler_, from, pendingFrames, &used, to, wanted - made, &given);
        pendingAt_ += used;
        made += given;
        if (error != nullptr || (from == nullptr && given == 0)) {
            drained_ = true;  // all of it out, or a resampler that failed: the sound ends
        } else if (used == 0 && given == 0) {
            break;  // no progress now; the output asks again
        }
    }
    if (drained_ && made < wanted && tailLeft_ > 0) {
        const auto silent = std::min(static_cast<std::size_t>(tailLeft_), wanted - made);
        made += silent;  // the frames are zero already
        tailLeft_ -= static_cast<std::int64_t>(silent);
    }
    std::memcpy(out.data(), frames_.data(), made * FrameBytes());
    return made * FrameBytes();
}

}  // namespace echodelve
