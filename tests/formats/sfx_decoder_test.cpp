#include "formats/sfx_decoder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <ranges>

#include "formats/errors.h"
#include "support/fixtures.h"
#include "support/recording_hooks.h"
#include "support/temp_dir.h"

namespace echodelve::sfx_decoder_tests {
namespace {

using test::Bytes;
using test::MakeWav;

using test::Join;

// A tag and a length field holding `length`: an entry as the walk reads it.
Bytes Entry(std::uint32_t length, const char* tag = "RIFF") {
    return Join({Bytes(tag, tag + 4), test::Le32(length)});
}

// `count` entries of 12 bytes.
Bytes Many(int count) {
    Bytes all;
    for (int i = 0; i < count; ++i) {
        all = Join({all, Entry(4), {'W', 'A', 'V', 'E'}});
    }
    return all;
}

class SfxDecoderTest : public ::testing::Test {
  protected:
    // A good archive of two sounds, which a failed decode must leave as it is.
    void DecodeGood() {
        good = std::make_shared<MemorySource>(Join({MakeWav(100, 1), MakeWav(60, 2)}));
        decoder.Decode(good);
    }
    void ExpectStillGood() {
        EXPECT_EQ(decoder.Catalogue().source, good);
        ASSERT_EQ(decoder.GetSfxCount(), 2);
        EXPECT_EQ(decoder.Entry(2).offset, 100);
        EXPECT_EQ(decoder.GetSfxSize(2), 60);
    }

    // Ends a walk that would go round for ever.
    struct Hooks : test::RecordingHooks {
        void PumpEvents() override {
            if (++pumps > 2000) {
                throw std::runtime_error("the walk goes round for ever");
            }
        }
    };

