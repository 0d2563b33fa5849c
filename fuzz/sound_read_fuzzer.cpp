// The sound-reading path over arbitrary bytes: a sound's details, and its
// whole decode through the block feeder the audio output pulls from, looped
// and not. It must end, and hand out whole frames only.
#include <cstdlib>
#include <vector>

#include "formats/errors.h"
#include "formats/sound_stream.h"
#include "fuzz_scratch.h"

namespace {

// A looped sound never ends by itself; this much of it is enough.
constexpr std::size_t kMaxDecodedBytes = std::size_t{1} << 22;

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
            PcmFeeder feeder(SoundStream::OpenRange(source, 0, length), loop, 64);
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
