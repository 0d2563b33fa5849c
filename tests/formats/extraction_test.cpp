#include "formats/extraction.h"

#include <gtest/gtest.h>

#include <numeric>
#include <thread>

#include "formats/archive_writers.h"
#include "formats/wad_decoder.h"
#include "support/fixtures.h"
#include "support/recording_hooks.h"
#include "support/temp_dir.h"

namespace echodelve {
namespace {

using test::Bytes;
using test::MakeWav;

// Questions are asked on the thread that runs the extraction, in order.
class ThreadCheckingHooks : public test::RecordingHooks {
  public:
    bool SaveSoundThatIsNotRiff(const SoundQuery& sound) override {
        offThread = offThread || std::this_thread::get_id() != caller;
        return RecordingHooks::SaveSoundThatIsNotRiff(sound);
    }
    std::thread::id caller = std::this_thread::get_id();
    bool offThread = false;
};

class ExtractionRunTest : public ::testing::TestWithParam<std::size_t> {
  protected:
    // Twelve sounds: 4 and 9 are not RIFF, 6 and 7 have the same name.
    void SetUp() override {
        std::vector<PackMember> members;
        for (std::uint8_t n = 1; n <= 12; ++n) {
            Bytes bytes = MakeWav(200 + n, n);
            if (n == 4 || n == 9) {
                bytes[0] = 'X';
            }
            const std::string name = n == 7 ? "s6.wav" : "s" + std::to_string(n) + ".wav";
            members.push_back(PackMember::FromBytes(name, bytes));
            stored.push_back(bytes);
        }
        WriteWadArchive(dir / "a.wad", members);
        wad.DecodeWad(dir / "a.wad");
        numbers.resize(12);
        std::iota(numbers.begin(), numbers.end(), 1);
    }
    std::vector<SoundOutcome::Kind> Run(const std::vector<ExtractionJob>& jobs,
                                        ExtractionSettings settings, std::size_t stopAfter = 99) {
        settings.workers = GetParam();
        std::vector<SoundOutcome::Kind> kinds;
        const std::size_t reported =
            RunExtraction(wad.Catalogue(), jobs, settings, hooks, [&](std::size_t i, auto& o) {
                EXPECT_EQ(i, kinds.size());  // in job order, each once
                kinds.push_back(o.kind);
                return kinds.size() < stopAfter;
            });
        EXPECT_EQ(reported, kinds.size());
        return kinds;
    }

    test::TempDir dir;
    ThreadCheckingHooks hooks;
    wadDecoder wad{hooks};
    std::vector<Bytes> stored;
    std::vector<std::int32_t> numbers;
};

using Kind = SoundOutcome::Kind;

TEST_P(ExtractionRunTest, WritesEverySoundAndAsksOnTheCallingThreadInOrder) {
    hooks.answers = {true, false};  // 4 written, 9 declined
    const auto jobs = PlanExtraction(wad.Catalogue(), numbers, dir / "out", std::nullopt);
    EXPECT_EQ(jobs[6].target, dir / "out" / "s6 (2).wav");
    std::filesystem::create_directory(dir / "out");
    const auto kinds = Run(jobs, {});
    std::vector<Kind> expected(12, Kind::Written);
    expected[8] = Kind::Declined;
    EXPECT_EQ(kinds, expected);
    ASSERT_EQ(hooks.questions.size(), 2U);
    EXPECT_EQ(hooks.questions[0].number, 4);
    EXPECT_EQ(hooks.questions[1].number, 9);
    EXPECT_FALSE(hooks.offThread);
    for (std::size_t i = 0; i < 12; ++i) {
        if (i != 8) {
            EXPECT_EQ(test::ReadBytes(jobs[i].target), stored[i]) << i;
        }
    }
    EXPECT_EQ(test::FileNames(dir / "out").size(), 11U);
}

TEST_P(ExtractionRunTest, KeepsWhatIsThereAndEndsWhereItIsTold) {
    std::filesystem::create_directories(dir / "out" / "s3.wav");  // a folder: that write fails
    test::WriteBytes(dir / "out" / "s2.wav", {1});
    const auto jobs = PlanExtraction(wad.Catalogue(), numbers, dir / "out", std::nullopt);
    hooks.answers = {false, false};

    ExtractionSettings keep;
    keep.keepExisting = true;
    const auto kept = Run(jobs, keep);
    EXPECT_EQ(kept[1], Kind::Kept);
    EXPECT_EQ(kept[2], Kind::Kept);
    EXPECT_EQ(test::ReadBytes(dir / "out" / "s2.wav"), Bytes{1});

    // Without keeping: the folder fails, the run goes on unless told to stop there.
    EXPECT_EQ(Run(jobs, {}).size(), 12U);
    EXPECT_EQ(Run(jobs, {}, 5).size(), 5U);
    ExtractionSettings stop;
    stop.stopAtFailure = true;
    const auto stopped = Run(jobs, stop);
    ASSERT_EQ(stopped.size(), 3U);
    EXPECT_EQ(stopped[2], Kind::Failed);
}

TEST_P(ExtractionRunTest, ConvertsUnderTheTargetsExtension) {
    const std::vector<std::int32_t> one{5};
    const auto jobs = PlanExtraction(wad.Catalogue(), one, dir / "c", ConvertTo::Flac);
    ASSERT_EQ(jobs.size(), 1U);
    EXPECT_EQ(jobs[0].target, dir / "c" / "s5.flac");
}

INSTANTIATE_TEST_SUITE_P(Workers, ExtractionRunTest, ::testing::Values(1U, 2U, 8U));

}  // namespace
}  // namespace echodelve
