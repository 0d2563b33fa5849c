#include "doom_wad.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <optional>
#include <set>

#include "errors.h"
#include "hex_mod.h"
#include "little_endian.h"
#include "pcm_converter.h"
#include "riff.h"
#include "sound_encoder.h"
#include "sound_stream.h"
#include "text_encoding.h"

#include <sndfile.h>

namespace echodelve {

namespace doom {

bool HasMagic(std::span<const std::uint8_t> start) {
    static constexpr riff::Tag kIwad = {'I', 'W', 'A', 'D'};
    static constexpr riff::Tag kPwad = {'P', 'W', 'A', 'D'};
    return riff::HasTag(start, 0, kIwad) || riff::HasTag(start, 0, kPwad);
}

int StoredRate(int rate) {
    while (rate > kMaxDmxRate) {
        rate = (rate + 1) / 2;
    }
    return rate;
}

std::string LumpText(const LumpName& name) {
    const auto* const end = std::ranges::find(name, 0);
    return Cp1252ToUtf8(std::string(name.begin(), end));
}

}  // namespace doom

namespace {

constexpr std::int64_t kWaveHeaderBytes = 44;
constexpr std::uint8_t kUnsignedZero = 128;  // silence in unsigned 8-bit samples
// The most samples a WAV header made here declares: its RIFF length stays in 32 bits.
constexpr std::int64_t kMaxDeclared = 0xFFFFFFFFLL - kWaveHeaderBytes;
constexpr std::int64_t kMaxOffset = std::numeric_limits<std::int32_t>::max();

// A directory's numbers are the archive numbers the other kinds read.
std::int64_t SignedField(std::span<const std::uint8_t> bytes, std::size_t at) {
    return HexMod::ReadArchiveNumber(bytes.subspan(at).first<4>());
}

// The sounds of a Doom WAD, each a WAV file, laid end to end: what the
// catalogue's offsets and sizes point into. The bytes are pieces: a WAV
// header made here, a range of the WAD, or a sound converted at reading.
class DoomSounds final : public ByteSource {
  public:
    struct Piece {
        std::int64_t at = 0;  // in the sounds' bytes
        std::int64_t size = 0;
        std::int64_t wadOffset = -1;  // a range of the WAD, or else
        std::size_t held = 0;         // bytes held here
    };
    struct Sound {
        std::size_t lump = 0;  // in the directory
        std::int64_t at = 0;
        std::int64_t size = 0;
        std::string name;
        // Read as a sound only under a name beginning "DS" (not DMX, not WAV).
        bool byName = false;
    };

    explicit DoomSounds(std::shared_ptr<const ByteSource> wad) : wad_(std::move(wad)) {}

    std::unique_ptr<ByteReader> Open() const override;
    const std::filesystem::path& Path() const override { return wad_->Path(); }

    const std::shared_ptr<const ByteSource>& WadSource() const { return wad_; }
    // Where the directory's last entry ends.
    std::int64_t DirectoryEnd() const {
        return directoryOffset + static_cast<std::int64_t>(lumps.size()) * doom::kEntryBytes;
    }

    void AddRange(std::int64_t wadOffset, std::int64_t size) {
        pieces_.push_back({size_, size, wadOffset, 0});
        size_ += size;
    }
    void AddHeld(std::vector<std::uint8_t> bytes) {
        pieces_.push_back({size_, static_cast<std::int64_t>(bytes.size()), -1, held_.size()});
        size_ += static_cast<std::int64_t>(bytes.size());
        held_.push_back(std::move(bytes));
    }
    std::int64_t End() const { return size_; }

    riff::Tag magic{};
    std::int64_t wadSize = 0;
    std::int64_t directoryOffset = 0;
    std::vector<doom::Lump> lumps;
    std::vector<Sound> sounds;

  private:
    class Reader;
    std::shared_ptr<const ByteSource> wad_;
    std::vector<Piece> pieces_;
    std::vector<std::vector<std::uint8_t>> held_;
    std::int64_t size_ = 0;
};

class DoomSounds::Reader final : public ByteReader {
  public:
    explicit Reader(const DoomSounds& sounds) : sounds_(sounds), wad_(sounds.wad_->Open()) {}

