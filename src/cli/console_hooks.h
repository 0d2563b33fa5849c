#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "cli/cli.h"
#include "formats/archive_decoder.h"
#include "formats/ui_hooks.h"

namespace echodelve::cli {

// How the question about a sound that does not begin with "RIFF" is
// answered: by --yes, by --no, or by asking on the terminal (and skipping
// when there is none to ask on).
enum class AnswerPolicy { Yes, No, Ask };

// The archive library's user interface on a terminal: the question follows
// the policy, and there are no events to pump.
class ConsoleHooks : public UiHooks {
  public:
    // What it says of a sound it skips is said as `command`'s.
    ConsoleHooks(Console& console, AnswerPolicy policy, std::string_view command = "extract")
        : console_(console), policy_(policy), command_(command) {}

    void PumpEvents() override {}
    bool SaveSoundThatIsNotRiff(const SoundQuery& sound) override;

  private:
    Console& console_;
    AnswerPolicy policy_;
    std::string_view command_;
};

// A decoded archive, and what the command reports about it.
struct OpenedArchive {
    std::unique_ptr<ArchiveDecoder> decoder;
    bool cutAtLimit = false;  // said on stderr already; the command then fails
    std::int64_t size = 0;    // the archive's bytes
    // With salvage, per sound from 1: whether only the salvage found it.
    std::vector<bool> salvaged;
    // With salvage, why the archive cannot be read as it stands (empty when it can).
    std::string broken;
    bool Salvaged(std::int32_t number) const {
        return static_cast<std::size_t>(number) <= salvaged.size() &&
               salvaged[static_cast<std::size_t>(number - 1)];
    }
};

// Decodes the archive with the decoder of its kind, within the program's
// limits unless `limits` is false. On the command line a missing archive is a
// mistake rather than an empty WAD; a directory cut short is reported on
// stderr. Throws ArchiveError as the decoders do. With `salvage`, the
// archive is then read again past any break (see Salvage), also where the
// plain decode failed.
OpenedArchive DecodeArchive(UiHooks& hooks, Console& console, std::string_view command,
                            ArchiveKind kind, const std::filesystem::path& archive,
                            bool limits = true, bool salvage = false);

// "sound 3 'door.wav'", for messages about one sound; control characters in
// the name written as \xNN, so a message stays on its line.
std::string DescribeSound(std::int64_t number, const std::string& name);

}  // namespace echodelve::cli
