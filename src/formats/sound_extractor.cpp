#include "sound_extractor.h"

#include <algorithm>
#include <array>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "atomic_file.h"
#include "errors.h"
#include "file_io.h"

namespace echodelve {

namespace {

constexpr std::size_t kChunkBytes = std::size_t{1024} * 1024;

bool StartsWithRiff(ByteReader& archive, std::int64_t offset, std::int64_t size) {
    if (size < 4) {
        return false;
    }
    std::array<std::uint8_t, 4> head{};
    archive.ReadAt(offset, head);
    return head == std::array<std::uint8_t, 4>{'R', 'I', 'F', 'F'};
}

}  // namespace

bool ExtractCataloguedSound(const SoundCatalogue& catalogue, std::int64_t number,
                            const std::filesystem::path& output, UiHooks& ui) {
    const SoundEntry& entry = catalogue.Slot(number);
    if (!catalogue.source) {
        throw ArchiveError("There is no sound " + std::to_string(number) +
                           ": no archive has been opened.");
    }
    const ByteSource& source = *catalogue.source;
    const std::string soundName =
        "Sound " + std::to_string(number) + " of '" + source.Describe() + "'";
    if (entry.size < 0) {
        throw ArchiveError(soundName + " declares a negative size (" + std::to_string(entry.size) +
                           " bytes), so it cannot be extracted.");
    }
    if (entry.offset < 0) {
        throw ArchiveError(soundName + " declares a negative offset (" +
                           std::to_string(entry.offset) + "), so it cannot be extracted.");
    }

    // A sound named like its archive, saved into the archive's folder, would
    // otherwise be renamed over the archive it is still being read from.
    std::error_code ec;
    if (!source.Path().empty() && std::filesystem::equivalent(output, source.Path(), ec)) {
        throw ArchiveError(soundName + " was not written: '" + output.string() +
                           "' is the archive itself.");
    }
    const auto open = [&] {
        std::unique_ptr<ByteReader> reader = source.Open();
        // Bytes past the end are written as zeros, which a truncated last sound
        // needs; but a sound larger than its whole archive cannot be real, and
        // a few hundred bytes of directory could otherwise fill a disk.
        const std::optional<std::int64_t> archiveSize = reader->Size();
        if (archiveSize && entry.size > *archiveSize) {
            throw ArchiveError(soundName + " declares " + std::to_string(entry.size) +
                               " bytes, more than the whole archive holds (" +
                               std::to_string(*archiveSize) + "), so it cannot be extracted.");
        }
        return reader;
    };

    auto archive = open();
    if (!StartsWithRiff(*archive, entry.offset, entry.size)) {
        // The archive is closed while the question waits for the user.
        archive.reset();
        if (!ui.SaveSoundThatIsNotRiff({number, entry, source.Path()})) {
            return false;
        }
        archive = open();
    }

    AtomicFile out(output);
    std::int64_t done = 0;
    if (archive->Handle() != nullptr) {
        done = static_cast<std::int64_t>(CopyInKernel(archive->Handle(), entry.offset, out.Handle(),
                                                      static_cast<std::uint64_t>(entry.size)));
    }
    // What the kernel did not copy: the rest of a short archive (as zeros) or everything.
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
        archive->ReadAt(entry.offset + done, piece);
        out.Write(piece);
        done += static_cast<std::int64_t>(n);
    }
    out.Commit();
    return true;
}

}  // namespace echodelve
