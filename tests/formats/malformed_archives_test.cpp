#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "formats/archive_kinds.h"
#include "formats/errors.h"
#include "formats/sound_extractor.h"
#include "support/fixtures.h"
#include "support/recording_hooks.h"

namespace echodelve {
namespace {

// The checked-in malformed archives (tests/formats/malformed, made by its
// make-corpus), each decoded from its file and from the same bytes in memory.
struct Malformed {
    const char* file;
    std::int32_t count;  // sounds listed (within the program's limits)
    bool cut;            // the listing stopped at a limit
    const char* fails;   // a decode that fails: a fragment of why; else null
};

const Malformed kCorpus[] = {
    {"sfx-empty.sfx", 0, false, nullptr},
    {"sfx-riff-only.sfx", 0, false, nullptr},
    {"sfx-length-past-end.sfx", 1, false, nullptr},
    {"sfx-length-top-bit.sfx", 3, false, nullptr},
    {"sfx-zero-length-ends.sfx", 1, false, nullptr},
    {"sfx-second-not-riff.sfx", 2, false, nullptr},
    {"sfx-odd-chunk.sfx", 1, false, nullptr},
    {"sfx-data-one-short.sfx", 1, false, nullptr},
    {"sfx-walk-past-2gib.sfx", 0, false, "past the 2 GiB"},
    {"sfx-walk-stands-still.sfx", 0, false, "more than 1000 sounds"},
    {"wad-empty.wad", 0, true, nullptr},
    {"wad-name-without-dot.wad", 1, false, nullptr},
    {"wad-size-past-end.wad", 1, false, nullptr},
    {"wad-size-top-bit.wad", 2, false, nullptr},
    {"wad-offset-top-bit.wad", 3, true, nullptr},
    {"wad-offset-in-directory.wad", 2, false, nullptr},
    {"wad-name-fills-its-field.wad", 1, false, nullptr},
    {"wad-directory-never-ends.wad", 300, true, nullptr},
};

std::filesystem::path CorpusFile(const char* name) {
    return std::filesystem::path(ECHODELVE_SOURCE_DIR) / "tests/formats/malformed" / name;
}

// What a decode gave: the listing, or why it failed.
struct CorpusListing {
    std::vector<std::tuple<std::string, std::int32_t, std::int64_t>> sounds;
    bool cut = false;
    std::string failure;
};

CorpusListing ListCorpus(ArchiveDecoder& decoder, std::shared_ptr<const ByteSource> source) {
    CorpusListing result;
    try {
        result.cut = decoder.Decode(std::move(source)).cutAtLimit;
        for (std::int32_t n = 1; n <= decoder.Count(); ++n) {
            const SoundEntry& entry = decoder.Entry(n);
            result.sounds.emplace_back(entry.name, entry.offset, entry.size);
        }
    } catch (const ArchiveError& error) {
        result.failure = error.what();
    }
    return result;
}

class MalformedArchiveTest : public ::testing::TestWithParam<Malformed> {};

TEST_P(MalformedArchiveTest, ReadsAlikeFromFileAndMemoryAndNeverPastWhatItHolds) {
    const Malformed& c = GetParam();
    const std::filesystem::path path = CorpusFile(c.file);
    const ArchiveKind kind = *KindFromName(path);
    test::RecordingHooks hooks;
    const auto fromFile = MakeDecoder(kind, hooks);
    const auto inMemory = MakeDecoder(kind, hooks);
    const CorpusListing file = ListCorpus(*fromFile, std::make_shared<FileSource>(path));
    const CorpusListing memory =
        ListCorpus(*inMemory, std::make_shared<MemorySource>(test::ReadBytes(path)));

    EXPECT_EQ(file.sounds, memory.sounds);
    EXPECT_EQ(file.cut, memory.cut);
    if (c.fails != nullptr) {
        EXPECT_NE(file.failure.find(c.fails), std::string::npos) << file.failure;
        EXPECT_NE(memory.failure.find(c.fails), std::string::npos) << memory.failure;
        EXPECT_EQ(fromFile->Count(), 0);  // a failed decode changes nothing
        return;
    }
    ASSERT_EQ(file.failure, "");
    ASSERT_EQ(memory.failure, "");
    EXPECT_EQ(static_cast<std::int32_t>(file.sounds.size()), c.count);
    EXPECT_EQ(file.cut, c.cut);

    // Every sound is described or said to be undescribable, and is copied
    // whole (zeros past the end) or refused, but never anything else.
    for (std::int32_t n = 1; n <= fromFile->Count(); ++n) {
        const SoundEntry& entry = fromFile->Entry(n);
        const DetailsOrProblem details = fromFile->Details(n);
        EXPECT_NE(details.details.has_value(), !details.problem.empty()) << n;
        std::int64_t copied = 0;
        try {
            CopyCataloguedSound(fromFile->Catalogue(), n, [&](std::span<const std::uint8_t> piece) {
                copied += static_cast<std::int64_t>(piece.size());
            });
            EXPECT_EQ(copied, entry.size) << c.file << " sound " << n;
        } catch (const SoundRefused&) {
            const bool impossible =
                entry.size < 0 || entry.offset < 0 ||
                entry.size > static_cast<std::int64_t>(std::filesystem::file_size(path));
            EXPECT_TRUE(impossible) << c.file << " sound " << n;
            EXPECT_EQ(copied, 0);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Corpus, MalformedArchiveTest, ::testing::ValuesIn(kCorpus),
                         [](const ::testing::TestParamInfo<Malformed>& named) {
                             std::string name = named.param.file;
                             for (char& ch : name) {
                                 ch = std::isalnum(static_cast<unsigned char>(ch)) != 0 ? ch : '_';
                             }
                             return name;
                         });

}  // namespace
}  // namespace echodelve
