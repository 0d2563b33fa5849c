#include "xiph_loop.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <random>
#include <string>

#include <FLAC/metadata.h>
#include <ogg/ogg.h>
#include <vorbis/vorbisenc.h>

#include "errors.h"

namespace echodelve::xiph {

namespace {

std::string LoopStart(const SoundLoop& loop) {
    return std::to_string(loop.start);
}
std::string LoopLength(const SoundLoop& loop) {
    return std::to_string(loop.end - loop.start);
}

// A file in memory for libFLAC's callbacks.
struct Memory {
    std::vector<std::uint8_t> bytes;
    std::size_t position = 0;
};

FLAC__IOCallbacks MemoryCallbacks() {
    FLAC__IOCallbacks io{};
    io.read = [](void* out, size_t size, size_t count, FLAC__IOHandle handle) -> size_t {
        auto* file = static_cast<Memory*>(handle);
        const std::size_t left = file->bytes.size() - std::min(file->position, file->bytes.size());
        const std::size_t items = size == 0 ? 0 : std::min(count, left / size);
        std::memcpy(out, file->bytes.data() + file->position, items * size);
        file->position += items * size;
        return items;
    };
    io.write = [](const void* in, size_t size, size_t count, FLAC__IOHandle handle) -> size_t {
        auto* file = static_cast<Memory*>(handle);
        const std::size_t end = file->position + size * count;
        if (end > file->bytes.size()) {
            file->bytes.resize(end);
        }
        std::memcpy(file->bytes.data() + file->position, in, size * count);
        file->position = end;
        return count;
    };
    io.seek = [](FLAC__IOHandle handle, FLAC__int64 offset, int whence) -> int {
        auto* file = static_cast<Memory*>(handle);
        const auto base = static_cast<FLAC__int64>(whence == SEEK_CUR   ? file->position
                                                   : whence == SEEK_END ? file->bytes.size()
                                                                        : 0);
        if (base + offset < 0) {
            return -1;
        }
        file->position = static_cast<std::size_t>(base + offset);
        return 0;
    };
    io.tell = [](FLAC__IOHandle handle) -> FLAC__int64 {
        return static_cast<FLAC__int64>(static_cast<Memory*>(handle)->position);
    };
    io.eof = [](FLAC__IOHandle handle) -> int {
        const auto* file = static_cast<Memory*>(handle);
        return file->position >= file->bytes.size() ? 1 : 0;
    };
    io.close = [](FLAC__IOHandle /*handle*/) -> int { return 0; };
    return io;
}

// libFLAC's yes and no.
constexpr FLAC__bool kNo = 0;

bool AppendComment(FLAC__StreamMetadata* block, const std::string& name, const std::string& value) {
    FLAC__StreamMetadata_VorbisComment_Entry entry{};
    return FLAC__metadata_object_vorbiscomment_entry_from_name_value_pair(&entry, name.c_str(),
                                                                          value.c_str()) != kNo &&
           FLAC__metadata_object_vorbiscomment_append_comment(block, entry, /*copy=*/kNo) != kNo;
}

}  // namespace

std::vector<std::uint8_t> AddFlacLoop(std::vector<std::uint8_t> flac, const SoundLoop& loop) {
    const std::unique_ptr<FLAC__Metadata_Chain, decltype(&FLAC__metadata_chain_delete)> chain(
        FLAC__metadata_chain_new(), FLAC__metadata_chain_delete);
    Memory file{std::move(flac), 0};
    const FLAC__IOCallbacks io = MemoryCallbacks();
    if (!chain || FLAC__metadata_chain_read_with_callbacks(chain.get(), &file, io) == kNo) {
        throw ArchiveError("The FLAC encoder's output could not be read back to add its loop.");
    }
    const std::unique_ptr<FLAC__Metadata_Iterator, decltype(&FLAC__metadata_iterator_delete)> at(
        FLAC__metadata_iterator_new(), FLAC__metadata_iterator_delete);
    FLAC__metadata_iterator_init(at.get(), chain.get());
    FLAC__StreamMetadata* comments = nullptr;
    do {
        if (FLAC__metadata_iterator_get_block_type(at.get()) ==
            FLAC__METADATA_TYPE_VORBIS_COMMENT) {
            comments = FLAC__metadata_iterator_get_block(at.get());
        }
    } while (comments == nullptr && FLAC__metadata_iterator_next(at.get()) != kNo);
    if (comments == nullptr) {
        // After the stream information, which must stay first.
        FLAC__metadata_iterator_init(at.get(), chain.get());
        comments = FLAC__metadata_object_new(FLAC__METADATA_TYPE_VORBIS_COMMENT);
        if (comments == nullptr ||
            FLAC__metadata_iterator_insert_block_after(at.get(), comments) == kNo) {
            FLAC__metadata_object_delete(comments);
            throw ArchiveError("There was not enough memory to add a FLAC file's loop.");
        }
    }
    if (!AppendComment(comments, "LOOPSTART", LoopStart(loop)) ||
        !AppendComment(comments, "LOOPLENGTH", LoopLength(loop))) {
        throw ArchiveError("There was not enough memory to add a FLAC file's loop.");
    }
    // The metadata grows: the whole file is written anew into `whole`.
    Memory whole;
    const FLAC__bool written =
        FLAC__metadata_chain_check_if_tempfile_needed(chain.get(), /*use_padding=*/kNo) != kNo
            ? FLAC__metadata_chain_write_with_callbacks_and_tempfile(chain.get(), kNo, &file, io,
                                                                     &whole, io)
            : FLAC__metadata_chain_write_with_callbacks(chain.get(), kNo, &file, io);
    if (written == kNo) {
        throw ArchiveError("A FLAC file's loop could not be written.");
    }
    return whole.bytes.empty() ? std::move(file.bytes) : std::move(whole.bytes);
}

namespace {

// libvorbis's and libogg's states, cleared however the encoding ends.
struct VorbisEncoder {
    vorbis_info info{};
    vorbis_comment comment{};
    vorbis_dsp_state dsp{};
    vorbis_block block{};
    ogg_stream_state ogg{};
    bool dspReady = false;
    bool oggReady = false;

