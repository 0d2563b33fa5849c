#include "sound_stream.h"

#include <sndfile.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <vector>

#include "errors.h"
#include "little_endian.h"
#include "riff.h"

namespace echodelve {

// A range of an archive, read through libsndfile's virtual I/O: `size` bytes
// from `offset`, bytes past the archive's end as zeros.
struct SoundStream::Input {
    std::shared_ptr<const ByteSource> source;  // the reader reads from it
    std::unique_ptr<ByteReader> reader;
    std::int64_t offset = 0;
    std::int64_t size = 0;
    std::int64_t position = 0;
    // libsndfile reads headers a few bytes at a time; those are served from
    // one larger read, as each read of the archive is a system call.
    std::vector<std::uint8_t> ahead;
    std::int64_t aheadAt = 0;  // the sound's position of ahead[0]
};

namespace {

sf_count_t Length(void* data) {
    return static_cast<SoundStream::Input*>(data)->size;
}

sf_count_t Seek(sf_count_t offset, int whence, void* data) {
    auto& input = *static_cast<SoundStream::Input*>(data);
    sf_count_t target = offset;
    if (whence == SEEK_CUR) {
        target += input.position;
    } else if (whence == SEEK_END) {
        target += input.size;
    }
    if (target < 0) {
        return -1;
    }
    input.position = std::min<sf_count_t>(target, input.size);
    return input.position;
}

sf_count_t Read(void* destination, sf_count_t count, void* data) {
    auto& input = *static_cast<SoundStream::Input*>(data);
    const sf_count_t n = std::clamp<sf_count_t>(count, 0, input.size - input.position);
    if (n == 0) {
        return 0;
    }
    constexpr sf_count_t kSmallRead = 4096;
    auto* out = static_cast<std::uint8_t*>(destination);
    const auto aheadEnd = input.aheadAt + static_cast<std::int64_t>(input.ahead.size());
    try {
        if (n < kSmallRead && (input.position < input.aheadAt || input.position + n > aheadEnd)) {
            input.ahead.resize(static_cast<std::size_t>(
                std::min<sf_count_t>(kSmallRead * 4, input.size - input.position)));
            input.aheadAt = input.position;
            input.reader->ReadAt(input.offset + input.position, input.ahead);
        }
        if (n < kSmallRead) {
            std::copy_n(input.ahead.begin() + (input.position - input.aheadAt), n, out);
        } else {
            input.reader->ReadAt(input.offset + input.position,
                                 std::span(out, static_cast<std::size_t>(n)));
        }
    } catch (const ArchiveError&) {
        input.ahead.clear();
        return 0;  // libsndfile sees the end; the decode stops there
    }
    input.position += n;
    return n;
}

sf_count_t Write(const void* /*source*/, sf_count_t /*count*/, void* /*data*/) {
    return 0;  // read only
}

sf_count_t Tell(void* data) {
    return static_cast<SoundStream::Input*>(data)->position;
}

struct Encoding {
    int subtype;
    const char* name;
    int bits;  // 0 where a bit depth means nothing
};

constexpr std::array<Encoding, 24> kEncodings = {{
    {SF_FORMAT_PCM_S8, "PCM 8-bit", 8},
    {SF_FORMAT_PCM_U8, "PCM 8-bit", 8},
    {SF_FORMAT_PCM_16, "PCM 16-bit", 16},
    {SF_FORMAT_PCM_24, "PCM 24-bit", 24},
    {SF_FORMAT_PCM_32, "PCM 32-bit", 32},
    {SF_FORMAT_FLOAT, "Float 32-bit", 32},
    {SF_FORMAT_DOUBLE, "Float 64-bit", 64},
    {SF_FORMAT_ULAW, "\xC2\xB5-law", 8},
    {SF_FORMAT_ALAW, "A-law", 8},
    {SF_FORMAT_IMA_ADPCM, "IMA ADPCM", 4},
    {SF_FORMAT_MS_ADPCM, "MS ADPCM", 4},
    {SF_FORMAT_GSM610, "GSM 6.10", 0},
    {SF_FORMAT_VOX_ADPCM, "OKI ADPCM", 4},
    {SF_FORMAT_NMS_ADPCM_16, "NMS ADPCM", 0},
    {SF_FORMAT_NMS_ADPCM_24, "NMS ADPCM", 0},
    {SF_FORMAT_NMS_ADPCM_32, "NMS ADPCM", 0},
    {SF_FORMAT_G721_32, "G.721 ADPCM", 4},
    {SF_FORMAT_G723_24, "G.723 ADPCM", 3},
    {SF_FORMAT_G723_40, "G.723 ADPCM", 5},
    {SF_FORMAT_DWVW_12, "DWVW 12-bit", 12},
    {SF_FORMAT_DWVW_16, "DWVW 16-bit", 16},
    {SF_FORMAT_DWVW_24, "DWVW 24-bit", 24},
    {SF_FORMAT_MPEG_LAYER_III, "MPEG Layer III", 0},
    {SF_FORMAT_VORBIS, "Vorbis", 0},
}};

// libsndfile reads a "smpl" chunk's loops as instrument data (end one past
// the last frame looped) and "cue " chunks as cue points.
std::optional<SoundLoop> ReadLoop(SNDFILE* file, std::int64_t frames) {
    std::optional<SoundLoop> loop;
    SF_INSTRUMENT instrument{};
    std::uint32_t cues = 0;
    if (sf_command(file, SFC_GET_INSTRUMENT, &instrument, sizeof instrument) == SF_TRUE &&
        instrument.loop_count > 0) {
        loop = SoundLoop{instrument.loops[0].start, instrument.loops[0].end};
    } else if (sf_command(file, SFC_GET_CUE_COUNT, &cues, sizeof cues) == SF_TRUE && cues > 0) {
        auto points = std::make_unique<SF_CUES>();
        if (sf_command(file, SFC_GET_CUE, points.get(), sizeof *points) == SF_TRUE &&
            points->cue_count > 0) {
            loop = SoundLoop{points->cue_points[0].sample_offset, frames};
        }
    }
    // A loop that holds no frame of the sound is no loop a player can use.
    if (loop && (loop->start >= loop->end || loop->start >= frames)) {
        return std::nullopt;
    }
    return loop;
}

}  // namespace

SoundStream::SoundStream(std::unique_ptr<Input> input, const std::string& name)
    : input_(std::move(input)) {
    const std::string subject = "'" + name + "'";
    SF_INFO info{};
    if (input_) {
        SF_VIRTUAL_IO io{Length, Seek, Read, Write, Tell};
        file_ = sf_open_virtual(&io, SFM_READ, &info, input_.get());
    } else {
        file_ = sf_open(name.c_str(), SFM_READ, &info);
    }
    if (file_ == nullptr) {
        throw UndecodableSound(subject, SndfileReason(nullptr));
    }
    if (info.channels <= 0 || info.samplerate <= 0) {
        sf_close(file_);
        throw UndecodableSound(subject, "it declares " + std::to_string(info.channels) +
                                            " channels at " + std::to_string(info.samplerate) +
                                            " Hz");
    }
    channels_ = info.channels;
    sampleRate_ = info.samplerate;
    frames_ = info.frames;
    format_ = info.format;
    loop_ = ReadLoop(file_, frames_);
}

SoundStream::~SoundStream() {
    if (file_ != nullptr) {
        sf_close(file_);
    }
}

std::unique_ptr<SoundStream> SoundStream::OpenFile(const std::filesystem::path& path) {
    return std::unique_ptr<SoundStream>(new SoundStream(nullptr, path.string()));
}

std::unique_ptr<SoundStream> SoundStream::OpenWaveFile(const std::filesystem::path& path) {
    auto source = std::make_shared<FileSource>(path);
    const std::optional<std::int64_t> size = source->Open()->Size();
    if (!size) {
        throw UndecodableSound("'" + path.string() + "'", "the file is not there");
    }
    return OpenRange(std::move(source), 0, *size);
}

namespace {

// The WAVE format tags libsndfile decodes; for others its reason for failing
// says nothing of the encoding.
bool DecodedWaveFormat(std::uint32_t tag) {
    static const std::set<std::uint32_t> kDecoded = {0x0001, 0x0002, 0x0003, 0x0006, 0x0007,
                                                     0x0011, 0x0031, 0x0040, 0x0055, 0xFFFE};
    return kDecoded.contains(tag);
}

}  // namespace

std::unique_ptr<SoundStream> SoundStream::OpenRange(std::shared_ptr<const ByteSource> source,
                                                    std::int64_t offset, std::int64_t size) {
    const std::string name = source->Describe();
    if (offset < 0 || size < 0) {
        throw UndecodableSound("'" + name + "'", std::string("the sound declares a negative ") +
                                                     (size < 0 ? "size" : "offset"));
    }
    auto input = std::make_unique<Input>();
    input->reader = source->Open();
    input->source = std::move(source);
    input->offset = offset;
    input->size = size;
    const WaveLayout layout = ReadWaveLayout(*input->reader, offset, size);
    // libsndfile also reads other kinds of file; only a RIFF/WAVE file counts here.
    if (!layout.riffWave) {
        throw UndecodableSound("'" + name + "'", "it is not a RIFF/WAVE file");
    }
    const std::string format = layout.format ? WaveFormatName(layout.formatTag) : std::string();
    // libsndfile's own words for these are no help to a person.
    if (layout.format && (layout.sampleRate == 0 || layout.channels == 0)) {
        throw UndecodableSound("'" + name + "'",
                               layout.sampleRate == 0
                                   ? "its fmt chunk declares a sample rate of 0 Hz"
                                   : "its fmt chunk declares no channels",
                               format);
    }
    // libsndfile plays what there is of a data chunk cut short; a sound cut
    // short is damaged, and plays nothing rather than a fragment.
    if (layout.data && layout.data->offset + layout.data->length > size) {
        throw UndecodableSound("'" + name + "'", "its data chunk runs past the end of the sound",
                               format);
    }
    try {
        return std::unique_ptr<SoundStream>(new SoundStream(std::move(input), name));
    } catch (const UndecodableSound& error) {
        // What libsndfile says of an encoding it does not read ("Malformed
        // 'fmt ' chunk") is no help to a person: the encoding's name is.
        throw UndecodableSound("'" + name + "'",
                               layout.format && !DecodedWaveFormat(layout.formatTag)
                                   ? "its encoding is " + format
                                   : error.Reason(),
                               format);
    }
}

std::unique_ptr<SoundStream> SoundStream::OpenAnyRange(std::shared_ptr<const ByteSource> source,
                                                       std::int64_t offset, std::int64_t size) {
    const std::string name = source->Describe();
    auto input = std::make_unique<Input>();
    input->reader = source->Open();
    input->source = std::move(source);
    input->offset = offset;
    input->size = std::max<std::int64_t>(size, 0);
    return std::unique_ptr<SoundStream>(new SoundStream(std::move(input), name));
}

std::size_t SoundStream::ReadFrames(std::span<float> out) {
    const auto frames = static_cast<sf_count_t>(out.size() / static_cast<std::size_t>(channels_));
    if (frames == 0) {
        return 0;
    }
    const sf_count_t got = sf_readf_float(file_, out.data(), frames);
    return got > 0 ? static_cast<std::size_t>(got) : 0;
}

bool SoundStream::Rewind() {
    return sf_seek(file_, 0, SEEK_SET) == 0;
}

std::string WaveFormatName(std::uint32_t tag) {
    static const std::map<std::uint32_t, const char*> kNames = {
        {0x0001, "PCM"},
        {0x0002, "Microsoft ADPCM"},
        {0x0003, "IEEE float"},
        {0x0006, "A-law"},
        {0x0007, "µ-law"},
        {0x0010, "OKI ADPCM"},
        {0x0011, "IMA ADPCM"},
        {0x0017, "Dialogic OKI ADPCM"},
        {0x0020, "Yamaha ADPCM"},
        {0x0022, "TrueSpeech"},
        {0x0031, "GSM 6.10"},
        {0x0040, "G.721 ADPCM"},
        {0x0050, "MPEG"},
        {0x0055, "MPEG Layer III"},
        {0x0092, "Dolby AC-3 over S/PDIF"},
        {0x0160, "Windows Media Audio 1"},
        {0x0161, "Windows Media Audio"},
        {0x0162, "Windows Media Audio Pro"},
        {0x0163, "Windows Media Audio Lossless"},
        {0x0200, "Creative ADPCM"},
        {0x2000, "Dolby AC-3"},
        {0xFFFE, "extensible"},
    };
    std::array<char, 16> hex{};
    std::snprintf(hex.data(), hex.size(), "0x%04X",
                  static_cast<unsigned>(static_cast<std::uint16_t>(tag)));
    const auto known = kNames.find(tag);
    return "format " + std::string(hex.data()) +
           (known != kNames.end() ? std::string(", ") + known->second : std::string());
}

std::string DescribeFormat(const SoundDetails& details) {
    return details.encoding + ", " + std::to_string(details.sampleRate) + " Hz, " +
           (details.channels == 1 ? std::string("mono")
                                  : std::to_string(details.channels) + " channels");
}

std::optional<HeaderDetails> DetailsFromHeader(const WaveLayout& layout) {
    if (!layout.format) {
        return std::nullopt;
    }
    enum : std::uint32_t { kPcm = 1, kMsAdpcm = 2, kFloat = 3, kALaw = 6, kMuLaw = 7 };
    enum : std::uint32_t { kImaAdpcm = 0x11, kGsm = 0x31 };
    HeaderDetails details;
    details.sampleRate = static_cast<int>(layout.sampleRate);
    details.channels = static_cast<int>(layout.channels);
    const std::string bits = std::to_string(layout.bitsPerSample) + "-bit";
    bool fixedBlocks = true;
    switch (layout.formatTag) {
        case kPcm:
            details.encoding = "PCM " + bits;
            break;
        case kFloat:
            details.encoding = "Float " + bits;
            break;
        case kALaw:
            details.encoding = "A-law";
            break;
        case kMuLaw:
            details.encoding = "\xC2\xB5-law";
            break;
        case kImaAdpcm:
            details.encoding = "IMA ADPCM";
            fixedBlocks = false;
            break;
        case kMsAdpcm:
            details.encoding = "MS ADPCM";
            fixedBlocks = false;
            break;
        case kGsm:
            details.encoding = "GSM 6.10";
            fixedBlocks = false;
            break;
        default:
            details.encoding = WaveFormatName(layout.formatTag);
            fixedBlocks = false;
    }
    if (fixedBlocks && layout.data && layout.blockAlign > 0 && layout.sampleRate > 0) {
        const std::int64_t frames = layout.data->length / layout.blockAlign;  // whole frames
        details.seconds = static_cast<double>(frames) / static_cast<double>(layout.sampleRate);
    }
    return details;
}

std::string SndfileReason(SNDFILE* file) {
    std::string text = sf_strerror(file);
    // What libsndfile says of a stream it could not decode, MP3 in WAV among them.
    if (text.find("possibly a pipe") != std::string::npos) {
        return "its encoding could not be decoded";
    }
    while (!text.empty() && (text.back() == '.' || text.back() == '\n' || text.back() == ' ')) {
        text.pop_back();
    }
    return text;
}

PcmFeeder::PcmFeeder(std::unique_ptr<SoundStream> stream, bool loop)
    : stream_(std::move(stream)), loop_(loop) {}

std::size_t PcmFeeder::Read(std::span<std::uint8_t> out) {
    const std::size_t frameBytes = FrameBytes();
    const std::size_t wanted = out.size() / frameBytes;
    if (wanted == 0) {
        return 0;
    }
    // Decoded straight into the output: whole frames of floats.
    std::vector<float> block(wanted * static_cast<std::size_t>(Channels()));
    std::size_t frames = 0;
    bool rewound = false;
    while (frames < wanted && !ended_) {
        const std::size_t got = stream_->ReadFrames(
            std::span(block).subspan(frames * static_cast<std::size_t>(Channels())));
        frames += got;
        if (got > 0) {
            rewound = false;
            continue;
        }
        // The end of the sound: again from the start, unless that gave nothing.
        if (loop_ && !rewound && stream_->Rewind()) {
            rewound = true;
            continue;
        }
        ended_ = true;
    }
    std::memcpy(out.data(), block.data(), frames * frameBytes);
    return frames * frameBytes;
}

WaveLayout ReadWaveLayout(ByteReader& reader, std::int64_t offset, std::int64_t size) {
    WaveLayout layout;
    std::array<std::uint8_t, riff::kHeaderBytes> head{};
    reader.ReadAt(offset, std::span(head).first(static_cast<std::size_t>(
                              std::clamp<std::int64_t>(size, 0, riff::kHeaderBytes))));
    layout.riffWave = size >= riff::kHeaderBytes && riff::HasTag(head, 0, riff::kRiff) &&
                      riff::HasTag(head, riff::kFormField, riff::kWave);
    if (!layout.riffWave) {
        return layout;
    }
    layout.riffLength = static_cast<std::int64_t>(LoadLittleEndian(
        std::span<const std::uint8_t>(head).subspan(riff::kLengthField, riff::kFieldBytes)));
    // A walk that finds no data chunk within this many chunks leaves the
    // verdict to libsndfile.
    constexpr int kChunksWalked = 256;
    std::int64_t position = riff::kHeaderBytes;
    for (int i = 0; i < kChunksWalked && position + riff::kChunkHeaderBytes <= size && !layout.data;
         ++i) {
        std::array<std::uint8_t, riff::kChunkHeaderBytes> header{};
        reader.ReadAt(offset + position, header);
        const WaveLayout::Chunk chunk{
            position + riff::kChunkHeaderBytes,
            static_cast<std::int64_t>(
                LoadLittleEndian(std::span<const std::uint8_t>(header).subspan(riff::kTagBytes)))};
        if (riff::HasTag(header, 0, riff::kFormat) && !layout.format) {
            layout.format = chunk;
            std::array<std::uint8_t, riff::kFormatFieldsBytes> field{};
            reader.ReadAt(offset + chunk.offset,
                          std::span(field).first(static_cast<std::size_t>(std::clamp<std::int64_t>(
                              chunk.length, 0, riff::kFormatFieldsBytes))));
            const auto at = [&field](std::size_t from, std::size_t bytes) {
                return static_cast<std::uint32_t>(
                    LoadLittleEndian(std::span<const std::uint8_t>(field).subspan(from, bytes)));
            };
            layout.formatTag = at(riff::kFormatTagField, 2);
            layout.channels = at(riff::kChannelsField, 2);
            layout.sampleRate = at(riff::kSampleRateField, 4);
            layout.blockAlign = at(riff::kBlockAlignField, 2);
            layout.bitsPerSample = at(riff::kBitsPerSampleField, 2);
        } else if (riff::HasTag(header, 0, riff::kData)) {
            layout.data = chunk;
        }
        position = chunk.offset + chunk.length + (chunk.length & 1);  // chunks are padded to even
    }
    return layout;
}

SoundDetails DescribeSound(const SoundStream& stream) {
    SoundDetails details;
    const int subtype = stream.Format() & SF_FORMAT_SUBMASK;
    const auto* const known =
        std::find_if(kEncodings.begin(), kEncodings.end(),
                     [subtype](const Encoding& e) { return e.subtype == subtype; });
    if (known != kEncodings.end()) {
        details.encoding = known->name;
        if (known->bits > 0) {
            details.bits = known->bits;
        }
    } else {
        SF_FORMAT_INFO info{};
        info.format = subtype;
        details.encoding = sf_command(nullptr, SFC_GET_FORMAT_INFO, &info, sizeof info) == 0
                               ? info.name
                               : "an encoding of its own";
    }
    details.sampleRate = stream.SampleRate();
    details.channels = stream.Channels();
    details.frames = stream.Frames();
    details.seconds = static_cast<double>(stream.Frames()) / stream.SampleRate();
    details.loop = stream.Loop();
    return details;
}

DetailsOrProblem ReadSoundDetails(const std::shared_ptr<const ByteSource>& source,
                                  std::int64_t offset, std::int64_t size) {
    try {
        const auto stream = SoundStream::OpenRange(source, offset, size);
        return {DescribeSound(*stream), {}, {}};
    } catch (const UndecodableSound& error) {
        return {std::nullopt, error.Reason(), error.Format()};
    } catch (const ArchiveError& error) {
        return {std::nullopt, error.what(), {}};
    }
}

}  // namespace echodelve