    void ReadAt(std::int64_t offset, std::span<std::uint8_t> out) override {
        std::ranges::fill(out, 0);
        const auto& pieces = sounds_.pieces_;
        auto piece = std::ranges::upper_bound(pieces, offset, {}, &Piece::at);
        if (piece != pieces.begin()) {
            --piece;
        }
        const std::int64_t end = offset + static_cast<std::int64_t>(out.size());
        for (; piece != pieces.end() && piece->at < end; ++piece) {
            const std::int64_t from = std::max(offset, piece->at);
            const std::int64_t to = std::min(end, piece->at + piece->size);
            if (from >= to) {
                continue;
            }
            const auto into = out.subspan(static_cast<std::size_t>(from - offset),
                                          static_cast<std::size_t>(to - from));
            if (piece->wadOffset >= 0) {
                wad_->ReadAt(piece->wadOffset + (from - piece->at), into);
            } else {
                const auto& held = sounds_.held_[piece->held];
                std::copy_n(held.begin() + (from - piece->at), into.size(), into.begin());
            }
        }
    }

    // Where the WAD has been cut shorter since it was read, the sounds end
    // at the first byte it no longer holds, so nothing reads zeros for it.
    std::optional<std::int64_t> Size() const override {
        const std::int64_t now = wad_->Size().value_or(0);
        if (now >= sounds_.wadSize) {
            return sounds_.size_;
        }
        for (const Piece& piece : sounds_.pieces_) {
            if (piece.wadOffset >= 0 && piece.wadOffset + piece.size > now) {
                return piece.at + std::max<std::int64_t>(0, now - piece.wadOffset);
            }
        }
        return sounds_.size_;
    }

