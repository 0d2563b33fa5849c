#include "sound_extractor.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "atomic_file.h"
#include "errors.h"
#include "file_io.h"
#include "riff.h"
#include "sound_encoder.h"
#include "sound_stream.h"
#include "xiph_loop.h"

#include <sndfile.h>

namespace echodelve {

namespace {

constexpr std::size_t kChunkBytes = std::size_t{1024} * 1024;

bool StartsWithRiff(ByteReader& archive, std::int64_t offset, std::int64_t size) {
    if (size < static_cast<std::int64_t>(riff::kTagBytes)) {
        return false;
    }
    riff::Tag head{};
    archive.ReadAt(offset, head);
    return head == riff::kRiff;
}

// What every way of writing a sound out checks first: a sound that can be
// written, to a file that is not the archive. Opens the archive for the step.
class SoundToWrite {
  public:
    SoundToWrite(const SoundCatalogue& catalogue, std::int64_t number,
                 const std::filesystem::path& output);
    const SoundEntry& entry;
    const ByteSource& source;
    std::optional<std::int64_t> decodedSize;  // the archive's, when it was decoded
    std::string name;                         // "Sound N of 'archive'", for messages
    // The archive, opened; a sound larger than all of it is refused here,
    // and one the archive no longer holds whole (RefuseCutShort).
    std::unique_ptr<ByteReader> Open() const;
    void RefuseLargerThan(const ByteReader& archive) const;
    // Fails when the archive is now shorter than when it was decoded and
    // the sound reaches past its new end: the zeros read there would stand
    // for bytes that were there. Checked before and again after a copy.
    void RefuseCutShort(const ByteReader& archive) const;

