// The preview's path over arbitrary bytes, down to what the audio output is
// handed: a sound's details, and its whole decode through the block feeder,
// looped and not, mixed and resampled to an output's format (one of a few,
// picked by the input's length, so every header meets each of them). It must
// end, and hand out whole frames only.
#include <array>
#include <cstdlib>
#include <vector>

#include "formats/errors.h"
#include "formats/pcm_converter.h"
#include "formats/sound_stream.h"
#include "fuzz_scratch.h"

namespace {

// A looped sound never ends by itself; this much of it is enough. Each
// frame handed out may take up to 35 frames of up to 64 channels decoded.
constexpr std::size_t kMaxDecodedBytes = std::size_t{1} << 18;

struct Output {
    int rate;
    int channels;
};
constexpr std::array<Output, 4> kOutputs = {{{48000, 2}, {44100, 1}, {22050, 6}, {96000, 2}}};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace echodelve;
    const auto source = fuzz::InMemory(data, size);
    const auto length = static_cast<std::int64_t>(size);
    const DetailsOrProblem details = ReadSoundDetails(source, 0, length);
    if (details.details.has_value() == !details.problem.empty()) {
        std::abort();  // details, or a reason, never both or neither
    }
    for (const bool loop : {false, true}) {
        try {
            const Output output = kOutputs[size % kOutputs.size()];
            PcmConverter feeder(
                std::make_unique<PcmFeeder>(SoundStream::OpenRange(source, 0, length), loop),
                output.rate, output.channels, 64);
            std::vector<std::uint8_t> block(4093);  // not a whole number of frames on purpose
            std::size_t total = 0;
            while (const std::size_t n = feeder.Read(block)) {
                if (n % feeder.FrameBytes() != 0 || n > block.size()) {
                    std::abort();
                }
                total += n;
                if (total > kMaxDecodedBytes) {
                    break;
                }
            }
        } catch (const ArchiveError&) {
        }
    }
    return 0;
}
