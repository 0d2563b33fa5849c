#include "sound_encoder.h"

#include <algorithm>
#include <cstring>

#include <sndfile.h>

namespace echodelve {

namespace {

// A file in memory for libsndfile to write into, seeking back for headers.
struct MemoryFile {
    std::vector<std::uint8_t> bytes;
    sf_count_t position = 0;
};

SF_VIRTUAL_IO MemoryFileIo() {
    SF_VIRTUAL_IO io{};
    io.get_filelen = [](void* data) {
        return static_cast<sf_count_t>(static_cast<MemoryFile*>(data)->bytes.size());
    };
    io.seek = [](sf_count_t offset, int whence, void* data) {
        auto* file = static_cast<MemoryFile*>(data);
        const sf_count_t base = whence == SEEK_CUR   ? file->position
                                : whence == SEEK_END ? static_cast<sf_count_t>(file->bytes.size())
                                                     : 0;
        file->position = std::max<sf_count_t>(0, base + offset);
        return file->position;
    };
    io.read = [](void* out, sf_count_t count, void* data) {
        auto* file = static_cast<MemoryFile*>(data);
        const auto size = static_cast<sf_count_t>(file->bytes.size());
        const sf_count_t n = std::clamp<sf_count_t>(size - file->position, 0, count);
        std::memcpy(out, file->bytes.data() + file->position, static_cast<std::size_t>(n));
        file->position += n;
        return n;
    };
    io.write = [](const void* in, sf_count_t count, void* data) {
        auto* file = static_cast<MemoryFile*>(data);
        const auto end = static_cast<std::size_t>(file->position + count);
        if (end > file->bytes.size()) {
            file->bytes.resize(end);
        }
        std::memcpy(file->bytes.data() + file->position, in, static_cast<std::size_t>(count));
        file->position += count;
        return count;
    };
    io.tell = [](void* data) { return static_cast<MemoryFile*>(data)->position; };
    return io;
}

// The loop as libsndfile's instrument data, which it writes as "smpl".
void SetLoop(SNDFILE* file, const SoundLoop& loop) {
    constexpr int kMiddleC = 60;  // the sound plays at its own pitch
    constexpr int kHighest = 127;
    SF_INSTRUMENT instrument{};
    instrument.basenote = kMiddleC;
    instrument.velocity_hi = kHighest;
    instrument.key_hi = kHighest;
    instrument.loop_count = 1;
    instrument.loops[0].mode = SF_LOOP_FORWARD;
    instrument.loops[0].start = static_cast<unsigned>(loop.start);
    instrument.loops[0].end = static_cast<unsigned>(loop.end);
    sf_command(file, SFC_SET_INSTRUMENT, &instrument, sizeof instrument);
}

}  // namespace

std::vector<std::uint8_t> EncodeFrames(int format, int rate, int channels,
                                       const std::optional<SoundLoop>& loop,
                                       const FrameSource& frames, const std::string& target) {
    SF_INFO info{};
    info.format = format;
    info.samplerate = rate;
    info.channels = channels;
    MemoryFile memory;
    SF_VIRTUAL_IO io = MemoryFileIo();
    SNDFILE* file =
        sf_format_check(&info) != 0 ? sf_open_virtual(&io, SFM_WRITE, &info, &memory) : nullptr;
    if (file == nullptr) {
        throw ArchiveError("Could not write '" + target + "': " + SndfileReason(nullptr) + ".");
    }
    if (loop && ((format & SF_FORMAT_TYPEMASK) == SF_FORMAT_WAV ||
                 (format & SF_FORMAT_TYPEMASK) == SF_FORMAT_WAVEX)) {
        SetLoop(file, *loop);
    }
    sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    constexpr std::size_t kEncodeBlockFrames = 4096;
    std::vector<float> block(kEncodeBlockFrames * static_cast<std::size_t>(channels));
    std::string failure;
    while (const std::size_t n = frames(block)) {
        if (sf_writef_float(file, block.data(), static_cast<sf_count_t>(n)) !=
            static_cast<sf_count_t>(n)) {
            failure = SndfileReason(file);
            break;
        }
    }
    if (sf_close(file) != 0 && failure.empty()) {
        failure = "the encoder could not finish the file";
    }
    if (!failure.empty()) {
        throw ArchiveError("Could not write '" + target + "': " + failure + ".");
    }
    return std::move(memory.bytes);
}

}  // namespace echodelve