  private:
    static const ByteSource& SourceOf(const SoundCatalogue& catalogue, std::int64_t number);
};

const ByteSource& SoundToWrite::SourceOf(const SoundCatalogue& catalogue, std::int64_t number) {
    if (!catalogue.source) {
        throw ArchiveError("There is no sound " + std::to_string(number) +
                           ": no archive has been opened.");
    }
    return *catalogue.source;
}

SoundToWrite::SoundToWrite(const SoundCatalogue& catalogue, std::int64_t number,
                           const std::filesystem::path& output)
    : entry(catalogue.Slot(number)),
      source(SourceOf(catalogue, number)),
      decodedSize(catalogue.archiveSize),
      name("Sound " + std::to_string(number) + " of '" + source.Describe() + "'") {
    const std::string& soundName = name;
    if (entry.size < 0) {
        throw SoundRefused(soundName + " declares a negative size (" + std::to_string(entry.size) +
                           " bytes), so it cannot be extracted.");
    }
    if (entry.offset < 0) {
        throw SoundRefused(soundName + " declares a negative offset (" +
                           std::to_string(entry.offset) + "), so it cannot be extracted.");
    }

    // A sound named like its archive, saved into the archive's folder, would
    // otherwise be renamed over the archive it is still being read from.
    std::error_code ec;
    if (!output.empty() && !source.Path().empty() &&
        std::filesystem::equivalent(output, source.Path(), ec)) {
        throw ArchiveError(soundName + " was not written: '" + output.string() +
                           "' is the archive itself.");
    }
}

std::unique_ptr<ByteReader> SoundToWrite::Open() const {
    std::unique_ptr<ByteReader> reader = source.Open();
    RefuseLargerThan(*reader);
    RefuseCutShort(*reader);
    return reader;
}

void SoundToWrite::RefuseCutShort(const ByteReader& archive) const {
    const std::optional<std::int64_t> now = archive.Size();
    if (decodedSize && !now) {
        // Read as empty it would pass for a sound that is not RIFF, or for zeros.
        throw ArchiveError(name + " cannot be read: the archive is no longer there.");
    }
    if (!decodedSize || !now || *now >= *decodedSize || entry.offset + entry.size <= *now) {
        return;
    }
    throw ArchiveError(name + " cannot be read whole: the archive has become shorter since it " +
                       "was opened (" + std::to_string(*now) + " bytes, " +
                       std::to_string(*decodedSize) + " then).");
}

void SoundToWrite::RefuseLargerThan(const ByteReader& archive) const {
    // Bytes past the end are written as zeros, which a truncated last sound
    // needs; but a sound larger than its whole archive cannot be real, and a
    // few hundred bytes of directory could otherwise fill a disk.
    const std::optional<std::int64_t> archiveSize = archive.Size();
    if (archiveSize && entry.size > *archiveSize) {
        throw SoundRefused(name + " declares " + std::to_string(entry.size) +
                           " bytes, more than the whole archive holds (" +
                           std::to_string(*archiveSize) + "), so it cannot be extracted.");
    }
}

// Hands bytes `done` onwards of a sound to `sink` through a bounded buffer.
void CopyInPieces(ByteReader& archive, const SoundEntry& entry, std::int64_t done,
                  const std::string& soundName,
                  const std::function<void(std::span<const std::uint8_t>)>& sink) {
    const auto chunkSize = static_cast<std::size_t>(
        std::min<std::int64_t>(entry.size - done, static_cast<std::int64_t>(kChunkBytes)));
    std::vector<std::uint8_t> chunk;
    try {
        chunk.resize(chunkSize);
    } catch (const std::bad_alloc&) {
        throw ArchiveError("Not enough memory to extract " + soundName + ".");
    }
    while (done < entry.size) {
        const auto n = static_cast<std::size_t>(
            std::min<std::int64_t>(entry.size - done, static_cast<std::int64_t>(chunkSize)));
        const std::span<std::uint8_t> piece(chunk.data(), n);
        archive.ReadAt(entry.offset + done, piece);
        sink(piece);
        done += static_cast<std::int64_t>(n);
    }
}

}  // namespace

void CopyCataloguedSound(const SoundCatalogue& catalogue, std::int64_t number,
                         const std::function<void(std::span<const std::uint8_t>)>& sink) {
    const SoundToWrite sound(catalogue, number, {});
    const auto archive = sound.Open();
    CopyInPieces(*archive, sound.entry, 0, sound.name, sink);
    sound.RefuseCutShort(*archive);
}

bool ExtractCataloguedSound(const SoundCatalogue& catalogue, std::int64_t number,
                            const std::filesystem::path& output, UiHooks& ui, ByteReader* opened) {
    const SoundToWrite sound(catalogue, number, output);
    const SoundEntry& entry = sound.entry;
    const std::string& soundName = sound.name;
    std::unique_ptr<ByteReader> owned = opened != nullptr ? nullptr : sound.Open();
    if (opened != nullptr) {
        sound.RefuseLargerThan(*opened);
        sound.RefuseCutShort(*opened);
    }
    if (!StartsWithRiff(opened != nullptr ? *opened : *owned, entry.offset, entry.size)) {
        owned.reset();  // an archive opened here is closed while the question waits
        if (!ui.SaveSoundThatIsNotRiff({number, entry, sound.source.Path()})) {
            return false;
        }
        if (opened == nullptr) {
            owned = sound.Open();
        }
    }
    ByteReader* archive = opened != nullptr ? opened : owned.get();

    AtomicFile out(output);
    std::int64_t done = 0;
    if (archive->Handle() != nullptr) {
        done = static_cast<std::int64_t>(CopyInKernel(archive->Handle(), entry.offset, out.Handle(),
                                                      static_cast<std::uint64_t>(entry.size)));
    }
    // What the kernel did not copy: the rest of a short archive (as zeros) or everything.
    CopyInPieces(*archive, entry, done, soundName,
                 [&out](std::span<const std::uint8_t> piece) { out.Write(piece); });
    sound.RefuseCutShort(*archive);  // cut while it was copied: the file is not kept
    out.Commit();
    return true;
}

std::string ConvertedExtension(ConvertTo to) {
    switch (to) {
        case ConvertTo::Pcm16Wav:
            return ".wav";
        case ConvertTo::Flac:
            return ".flac";
        case ConvertTo::OggVorbis:
            return ".ogg";
    }
    return ".wav";
}

namespace {

// A sound made ready to be encoded anew: checked as extraction checks it,
// opened by the decoder, and the format of its target.
class SoundConversion {
  public:
    SoundConversion(const SoundCatalogue& catalogue, std::int64_t number,
                    const std::filesystem::path& output, ConvertTo to)
        : sound_(catalogue, number, output), archive_(sound_.Open()) {
        try {
            stream_ =
                SoundStream::OpenRange(catalogue.source, sound_.entry.offset, sound_.entry.size);
        } catch (const UndecodableSound& error) {
            throw UndecodableSound(sound_.name, error.Reason());
        }
        info_.samplerate = stream_->SampleRate();
        info_.channels = stream_->Channels();
        info_.format = to == ConvertTo::Flac        ? SF_FORMAT_FLAC | SF_FORMAT_PCM_16
                       : to == ConvertTo::OggVorbis ? SF_FORMAT_OGG | SF_FORMAT_VORBIS
                                                    : SF_FORMAT_WAV | SF_FORMAT_PCM_16;
        if (sf_format_check(&info_) == 0) {
            throw UndecodableSound(sound_.name,
                                   "it has " + std::to_string(info_.channels) + " channels at " +
                                       std::to_string(info_.samplerate) + " Hz, which " +
                                       ConvertedExtension(to).substr(1) + " cannot hold");
        }
    }