  private:
    const DoomSounds& sounds_;
    std::unique_ptr<ByteReader> wad_;
};

std::unique_ptr<ByteReader> DoomSounds::Open() const {
    return std::make_unique<Reader>(*this);
}

// The 44-byte header of a WAV file of `samples` 8-bit mono samples, of
// which the file holds `held` (fewer for a damaged lump): its RIFF length is
// the file's, its data chunk declares them all.
std::vector<std::uint8_t> WaveHeader(std::int64_t rate, std::int64_t samples, std::int64_t held) {
    const std::int64_t padded = held + (held == samples ? held % 2 : 0);
    std::vector<std::uint8_t> header(riff::kRiff.begin(), riff::kRiff.end());
    AppendLittleEndian(header, static_cast<std::uint64_t>(kWaveHeaderBytes - 8 + padded), 4);
    header.insert(header.end(), riff::kWave.begin(), riff::kWave.end());
    header.insert(header.end(), riff::kFormat.begin(), riff::kFormat.end());
    for (const std::uint64_t field : {16U, 1U, 1U}) {  // fmt length, PCM, one channel
        AppendLittleEndian(header, field, field == 16 ? 4 : 2);
    }
    AppendLittleEndian(header, static_cast<std::uint64_t>(rate), 4);
    AppendLittleEndian(header, static_cast<std::uint64_t>(rate), 4);  // a byte per frame
    AppendLittleEndian(header, 1, 2);
    AppendLittleEndian(header, 8, 2);
    header.insert(header.end(), riff::kData.begin(), riff::kData.end());
    AppendLittleEndian(header, static_cast<std::uint64_t>(samples), 4);
    return header;
}

// A DMX sound's header, where `head` holds one: format 3, a rate and a
// sample count. A lump not named like a sound must declare a rate and hold
// exactly that many samples, as a picture that begins with a width of 3 does not.
struct DmxHeader {
    std::int64_t rate = 0;
    std::int64_t samples = 0;
};
std::optional<DmxHeader> ReadDmx(std::span<const std::uint8_t> head, std::int64_t size,
                                 bool namedAsSound) {
    if (size < doom::kDmxHeaderBytes || LoadLittleEndian(head.subspan(0, 2)) != doom::kDmxFormat) {
        return std::nullopt;
    }
    const DmxHeader dmx{static_cast<std::int64_t>(LoadLittleEndian(head.subspan(2, 2))),
                        static_cast<std::int64_t>(LoadLittleEndian(head.subspan(4, 4)))};
    // Named as a sound, it is one even when damaged.
    if (namedAsSound) {
        return dmx;
    }
    if (dmx.rate == 0 || dmx.samples != size - doom::kDmxHeaderBytes) {
        return std::nullopt;
    }
    return dmx;
}

bool NamedAsSound(const doom::LumpName& name) {
    return (name[0] == 'D' || name[0] == 'd') && (name[1] == 'S' || name[1] == 's');
}

// A lump in another format libsndfile reads, as a 16-bit WAV file; nullopt
// where it reads none.
std::optional<std::vector<std::uint8_t>> Converted(const std::shared_ptr<const ByteSource>& wad,
                                                   const doom::Lump& lump) {
    std::unique_ptr<SoundStream> stream;
    try {
        stream = SoundStream::OpenAnyRange(wad, lump.offset, lump.size);
    } catch (const UndecodableSound&) {
        return std::nullopt;  // no sound: the lump stays unlisted
    }
    const int channels = stream->Channels();
    std::int64_t decoded = 0;
    std::vector<std::uint8_t> wav = EncodeFrames(
        SF_FORMAT_WAV | SF_FORMAT_PCM_16, stream->SampleRate(), channels, stream->Loop(),
        [&stream, &decoded](std::span<float> out) {
            const std::size_t frames = stream->ReadFrames(out);
            decoded += static_cast<std::int64_t>(frames);
            return frames;
        },
        wad->Describe() + " lump " + doom::LumpText(lump.name));
    // A lump cut short decodes to fewer frames than it declares: its data
    // chunk then declares them all, so a check finds it damaged.
    if (decoded < stream->Frames()) {
        const auto data =
            std::search(wav.begin(), wav.end(), riff::kData.begin(), riff::kData.end());
        if (data != wav.end() && wav.end() - data >= riff::kChunkHeaderBytes) {
            const std::int64_t declared =
                std::min<std::int64_t>(stream->Frames() * channels * 2, kMaxDeclared);
            StoreLittleEndian(std::span(&*data + riff::kTagBytes, riff::kFieldBytes),
                              static_cast<std::uint64_t>(declared));
        }
    }
    return wav;
}

// How strictly a WAD is read: a listing refuses damage, a salvage steps round it.
struct Reading {
    bool lenient = false;
    std::int32_t maxSounds = std::numeric_limits<std::int32_t>::max();
};

std::shared_ptr<DoomSounds> ReadWad(const std::shared_ptr<const ByteSource>& source,
                                    const Reading& reading) {
    auto sounds = std::make_shared<DoomSounds>(source);
    const std::string name = "'" + source->Describe() + "'";
    const std::unique_ptr<ByteReader> wad = source->Open();
    const std::int64_t size = wad->Size().value_or(0);
    sounds->wadSize = size;
    std::array<std::uint8_t, doom::kHeaderBytes> header{};
    wad->ReadAt(0, header);
    if (!doom::HasMagic(header)) {
        throw ArchiveError(name +
                           R"( is not a Doom WAD: it does not begin with "IWAD" or "PWAD".)");
    }
    if (size < doom::kHeaderBytes) {
        throw ArchiveError(name + " is cut short: it holds " + std::to_string(size) +
                           " bytes, less than a Doom WAD's 12-byte header.");
    }
    std::copy_n(header.begin(), riff::kTagBytes, sounds->magic.begin());
    std::int64_t count = SignedField(header, 4);
    const std::int64_t directory = SignedField(header, 8);
    sounds->directoryOffset = directory;
    if (!reading.lenient) {
        if (count < 0) {
            throw ArchiveError(name + " declares a negative number of lumps (" +
                               std::to_string(count) + ").");
        }
        if (directory < 0 || directory + count * doom::kEntryBytes > size) {
            throw ArchiveError("The directory of " + name + " (" + std::to_string(count) +
                               (count == 1 ? " entry" : " entries") + " at offset " +
                               std::to_string(directory) + ") lies outside it; the file holds " +
                               std::to_string(size) + " bytes.");
        }
    } else {
        const std::int64_t fit =
            directory < 0 || directory > size ? 0 : (size - directory) / doom::kEntryBytes;
        count = std::clamp<std::int64_t>(count, 0, fit);
    }
    std::vector<std::uint8_t> entries(static_cast<std::size_t>(count * doom::kEntryBytes));
    if (count > 0) {
        wad->ReadAt(directory, entries);
    }
    for (std::int64_t i = 0; i < count; ++i) {
        const auto entry = std::span(entries).subspan(
            static_cast<std::size_t>(i * doom::kEntryBytes), doom::kEntryBytes);
        doom::Lump lump{{}, SignedField(entry, 0), SignedField(entry, 4)};
        std::copy_n(entry.begin() + 8, doom::kNameBytes, lump.name.begin());
        sounds->lumps.push_back(lump);
    }

    std::array<std::uint8_t, riff::kHeaderBytes> head{};
    for (std::size_t i = 0; i < sounds->lumps.size(); ++i) {
        const doom::Lump& lump = sounds->lumps[i];
        // A lump of no bytes (a marker) reads nothing, wherever it points.
        if (lump.size != 0 &&
            (lump.offset < 0 || lump.size < 0 || lump.offset + lump.size > size)) {
            if (reading.lenient) {
                continue;
            }
            throw ArchiveError("Lump " + std::to_string(i + 1) + " '" + doom::LumpText(lump.name) +
                               "' of " + name + " lies outside it (" + std::to_string(lump.size) +
                               " bytes at offset " + std::to_string(lump.offset) +
                               "; the file holds " + std::to_string(size) + ").");
        }
        if (lump.size < doom::kDmxHeaderBytes ||
            static_cast<std::int32_t>(sounds->sounds.size()) >= reading.maxSounds) {
            continue;
        }
        head.fill(0);
        wad->ReadAt(lump.offset, std::span(head).first(static_cast<std::size_t>(
                                     std::min<std::int64_t>(lump.size, riff::kHeaderBytes))));
        const bool namedAsSound = NamedAsSound(lump.name);
        const std::int64_t at = sounds->End();
        bool byName = false;
        if (riff::HasTag(head, 0, riff::kRiff) &&
            riff::HasTag(head, riff::kFormField, riff::kWave)) {
            sounds->AddRange(lump.offset, lump.size);
        } else if (const auto dmx = ReadDmx(head, lump.size, namedAsSound)) {
            // What the game plays: the padding at each end skipped. A sound
            // lump that declares more samples than it holds, or a rate of 0,
            // is presented so, for a check to find.
            const bool padded = dmx->samples >= doom::kShortestPlayed;
            const std::int64_t skip = padded ? doom::kDmxPadding : 0;
            const std::int64_t samples = std::min(dmx->samples - 2 * skip, kMaxDeclared);
            // Short of its declared count, it lacks as many of the samples played.
            const std::int64_t room = lump.size - doom::kDmxHeaderBytes;
            const std::int64_t held = dmx->samples > room
                                          ? std::clamp<std::int64_t>(room - 2 * skip, 0, samples)
                                          : samples;
            sounds->AddHeld(WaveHeader(dmx->rate, samples, held));
            sounds->AddRange(lump.offset + doom::kDmxHeaderBytes + skip, held);
            if (held == samples && samples % 2 != 0) {
                sounds->AddHeld({0});  // a RIFF chunk's pad byte
            }
        } else if (namedAsSound) {
            byName = true;
            std::optional<std::vector<std::uint8_t>> converted = Converted(source, lump);
            if (!converted) {
                continue;
            }
            sounds->AddHeld(std::move(*converted));
        } else {
            continue;
        }
        if (sounds->End() > kMaxOffset) {
            throw ArchiveError(name + " holds more sound than the program can list (2 GiB).");
        }
        sounds->sounds.push_back(
            {i, at, sounds->End() - at, doom::LumpText(lump.name) + ".wav", byName});
    }
    return sounds;
}

SoundCatalogue CatalogueOf(const std::shared_ptr<DoomSounds>& sounds) {
    SoundCatalogue catalogue;
    catalogue.archiveSize = sounds->End();
    catalogue.ExtendTo(static_cast<std::int64_t>(sounds->sounds.size()));
    std::int32_t number = 0;
    for (const DoomSounds::Sound& sound : sounds->sounds) {
        SoundEntry& entry = catalogue.Slot(++number);
        entry.name = sound.name;
        entry.offset = static_cast<std::int32_t>(sound.at);
        entry.size = sound.size;
        entry.stored = sounds->lumps[sound.lump].offset;
    }
    catalogue.count = number;
    catalogue.source = sounds;
    return catalogue;
}

// --- Writing ---

// The lump name a sound's name gives: without its extension, upper case.
doom::LumpName LumpNameFor(const std::string& name) {
    const std::string stem = name.substr(0, name.rfind('.'));
    const std::optional<std::string> bytes = Utf8ToCp1252(stem);
    const auto fits = [](unsigned char c) { return c > ' ' && c <= '~' && c != '.' && c != '/'; };
    if (!bytes || bytes->empty() || bytes->size() > doom::kNameBytes ||
        !std::ranges::all_of(*bytes, fits)) {
        throw ArchiveError("The name '" + name +
                           "' does not fit a Doom WAD lump: 1 to 8 letters, digits or signs "
                           "(no \".\" or \"/\") before its extension.");
    }
    doom::LumpName lump{};
    std::ranges::transform(*bytes, lump.begin(), [](unsigned char c) {
        return static_cast<std::uint8_t>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    });
    return lump;
}

// A sound as a DMX lump: 8-bit mono, padded at each end with its first and
// last sample as the game expects.
std::vector<std::uint8_t> DmxLump(const PackMember& member) {
    std::unique_ptr<SoundStream> stream;
    if (const auto* file = std::get_if<std::filesystem::path>(&member.content)) {
        stream = SoundStream::OpenWaveFile(*file);
    } else if (const auto* range = std::get_if<SourceRange>(&member.content)) {
        stream = SoundStream::OpenRange(range->source, range->offset, range->size);
    } else {
        const auto& bytes = std::get<std::vector<std::uint8_t>>(member.content);
        stream = SoundStream::OpenRange(std::make_shared<MemorySource>(bytes), 0,
                                        static_cast<std::int64_t>(bytes.size()));
    }
    const int rate = doom::StoredRate(stream->SampleRate());
    PcmConverter mono(std::make_unique<PcmFeeder>(std::move(stream), false), rate, 1);
    std::vector<std::uint8_t> samples;
    std::vector<float> block(4096);
    for (;;) {
        const std::span<std::uint8_t> bytes(
            reinterpret_cast<std::uint8_t*>(block.data()),  // NOLINT
            block.size() * sizeof(float));
        const std::size_t frames = mono.Read(bytes) / sizeof(float);
        if (frames == 0) {
            break;
        }
        for (std::size_t i = 0; i < frames; ++i) {
            // Unsigned 8-bit, as libsndfile reads it back: (sample - 128) / 128.
            const long value = std::lround(block[i] * kUnsignedZero) + kUnsignedZero;
            samples.push_back(static_cast<std::uint8_t>(std::clamp(value, 0L, long{UINT8_MAX})));
        }
    }
    if (samples.size() + 2 * doom::kDmxPadding < doom::kShortestPlayed) {
        throw ArchiveError("it holds " + std::to_string(samples.size()) +
                           " samples; the game plays no sound of fewer than " +
                           std::to_string(doom::kShortestPlayed - 2 * doom::kDmxPadding) + ".");
    }
    const std::uint8_t first = samples.empty() ? kUnsignedZero : samples.front();
    const std::uint8_t last = samples.empty() ? kUnsignedZero : samples.back();
    constexpr auto kPadding = static_cast<std::size_t>(doom::kDmxPadding);
    constexpr auto kHeader = static_cast<std::size_t>(doom::kDmxHeaderBytes);
    std::vector<std::uint8_t> lump(kHeader + samples.size() + 2 * kPadding, last);
    const std::span<std::uint8_t> header(lump.data(), kHeader);
    StoreLittleEndian(header.subspan(0, 2), doom::kDmxFormat);
    StoreLittleEndian(header.subspan(2, 2), static_cast<std::uint64_t>(rate));
    StoreLittleEndian(header.subspan(4, 4), samples.size() + 2 * kPadding);
    std::fill_n(lump.begin() + kHeader, kPadding, first);
    std::ranges::copy(samples, lump.begin() + kHeader + kPadding);
    return lump;
}

// A lump of the written WAD: kept from the edited one (its index there), or new.
struct OutLump {
    doom::LumpName name{};
    std::optional<std::size_t> kept;
    std::vector<std::uint8_t> bytes;
    bool newName = false;  // given by the edit, so it must be no other lump's
};

bool SameLumpName(const doom::LumpName& a, const doom::LumpName& b) {
    const auto upper = [](std::uint8_t c) {
        return static_cast<std::uint8_t>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    };
    return std::ranges::equal(a, b, {}, upper, upper);
}

// A name the edit gives may be no other lump's: the game finds a lump by its
// name, and a sound would hide a palette or a map.
void RefuseRepeatedLumpNames(const std::vector<OutLump>& order) {
    for (std::size_t i = 0; i < order.size(); ++i) {
        if (!order[i].newName) {
            continue;
        }
        for (std::size_t j = 0; j < order.size(); ++j) {
            if (j != i && SameLumpName(order[i].name, order[j].name)) {
                throw ArchiveError("Two lumps would be called '" + doom::LumpText(order[i].name) +
                                   "' (ignoring case).");
            }
        }
    }
}

// Where the edited WAD's lump data lie: each lump's bytes and the padding
// after them up to the next one's start. Kept in the file's order, the
// untouched WAD is written again byte for byte. Where lumps overlap or the
// directory lies among them, each lump is its own bytes only.
class Layout {
  public:
    explicit Layout(const DoomSounds& wad) {
        std::vector<std::int64_t> starts;
        std::int64_t dataEnd = doom::kHeaderBytes;
        for (const doom::Lump& lump : wad.lumps) {
            if (lump.size > 0) {
                starts.push_back(lump.offset);
                dataEnd = std::max(dataEnd, lump.offset + lump.size);
            }
        }
        std::ranges::sort(starts);
        starts.erase(std::unique(starts.begin(), starts.end()), starts.end());
        ordered_ = wad.directoryOffset >= dataEnd;
        const std::int64_t end = ordered_ ? wad.directoryOffset : dataEnd;
        for (std::size_t i = 0; i < starts.size(); ++i) {
            segments_[starts[i]] = i + 1 < starts.size() ? starts[i + 1] : end;
        }
        for (const doom::Lump& lump : wad.lumps) {
            if (lump.size > 0 && lump.offset + lump.size > segments_.at(lump.offset)) {
                ordered_ = false;
            }
        }
        if (!ordered_) {
            for (auto& [start, segmentEnd] : segments_) {
                segmentEnd = start;
            }
            for (const doom::Lump& lump : wad.lumps) {
                if (lump.size > 0) {
                    segments_[lump.offset] =
                        std::max(segments_[lump.offset], lump.offset + lump.size);
                }
            }
        }
        firstStart_ = starts.empty() ? end : starts.front();
    }
    bool Ordered() const { return ordered_; }
    std::int64_t FirstStart() const { return firstStart_; }
    const std::map<std::int64_t, std::int64_t>& Segments() const { return segments_; }