    VorbisEncoder() {
        vorbis_info_init(&info);
        vorbis_comment_init(&comment);
    }
    ~VorbisEncoder() {
        if (oggReady) {
            ogg_stream_clear(&ogg);
        }
        if (dspReady) {
            vorbis_block_clear(&block);
            vorbis_dsp_clear(&dsp);
        }
        vorbis_comment_clear(&comment);
        vorbis_info_clear(&info);
    }
    VorbisEncoder(const VorbisEncoder&) = delete;
    VorbisEncoder& operator=(const VorbisEncoder&) = delete;
};

void Append(std::vector<std::uint8_t>& out, const ogg_page& page) {
    out.insert(out.end(), page.header, page.header + page.header_len);
    out.insert(out.end(), page.body, page.body + page.body_len);
}

}  // namespace

std::vector<std::uint8_t> EncodeVorbis(SoundStream& stream, const std::optional<SoundLoop>& loop) {
    constexpr float kQuality = 0.4F;
    VorbisEncoder encoder;
    if (vorbis_encode_init_vbr(&encoder.info, stream.Channels(), stream.SampleRate(), kQuality) !=
        0) {
        throw ArchiveError("The Vorbis encoder does not take " + std::to_string(stream.Channels()) +
                           " channels at " + std::to_string(stream.SampleRate()) + " Hz.");
    }
    vorbis_comment_add_tag(&encoder.comment, "ENCODER", "EchoDelve");
    if (loop) {
        vorbis_comment_add_tag(&encoder.comment, "LOOPSTART", LoopStart(*loop).c_str());
        vorbis_comment_add_tag(&encoder.comment, "LOOPLENGTH", LoopLength(*loop).c_str());
    }
    vorbis_analysis_init(&encoder.dsp, &encoder.info);
    vorbis_block_init(&encoder.dsp, &encoder.block);
    encoder.dspReady = true;
    ogg_stream_init(&encoder.ogg, static_cast<int>(std::random_device{}()));
    encoder.oggReady = true;

    std::vector<std::uint8_t> out;
    ogg_packet identification{};
    ogg_packet comments{};
    ogg_packet codebooks{};
    vorbis_analysis_headerout(&encoder.dsp, &encoder.comment, &identification, &comments,
                              &codebooks);
    ogg_stream_packetin(&encoder.ogg, &identification);
    ogg_stream_packetin(&encoder.ogg, &comments);
    ogg_stream_packetin(&encoder.ogg, &codebooks);
    ogg_page page{};
    while (ogg_stream_flush(&encoder.ogg, &page) != 0) {  // the audio starts on a page of its own
        Append(out, page);
    }

    const auto channels = static_cast<std::size_t>(stream.Channels());
    constexpr std::size_t kFrames = 4096;
    std::vector<float> block(kFrames * channels);
    bool more = true;
    while (more) {
        const std::size_t frames = stream.ReadFrames(block);
        more = frames > 0;
        if (more) {
            float** planes = vorbis_analysis_buffer(&encoder.dsp, static_cast<int>(frames));
            for (std::size_t f = 0; f < frames; ++f) {
                for (std::size_t c = 0; c < channels; ++c) {
                    planes[c][f] = block[f * channels + c];
                }
            }
        }
        vorbis_analysis_wrote(&encoder.dsp, static_cast<int>(frames));  // 0: the end
        while (vorbis_analysis_blockout(&encoder.dsp, &encoder.block) == 1) {
            vorbis_analysis(&encoder.block, nullptr);
            vorbis_bitrate_addblock(&encoder.block);
            ogg_packet packet{};
            while (vorbis_bitrate_flushpacket(&encoder.dsp, &packet) == 1) {
                ogg_stream_packetin(&encoder.ogg, &packet);
                while (ogg_stream_pageout(&encoder.ogg, &page) != 0) {
                    Append(out, page);
                }
            }
        }
    }
    while (ogg_stream_flush(&encoder.ogg, &page) != 0) {
        Append(out, page);
    }
    return out;
}

}  // namespace echodelve::xiph