    // The whole encoded file, its loop kept where the sound has one (as a
    // "smpl" chunk in WAV, LOOPSTART and LOOPLENGTH comments in FLAC and
    // Ogg Vorbis). Throws ArchiveError naming `target` when encoding fails,
    // and as extraction does when the archive was cut short meanwhile.
    std::vector<std::uint8_t> Encode(const std::string& target) {
        const std::optional<SoundLoop> loop = stream_->Loop();
        std::vector<std::uint8_t> bytes;
        if ((info_.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_OGG) {
            try {
                bytes = xiph::EncodeVorbis(*stream_, loop);
            } catch (const ArchiveError& error) {
                throw ArchiveError("Could not write '" + target + "': " + error.what());
            }
        } else {
            bytes = EncodeFrames(
                info_.format, info_.samplerate, info_.channels, loop,
                [this](std::span<float> out) { return stream_->ReadFrames(out); }, target);
            if (loop && (info_.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_FLAC) {
                bytes = xiph::AddFlacLoop(std::move(bytes), *loop);
            }
        }
        sound_.RefuseCutShort(*archive_);
        return bytes;
    }

  private:
    SoundToWrite sound_;
    std::unique_ptr<ByteReader> archive_;
    std::unique_ptr<SoundStream> stream_;
    SF_INFO info_{};
};

}  // namespace

void ConvertCataloguedSound(const SoundCatalogue& catalogue, std::int64_t number,
                            const std::filesystem::path& output, ConvertTo to) {
    SoundConversion conversion(catalogue, number, output, to);
    // Encoded in memory first: the FLAC and Ogg comments go in once the
    // encoders are done, and a WAV's header holds sizes known only at the end.
    const std::vector<std::uint8_t> encoded = conversion.Encode(output.string());
    AtomicFile out(output);
    out.Write(encoded);
    out.Commit();
}

void ConvertCataloguedSound(const SoundCatalogue& catalogue, std::int64_t number, ConvertTo to,
                            const std::function<void(std::span<const std::uint8_t>)>& sink) {
    SoundConversion conversion(catalogue, number, {}, to);
    sink(conversion.Encode("standard output"));
}

}  // namespace echodelve
