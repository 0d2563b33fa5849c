// Decodes arbitrary bytes as an SFX, WAD or Doom WAD archive (by the first byte) and
// extracts every catalogued sound into a scratch folder under its save-all
// name. Each written file must hold exactly the bytes its entry points at (zeros past
// its end); nothing may appear outside the scratch folder, and the sentinel
// file beside it must never change.
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

#include "formats/archive_decoder.h"
#include "formats/errors.h"
#include "formats/output_names.h"
#include "fuzz_scratch.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

// Sounds declared larger are skipped: they would only write zeros for longer.
constexpr std::int64_t kMaxSoundBytes = 1 << 20;
const Bytes kSentinel = {'k', 'e', 'e', 'p', ' ', 'm', 'e'};

Bytes ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace echodelve;
    if (size == 0) {
        return 0;
    }
    static fuzz::FuzzHooks hooks;
    const fs::path root = fuzz::ScratchRoot();
    const fs::path scratch = root / "out";
    const fs::path sentinel = root / "sentinel";
    static const bool prepared = [&] {
        std::ofstream(sentinel, std::ios::binary)
            .write(reinterpret_cast<const char*>(kSentinel.data()),
                   static_cast<std::streamsize>(kSentinel.size()));
        return true;
    }();
    (void)prepared;
    fs::remove_all(scratch);
    fs::create_directory(scratch);

    const fuzz::FuzzArchive input = fuzz::DecodeInput(data, size, hooks);
    const std::unique_ptr<ArchiveDecoder>& decoder = input.decoder;
    const SoundCatalogue& catalogue = decoder->Catalogue();

    SaveAllNames names;
    for (std::int32_t i = 1; i <= catalogue.count; ++i) {
        const SoundEntry& entry = catalogue.Slot(i);
        if (entry.size > kMaxSoundBytes) {
            continue;
        }
        const std::string name = names.Claim(entry.name, i);
        fuzz::Require(name.find('/') == std::string::npos && name != "." && name != "..", __LINE__);
        const fs::path target = scratch / name;
        bool written = false;
        try {
            written = decoder->Extract(target, i);
        } catch (const ArchiveError&) {
            std::error_code ec;  // a name the file system refuses makes exists() fail too
            fuzz::Require(entry.size < 0 || entry.offset < 0 || !fs::exists(target, ec), __LINE__);
            continue;
        }
        std::error_code ec;
        fuzz::Require(written == fs::is_regular_file(target, ec), __LINE__);
        if (written) {
            Bytes expected(static_cast<std::size_t>(entry.size));
            catalogue.source->ReadAt(entry.offset, expected);  // a Doom WAD's: its sounds as WAVs
            fuzz::Require(ReadAll(target) == expected, __LINE__);
        }
    }
    // Only regular files, directly in the scratch folder; nothing beside it.
    for (const auto& file : fs::directory_iterator(scratch)) {
        fuzz::Require(file.is_regular_file() && !file.is_symlink(), __LINE__);
    }
    for (const auto& file : fs::directory_iterator(root)) {
        const auto leaf = file.path().filename();
        fuzz::Require(leaf == "out" || leaf == "sentinel", __LINE__);
    }
    fuzz::Require(ReadAll(sentinel) == kSentinel, __LINE__);
    return 0;
}
