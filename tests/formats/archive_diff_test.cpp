#include "formats/archive_diff.h"

#include <gtest/gtest.h>

#include <random>

#include "formats/archive_kinds.h"
#include "support/fixtures.h"
#include "support/recording_hooks.h"

namespace echodelve {
namespace {

using test::Bytes;
using test::MakeWav;

// An archive in memory of sounds named by a letter, each letter's bytes its own.
std::unique_ptr<ArchiveDecoder> Archive(ArchiveKind kind, const std::string& letters,
                                        test::RecordingHooks& hooks,
                                        const std::string& names = "") {
    std::vector<PackMember> members;
    for (std::size_t i = 0; i < letters.size(); ++i) {
        const char name = names.empty() ? letters[i] : names[i];
        members.push_back(PackMember::FromBytes(std::string(1, name) + ".wav",
                                                MakeWav(60 + static_cast<std::size_t>(letters[i]),
                                                        static_cast<std::uint8_t>(letters[i]))));
    }
    const auto path = std::filesystem::temp_directory_path() /
                      ("echodelve-diff-" + std::to_string(std::random_device{}()));
    Describe(kind).write(path, members, {}, nullptr);
    auto decoder = MakeDecoder(kind, hooks);
    decoder->Decode(std::make_shared<MemorySource>(test::ReadBytes(path)));
    std::filesystem::remove(path);
    return decoder;
}

// The difference in one line: "+name@b -name@a ~name@a/b >from/to m:name@a/b".
std::string Line(const ArchiveDifference& d) {
    std::string line;
    for (const auto& s : d.added) {
        line += "+" + s.name + "@" + std::to_string(s.b) + " ";
    }
    for (const auto& s : d.removed) {
        line += "-" + s.name + "@" + std::to_string(s.a) + " ";
    }
    for (const auto& s : d.changed) {
        line += "~" + s.name + "@" + std::to_string(s.a) + "/" + std::to_string(s.b) + " ";
    }
    for (const auto& r : d.renamed) {
        line += ">" + r.from + "/" + r.to + " ";
    }
    for (const auto& s : d.moved) {
        line += "m:" + s.name + "@" + std::to_string(s.a) + "/" + std::to_string(s.b) + " ";
    }
    return line;
}

TEST(ArchiveDiffTest, EachKindOfDifferenceIsToldAndNothingElse) {
    test::RecordingHooks hooks;
    const auto W = ArchiveKind::Wad;
    const auto S = ArchiveKind::Sfx;
    const struct {
        const char* label;
        ArchiveKind kindA;
        std::string a;
        ArchiveKind kindB;
        std::string b;
        std::string namesB;  // B's names where they differ from its letters
        std::string line;
    } cases[] = {
        {"the same", W, "abc", W, "abc", "", ""},
        {"added at the end", W, "abc", W, "abcd", "", "+d.wav@4 "},
        {"removed first: the rest renumbered, not moved", W, "abcd", W, "bcd", "", "-a.wav@1 "},
        {"changed bytes under a name", W, "abc", W, "axc", "abc", "~b.wav@2/2 "},
        {"renamed", W, "abc", W, "abc", "abz", ">c.wav/z.wav "},
        {"moved", W, "abcd", W, "bcad", "", "m:a.wav@1/3 "},
        {"an SFX against a WAD of the same sounds", S, "abc", W, "abc", "", ""},
        {"an SFX against an SFX, one inserted", S, "abc", S, "axbc", "", "+edsnd002.wav@2 "},
        {"an SFX, one changed in place", S, "abc", S, "axc", "", "~edsnd002.wav@2/2 "},
        {"no names to rename by across kinds", S, "ab", W, "ab", "xy", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const auto a = Archive(c.kindA, c.a, hooks);
        const auto b = Archive(c.kindB, c.b, hooks, c.namesB);
        const ArchiveDifference difference = CompareArchives(*a, *b);
        EXPECT_EQ(Line(difference), c.line);
        EXPECT_EQ(difference.Same(), c.line.empty());
    }
}

}  // namespace
}  // namespace echodelve