  private:
    bool ordered_ = true;
    std::int64_t firstStart_ = doom::kHeaderBytes;
    std::map<std::int64_t, std::int64_t> segments_;  // start -> end
};

// Where an offset of the edited WAD lies in the written one: at the same
// place in its stretch where that was kept; else where the next kept stretch
// (or the data's end) went, as a marker lump of no bytes points at what follows.
std::int64_t MovedOffset(const Layout& layout, const std::map<std::int64_t, std::int64_t>& movedTo,
                         std::int64_t offset, std::int64_t dataEnd) {
    const auto& segments = layout.Segments();
    if (auto within = segments.upper_bound(offset); within != segments.begin()) {
        --within;
        const auto kept = movedTo.find(within->first);
        if (kept != movedTo.end() && offset < std::max(within->second, within->first + 1)) {
            return kept->second + (offset - within->first);
        }
    }
    if (offset < doom::kHeaderBytes || (layout.Ordered() && offset < layout.FirstStart())) {
        return offset;  // the header, or bytes before the first lump, written as they stand
    }
    const auto next = movedTo.lower_bound(offset);
    return next != movedTo.end() ? next->second : dataEnd;
}

void AppendEntry(std::vector<std::uint8_t>& directory, std::int64_t offset, std::int64_t size,
                 const doom::LumpName& name) {
    AppendLittleEndian(directory, static_cast<std::uint64_t>(offset), 4);
    AppendLittleEndian(directory, static_cast<std::uint64_t>(size), 4);
    directory.insert(directory.end(), name.begin(), name.end());
}

}  // namespace

DecodeOutcome DoomWadDecoder::Decode(std::shared_ptr<const ByteSource> source) {
    Replace(CatalogueOf(ReadWad(source, {})));
    Ui().PumpEvents();
    return {};
}

std::vector<std::vector<std::uint8_t>> DoomNameFields(const ArchiveDecoder& archive) {
    std::vector<std::vector<std::uint8_t>> fields;
    if (const auto* wad = dynamic_cast<const DoomSounds*>(archive.Catalogue().source.get())) {
        for (const DoomSounds::Sound& sound : wad->sounds) {
            const doom::LumpName& name = wad->lumps[sound.lump].name;
            fields.emplace_back(name.begin(), name.end());
        }
    }
    return fields;
}

std::vector<std::pair<std::int32_t, std::string>> DoomLumpProblems(const ArchiveDecoder& archive) {
    std::vector<std::pair<std::int32_t, std::string>> problems;
    const auto* wad = dynamic_cast<const DoomSounds*>(archive.Catalogue().source.get());
    if (wad == nullptr) {
        return problems;
    }
    struct Place {
        std::int64_t begin;
        std::int64_t end;
        std::int32_t sound;
    };
    std::vector<Place> places;
    std::int32_t number = 0;
    for (const DoomSounds::Sound& sound : wad->sounds) {
        const doom::Lump& lump = wad->lumps[sound.lump];
        places.push_back({lump.offset, lump.offset + lump.size, ++number});
    }
    const std::int64_t directoryEnd = wad->DirectoryEnd();
    std::ranges::sort(places, {}, &Place::begin);
    const Place* furthest = nullptr;
    for (const Place& place : places) {
        if (place.begin < doom::kHeaderBytes) {
            problems.emplace_back(place.sound, "its lump begins inside the WAD's header");
        }
        if (place.begin < directoryEnd && wad->directoryOffset < place.end) {
            problems.emplace_back(place.sound, "its lump overlaps the WAD's directory");
        }
        // Two entries of the very same bytes are one sound stored once, on purpose.
        const bool same =
            furthest != nullptr && place.begin == furthest->begin && place.end == furthest->end;
        if (furthest != nullptr && place.begin < furthest->end && !same) {
            problems.emplace_back(
                place.sound,
                "its lump overlaps sound " + std::to_string(furthest->sound) + "'s by " +
                    std::to_string(std::min(place.end, furthest->end) - place.begin) + " bytes");
        }
        if (furthest == nullptr || place.end > furthest->end) {
            furthest = &place;
        }
    }
    return problems;
}

SalvagedCatalogue SalvageDoomWad(const std::shared_ptr<const ByteSource>& source,
                                 const SoundCatalogue* read, std::int32_t maxSounds) {
    SalvagedCatalogue salvaged{
        CatalogueOf(ReadWad(source, {.lenient = true, .maxSounds = maxSounds})), {}};
    for (std::int32_t n = 1; n <= salvaged.catalogue.count; ++n) {
        salvaged.salvaged.push_back(read == nullptr || n > read->count);
    }
    return salvaged;
}

void WriteDoomArchive(const std::filesystem::path& output, const std::vector<PackMember>& members,
                      const BeforeCommit& beforeCommit, const SoundCatalogue* from) {
    const auto* wad =
        from != nullptr ? dynamic_cast<const DoomSounds*>(from->source.get()) : nullptr;

    // Each member as a lump: one of the edited WAD's as it stands, or a new one.
    std::vector<OutLump> sounds;
    for (const PackMember& member : members) {
        OutLump lump;
        const auto* range = std::get_if<SourceRange>(&member.content);
        const DoomSounds::Sound* kept = nullptr;
        if (wad != nullptr && range != nullptr && range->source.get() == wad) {
            const auto found =
                std::ranges::find(wad->sounds, range->offset, &DoomSounds::Sound::at);
            kept = found != wad->sounds.end() ? &*found : nullptr;
        }
        // The name as the WAD holds it where the sound keeps its name, else a new one.
        if (member.nameField.size() == doom::kNameBytes) {
            std::ranges::copy(member.nameField, lump.name.begin());
        } else if (kept != nullptr && member.name == kept->name) {
            lump.name = wad->lumps[kept->lump].name;
        } else {
            lump.name = LumpNameFor(member.name);
            lump.newName = true;
        }
        if (kept != nullptr) {
            lump.kept = kept->lump;
            if (kept->byName && lump.newName && !NamedAsSound(lump.name)) {
                throw ArchiveError("'" + member.name +
                                   "' would no longer be read as a sound: one "
                                   "in another format than DMX or WAV needs a name beginning "
                                   "\"DS\".");
            }
        } else {
            try {
                lump.bytes = DmxLump(member);
            } catch (const ArchiveError& error) {
                throw ArchiveError("'" + member.name +
                                   "' cannot go into a Doom WAD: " + error.what());
            }
        }
        sounds.push_back(std::move(lump));
    }

    // The directory's order: the edited WAD's lumps, the sounds in its sound
    // lumps' places and any more after the last of them.
    std::vector<OutLump> order;
    std::vector<bool> isSound(wad != nullptr ? wad->lumps.size() : 0, false);
    std::size_t lastSound = 0;
    if (wad != nullptr) {
        for (const DoomSounds::Sound& sound : wad->sounds) {
            isSound[sound.lump] = true;
            lastSound = sound.lump;
        }
    }
    std::size_t placed = 0;
    for (std::size_t i = 0; i < isSound.size(); ++i) {
        if (!isSound[i]) {
            order.push_back({wad->lumps[i].name, i, {}});
            continue;
        }
        if (placed < sounds.size()) {
            order.push_back(std::move(sounds[placed++]));
        }
        while (i == lastSound && placed < sounds.size()) {
            order.push_back(std::move(sounds[placed++]));
        }
    }
    while (placed < sounds.size()) {  // a WAD that had no sounds, or a new one
        order.push_back(std::move(sounds[placed++]));
    }
    RefuseRepeatedLumpNames(order);

    // The data: the kept lumps' stretches in the file's order, then the new lumps.
    std::vector<PackMember> parts(1);  // the header, filled in last
    std::int64_t at = doom::kHeaderBytes;
    std::map<std::int64_t, std::int64_t> movedTo;  // a kept stretch's start -> its new one
    const auto check = [&](const std::string& what) {
        if (at > kMaxOffset) {
            throw ArchiveError(what + " passes the 2 GiB a Doom WAD can hold.");
        }
    };
    std::optional<Layout> layout;
    if (wad != nullptr) {
        layout.emplace(*wad);
        std::set<std::int64_t> used;  // the starts of kept lumps' stretches
        for (const OutLump& lump : order) {
            if (lump.kept && wad->lumps[*lump.kept].size > 0) {
                used.insert(wad->lumps[*lump.kept].offset);
            }
        }
        if (layout->Ordered() && layout->FirstStart() > doom::kHeaderBytes) {
            const std::int64_t size = layout->FirstStart() - doom::kHeaderBytes;
            parts.push_back({"", SourceRange{wad->WadSource(), doom::kHeaderBytes, size}, {}});
            at += size;
        }
        for (const auto& [start, end] : layout->Segments()) {
            if (used.contains(start)) {
                movedTo[start] = at;
                parts.push_back({"", SourceRange{wad->WadSource(), start, end - start}, {}});
                at += end - start;
                check("The kept lumps");
            }
        }
    }
    std::vector<std::int64_t> newAt(order.size(), 0);
    for (std::size_t i = 0; i < order.size(); ++i) {
        if (order[i].kept) {
            continue;
        }
        // New lumps start on 4-byte bounds, as the tools that make WADs lay them.
        const auto align = static_cast<std::size_t>((4 - at % 4) % 4);
        std::vector<std::uint8_t> bytes(align, 0);
        newAt[i] = at + static_cast<std::int64_t>(align);
        bytes.insert(bytes.end(), order[i].bytes.begin(), order[i].bytes.end());
        at += static_cast<std::int64_t>(bytes.size());
        check("The sound '" + doom::LumpText(order[i].name) + "'");
        parts.push_back({"", std::move(bytes), {}});
    }
    const std::int64_t dataEnd = at;

    std::vector<std::uint8_t> directory;
    for (std::size_t i = 0; i < order.size(); ++i) {
        if (!order[i].kept) {
            AppendEntry(directory, newAt[i], static_cast<std::int64_t>(order[i].bytes.size()),
                        order[i].name);
            continue;
        }
        const doom::Lump& lump = wad->lumps[*order[i].kept];
        AppendEntry(directory, MovedOffset(*layout, movedTo, lump.offset, dataEnd), lump.size,
                    order[i].name);
    }
    parts.push_back({"", std::move(directory), {}});
    if (wad != nullptr) {
        const std::int64_t directoryEnd = wad->DirectoryEnd();
        if (directoryEnd < wad->wadSize && layout->Ordered()) {
            parts.push_back(
                {"", SourceRange{wad->WadSource(), directoryEnd, wad->wadSize - directoryEnd}, {}});
        }
    }
    std::vector<std::uint8_t> header;
    if (wad != nullptr) {
        header.assign(wad->magic.begin(), wad->magic.end());
    } else {
        header = {'P', 'W', 'A', 'D'};
    }
    AppendLittleEndian(header, order.size(), 4);
    AppendLittleEndian(header, static_cast<std::uint64_t>(dataEnd), 4);
    parts.front().content = std::move(header);
    WriteParts(output, parts, beforeCommit);
}

}  // namespace echodelve
