#include "console_hooks.h"

#include <istream>
#include <limits>
#include <ostream>
#include <system_error>

#include "cli/cli_options.h"
#include "cli/escaping.h"
#include "formats/archive_kinds.h"
#include "formats/errors.h"
#include "formats/salvage.h"
#include "formats/sound_catalogue.h"

namespace echodelve::cli {

bool ConsoleHooks::SaveSoundThatIsNotRiff(const SoundQuery& sound) {
    const std::string about = DescribeSound(sound.number, sound.entry.name);
    bool yes = policy_ == AnswerPolicy::Yes;
    if (policy_ == AnswerPolicy::Ask && console_.inIsTerminal) {
        console_.err << about
                     << " does not begin with \"RIFF\" and may not play; write it anyway? [y/N] "
                     << std::flush;
        std::string answer;
        std::getline(console_.in, answer);
        yes = answer == "y" || answer == "Y" || answer == "yes" || answer == "Yes";
    }
    if (!yes) {
        Say(console_, command_,
            about + " was skipped: it does not begin with \"RIFF\"" +
                (policy_ == AnswerPolicy::Yes ? "" : " (--yes writes it anyway)"));
    }
    return yes;
}

OpenedArchive DecodeArchive(UiHooks& hooks, Console& console, std::string_view command,
                            ArchiveKind kind, const std::filesystem::path& archive, bool limits,
                            bool salvage) {
    RefuseMissingArchive(archive);
    OpenedArchive opened{MakeDecoder(kind, hooks), false, 0, {}, {}};
    opened.decoder->SetLimits(limits);
    bool decoded = false;
    try {
        opened.cutAtLimit = opened.decoder->Decode(archive).cutAtLimit;
        decoded = true;
    } catch (const SoundLimitReached& reached) {
        throw SoundLimitReached(std::string(reached.what()) + " --no-limits reads them all.");
    } catch (const ArchiveError& error) {
        if (!salvage) {
            throw;
        }
        opened.broken = error.what();
    }
    if (salvage) {
        SalvagedCatalogue found =
            Salvage(kind, std::make_shared<FileSource>(archive),
                    decoded ? &opened.decoder->Catalogue() : nullptr,
                    limits ? kCatalogueSlots : std::numeric_limits<std::int32_t>::max());
        if (!decoded && found.catalogue.count == 0) {
            throw ArchiveError(opened.broken + " Salvage found no sound either.");
        }
        opened.decoder->Adopt(std::move(found.catalogue));
        opened.salvaged = std::move(found.salvaged);
        if (!decoded) {
            Say(console, command, opened.broken + " The sounds salvage found are listed.");
        }
    }
    if (opened.cutAtLimit) {
        Say(console, command,
            "the directory of '" + archive.string() +
                (limits ? "' runs past the program's limit (" + Describe(kind).limit +
                              ", or the archive is damaged; --no-limits reads on)"
                        : std::string("' does not end before the archive does (it is damaged)")) +
                "; only the " + std::to_string(opened.decoder->Count()) +
                " sounds found before that are listed");
    }
    opened.size = opened.decoder->Catalogue().source->Open()->Size().value_or(0);
    return opened;
}

std::string DescribeSound(std::int64_t number, const std::string& name) {
    return "sound " + std::to_string(number) + " '" + EscapeControls(name) + "'";
}

}  // namespace echodelve::cli