    std::shared_ptr<const ByteSource> good;
    Hooks hooks;
    SfxDecoder decoder{hooks};
};

struct Walk {
    const char* what;
    Bytes bytes;
    bool limits;
    std::int32_t count;   // sounds listed
    std::int32_t offset;  // the last one's
    std::int64_t size;
    const char* fails;  // a fragment of the failure, or null
};

// clang-format off
const Walk kWalks[] = {
    {"empty", {}, true, 0, 0, 0, nullptr},
    {"two", Join({MakeWav(1000, 1), MakeWav(3000, 2)}), true, 2, 1000, 3000, nullptr},
    {"the tag is not read", Entry(2076, "JUNK"), true, 1, 0, 2084, nullptr},
    {"zeros end the run", Join({MakeWav(100), Entry(0), MakeWav(200)}), true, 1, 0, 100, nullptr},
    {"only four zero bytes end it", Entry(0x10000), true, 1, 0, 65544, nullptr},
    {"trailing bytes", Join({MakeWav(100), {1, 2, 3, 4, 10, 0, 0, 0}}), true, 2, 100, 18, nullptr},
    {"1000 sounds", Many(1000), true, 1000, 999 * 12, 12, nullptr},
    {"1001 sounds", Many(1001), true, 0, 0, 0, "holds more than 1000 sounds"},
    {"1001 sounds, no limits", Many(1001), false, 1001, 1000 * 12, 12, nullptr},
    // The next length field at 2^31 - 1 is still read; at 2^31 it cannot be.
    {"next field at 2^31 - 1", Entry(0x7FFFFFF3), true, 1, 0, 0x7FFFFFFB, nullptr},
    {"next field at 2^31", Entry(0x7FFFFFF4), true, 0, 0, 0, "past the 2 GiB"},
    {"a sound of 2^31", Entry(0x7FFFFFF8), true, 0, 0, 0, "past the 2 GiB"},
    // Size -4: the next field is the archive's first four bytes, "RIFF" as a number.
    {"back to the first byte", Entry(0xFFFFFFF4), true, 2, -4, 0x46464952 + 8, nullptr},
    {"back before it", Entry(0xFFFFFFF3), true, 0, 0, 0, "before the start of the archive"},
    {"standing still", Entry(0xFFFFFFF8), true, 0, 0, 0, "holds more than 1000 sounds"},
    {"standing still, no limits", Entry(0xFFFFFFF8), false, 0, 0, 0, "keeps the walk where it is"},
    {"back, no limits", Entry(0xFFFFFFF4), false, 0, 0, 0, "points back to an earlier sound"},
    {"round in two, no limits", Join({Entry(8), Bytes(8), Entry(0xFFFFFFE8)}), false, 0, 0, 0,
     "points back"},
    // Size 1 moves on: the next field is bytes 5 to 8, FF FF FF and a zero past the end.
    {"a step of one byte, no limits", Entry(0xFFFFFFF9), false, 2, 1, 0xFFFFFF + 8, nullptr}};
// clang-format on

TEST_F(SfxDecoderTest, TheWalkGoesFromOneLengthFieldToTheNextWithinSigned32Bits) {
    for (const Walk& walk : kWalks) {
        SCOPED_TRACE(walk.what);
        DecodeGood();
        hooks.pumps = 0;
        decoder.SetLimits(walk.limits);
        try {
            decoder.Decode(std::make_shared<MemorySource>(walk.bytes));
            EXPECT_EQ(walk.fails, nullptr);
            ASSERT_EQ(decoder.GetSfxCount(), walk.count);
            EXPECT_EQ(hooks.pumps, walk.count);
            if (walk.count < 2) {
                EXPECT_EQ(decoder.GetSfxName(2), "");  // nothing left of the good archive
            }
            if (walk.count > 0) {
                EXPECT_EQ(decoder.Entry(walk.count).offset, walk.offset);
                EXPECT_EQ(decoder.GetSfxSize(walk.count), walk.size);
            }
        } catch (const ArchiveError& error) {
            ASSERT_NE(walk.fails, nullptr) << error.what();
            EXPECT_NE(std::string(error.what()).find(walk.fails), std::string::npos)
                << error.what();
            EXPECT_EQ(dynamic_cast<const SoundLimitReached*>(&error) != nullptr,
                      std::string(walk.fails) == "holds more than 1000 sounds");
            ExpectStillGood();
        }
    }
}

TEST_F(SfxDecoderTest, WhatIsNoFileFailsAtOnceNamingItAndChangesNothing) {
    test::TempDir dir;
    const auto fifo = dir / "pipe.sfx";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);  // with no writer: opening it must not wait
    const std::pair<std::filesystem::path, std::string> cases[] = {
        {dir / "missing.sfx", "' does not exist"},
        {dir.path(), "': it is a folder"},
        {fifo, "': it is a device, pipe or socket"},
        {"/dev/zero", "': it is a device"}};
    for (const auto& [path, what] : cases) {
        DecodeGood();
        try {
            decoder.DecodeSfx(path);
            ADD_FAILURE() << path << " must not decode";
        } catch (const ArchiveError& error) {
            EXPECT_NE(std::string(error.what()).find(path.string() + what), std::string::npos)
                << error.what();
        }
        ExpectStillGood();
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "missing.sfx"));
    test::WriteBytes(dir / "a.sfx", Join({MakeWav(100, 1), MakeWav(60, 2)}));
    decoder.DecodeSfx(dir / "a.sfx");
    EXPECT_EQ(decoder.Catalogue().ArchivePath(), dir / "a.sfx");
    EXPECT_EQ(decoder.GetSfxSize(2), 60);
}

TEST(SfxSoundNameTest, SoundsAreNamedByNumberPaddedToThreeDigits) {
    // clang-format off
    const std::pair<std::int32_t, const char*> cases[] = {
        {1, "edsnd001.wav"}, {9, "edsnd009.wav"}, {10, "edsnd010.wav"}, {99, "edsnd099.wav"},
        {100, "edsnd100.wav"}, {999, "edsnd999.wav"}, {1000, "edsnd1000.wav"}};
    // clang-format on
    for (const auto& [number, name] : cases) {
        EXPECT_EQ(SfxSoundName(number), name);
    }
    test::RecordingHooks hooks;
    SfxDecoder decoder{hooks};
    decoder.Decode(std::make_shared<MemorySource>(MakeWav(100)));
    EXPECT_EQ(decoder.GetSfxName(1), "edsnd001.wav");
    EXPECT_EQ(decoder.GetSfxSize(1000), 0);  // the slots are numbered 1 to 1000
    for (const std::int64_t outside : {-1, 0, 1001}) {
        EXPECT_THROW(decoder.GetSfxSize(outside), ArchiveError) << outside;
    }
}

}  // namespace
}  // namespace echodelve::sfx_decoder_tests
