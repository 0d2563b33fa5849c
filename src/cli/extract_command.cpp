#include <array>
#include <charconv>
#include <ostream>
#include <sstream>
#include <system_error>
#include <vector>

#include "cli/cli_commands.h"
#include "cli/cli_options.h"
#include "cli/console_hooks.h"
#include "cli/escaping.h"
#include "cli/selection.h"
#include "formats/archive_check.h"
#include "formats/archive_kinds.h"
#include "formats/errors.h"
#include "formats/extraction.h"
#include "formats/library_chatter.h"
#include "formats/sound_extractor.h"

namespace echodelve::cli {

const std::string kExtractHelp =
    "Usage: echodelve-cli extract [OPTIONS] [-o FOLDER] ARCHIVE [SOUND...]\n"
    "       echodelve-cli extract [OPTIONS] --stdout ARCHIVE [SOUND...]\n"
    "Writes the chosen sounds (all when none are given) into FOLDER, made if\n"
    "missing (without -o, a new folder named after the archive in the current\n"
    "one, which must not hold anything yet), each under its name in the archive.\n"
    "Characters that cannot stand in a file name become \"_\"; a name written\n"
    "twice in one run gets \" (2)\", \" (3)\"...\n"
    "Files already in FOLDER under those names are replaced, unless -n is given;\n"
    "one you may not change is left as it is and reported.\n"
    "A SOUND is a number (7), a range (5-9) or a pattern matched against the\n"
    "names like a shell glob, ignoring case ('door*', '*.wav').\n"
    "A Doom WAD's sounds are written as 8-bit mono WAV files at their rate,\n"
    "without the 16 samples of padding at each end that the game does not play\n"
    "(a sound shorter than 49 samples, which the game does not play at all, whole).\n"
    "\n"
    "  -o, --output=FOLDER  where the sounds are written (-o . the current folder)\n"
    "  -p, --stdout         write the sounds' bytes (with --to, their converted\n"
    "                       files) to standard output instead (refused when it\n"
    "                       is a terminal)\n"
    "  -n, --no-overwrite   keep files already in FOLDER, saying which\n"
    "  -j, --jobs=N         write N files at once (default: one per core); messages\n"
    "                       and names stay as in a run of one\n"
    "  -q, --quiet          say nothing but failures\n"
    "  -v, --verbose        name each file as it is written, and pass on what the\n"
    "                       decoding libraries say of the sounds\n" +
    NoLimitsHelp(23, "read") + KindHelp(23, "the archive's kind") +
    HelpEntry("--salvage", 23,
              "read a damaged archive past where it breaks, finding the sounds by their "
              "headers (see list --help)") +
    "  --yes                write sounds that do not begin with \"RIFF\" without asking\n"
    "  --no                 skip them without asking\n"
    "                       (neither: ask on a terminal, otherwise skip)\n"
    "  --to=pcm16|flac|ogg  write each sound decoded and encoded anew (16-bit PCM\n"
    "                       WAV, FLAC or Ogg Vorbis), its extension changed to\n"
    "                       match; a sound that cannot be decoded is reported and\n"
    "                       skipped\n"
    "\n"
    "Exit status: 0 when every chosen sound was written whole; 1 when any was\n"
    "missing, skipped, failed or lies partly past the archive's end (written\n"
    "padded with zeros); 2 for a mistake in the command line.\n";

namespace {

constexpr std::array<Option, 13> kExtractOptions = {{
    {"jobs", 'j', true},
    {"salvage", 0, false},
    {"no-limits", 0, false},
    {"output", 'o', true},
    {"stdout", 'p', false},
    {"no-overwrite", 'n', false},
    {"quiet", 'q', false},
    {"verbose", 'v', false},
    {"kind", 0, true},
    {"yes", 0, false},
    {"no", 0, false},
    {"to", 0, true},
    {"help", 'h', false},
}};

std::optional<ConvertTo> ConversionFrom(const ParsedArgs& parsed) {
    const std::optional<std::string> to = parsed.Value("--to");
    if (!to) {
        return std::nullopt;
    }
    if (*to == "pcm16") {
        return ConvertTo::Pcm16Wav;
    }
    if (*to == "flac") {
        return ConvertTo::Flac;
    }
    if (*to == "ogg") {
        return ConvertTo::OggVorbis;
    }
    throw UsageError("--to must be pcm16, flac or ogg, not '" + *to + "'");
}

// The number of files written at once: --jobs, or else one per core.
std::size_t JobsFrom(const ParsedArgs& parsed) {
    if (const std::optional<std::string> jobs = parsed.Value("--jobs")) {
        std::size_t count = 0;
        const auto [end, error] = std::from_chars(jobs->data(), jobs->data() + jobs->size(), count);
        if (error != std::errc() || end != jobs->data() + jobs->size() || count < 1 || count > 64) {
            throw UsageError("--jobs must be a number from 1 to 64, not '" + *jobs + "'");
        }
        return count;
    }
    return DefaultWorkers();
}

AnswerPolicy PolicyFrom(const ParsedArgs& parsed) {
    if (parsed.Has("--yes") && parsed.Has("--no")) {
        throw UsageError("give --yes or --no, not both");
    }
    if (parsed.Has("--yes")) {
        return AnswerPolicy::Yes;
    }
    return parsed.Has("--no") ? AnswerPolicy::No : AnswerPolicy::Ask;
}

// The chosen sounds' bytes (or, with `conversion`, each sound's encoded
// file), one after another, to standard output; a sound lying partly past
// the archive's end (`archiveSize`) is said, as a file is.
int WriteToStdout(const ArchiveDecoder& archive, const Selection& selection, Console& console,
                  std::int64_t archiveSize, std::optional<ConvertTo> conversion) {
    int failed = 0;
    const auto write = [&console](std::span<const std::uint8_t> piece) {
        console.out.write(reinterpret_cast<const char*>(piece.data()),
                          static_cast<std::streamsize>(piece.size()));
    };
    for (const std::int32_t number : selection.numbers) {
        try {
            if (conversion) {
                ConvertCataloguedSound(archive.Catalogue(), number, *conversion, write);
            } else {
                CopyCataloguedSound(archive.Catalogue(), number, write);
            }
            const SoundEntry& entry = archive.Entry(number);
            if (const std::string problem = PlaceProblem(entry, archiveSize); !problem.empty()) {
                Say(console, "extract",
                    DescribeSound(number, entry.name) + ": " + problem +
                        "; written padded with zeros");
                ++failed;
            }
        } catch (const ArchiveError& error) {
            Say(console, "extract", error.what());
            ++failed;
        }
    }
    // Whether it all reached standard output is told once the command returns.
    return failed > 0 ? kExitFailure : kExitOk;
}

}  // namespace

int RunExtract(std::span<const std::string> args, Console& console) {
    const ParsedArgs parsed = ParseArgs(args, kExtractOptions);
    const std::optional<ConvertTo> conversion = ConversionFrom(parsed);
    const std::optional<std::string> folderArg = parsed.Value("--output");
    const bool toStdout = parsed.Has("--stdout");
    if (toStdout && folderArg) {
        throw UsageError("--stdout writes the sounds to standard output, to no folder");
    }
    if (!toStdout && folderArg && folderArg->empty()) {
        throw UsageError("the output folder's name is empty (-o FOLDER)");
    }
    if (toStdout && console.outIsTerminal) {
        throw UsageError("--stdout will not write sounds to a terminal; redirect it to a file");
    }
    if (parsed.positionals.empty()) {
        throw UsageError("no archive was given");
    }
    const bool quiet = parsed.Has("--quiet");
    const bool verbose = parsed.Has("--verbose") && !quiet;
    ShowLibraryChatter(verbose);  // what the decoders say of the sounds, with -v only
    const bool keepExisting = parsed.Has("--no-overwrite");
    const std::filesystem::path archivePath = parsed.positionals[0];
    const ArchiveKind kind = ResolveKind(parsed.Value("--kind"), archivePath);
    CheckSelection(std::span(parsed.positionals).subspan(1));
    const AnswerPolicy policy = PolicyFrom(parsed);
    const bool asks = policy == AnswerPolicy::Ask && console.inIsTerminal;
    const std::size_t workers = JobsFrom(parsed);
    ConsoleHooks hooks(console, AnswerPolicy::No);  // decoding asks nothing

    OpenedArchive opened;
    try {
        opened = DecodeArchive(hooks, console, "extract", kind, archivePath,
                               !parsed.Has("--no-limits"), parsed.Has("--salvage"));
    } catch (const ArchiveError& error) {
        Say(console, "extract", error.what());
        return kExitFailure;
    }
    ArchiveDecoder& archive = *opened.decoder;
    const Selection selection = SelectSounds(std::span(parsed.positionals).subspan(1), archive);
    for (const std::string& missing : selection.missing) {
        Say(console, "extract", missing);
    }
    const bool incomplete = opened.cutAtLimit || !selection.missing.empty();
    if (toStdout) {
        const int status = WriteToStdout(archive, selection, console, opened.size, conversion);
        return incomplete ? kExitFailure : status;
    }

    // Without -o, a new folder named after the archive, so that a thousand
    // sounds never land loose in the current folder; one that is there
    // already is used only while it is empty.
    const std::filesystem::path folder =
        folderArg ? std::filesystem::path(*folderArg) : archivePath.stem();
    std::error_code ec;
    if (!folderArg && std::filesystem::exists(std::filesystem::symlink_status(folder, ec)) &&
        !(std::filesystem::is_directory(folder, ec) && std::filesystem::is_empty(folder, ec))) {
        Say(console, "extract",
            "'" + folder.string() +
                "' is there already and is not an empty folder; give -o FOLDER to write there "
                "anyway (-o . for the current folder)");
        return kExitFailure;
    }
    std::filesystem::create_directories(folder, ec);
    if (ec) {
        Say(console, "extract",
            "could not make the folder '" + folder.string() + "': " + ec.message());
        return kExitFailure;
    }

    const bool progress = console.errIsTerminal && !quiet && !verbose;
    const auto newLine = [&progress] { return progress ? "\n" : ""; };
    const std::vector<ExtractionJob> jobs =
        PlanExtraction(archive.Catalogue(), selection.numbers, folder, conversion);
    // A question and its answer go straight to the terminal; what the hooks
    // say otherwise is printed with the sound's other lines.
    std::ostringstream hooksSaid;
    Console questions{console.in,           console.out,           asks ? console.err : hooksSaid,
                      console.inIsTerminal, console.errIsTerminal, console.outIsTerminal};
    ConsoleHooks questionHooks(questions, policy);

    const std::size_t total = jobs.size();
    int written = 0;
    int skipped = 0;
    int failed = 0;
    int kept = 0;
    int padded = 0;
    const auto report = [&](std::size_t i, const SoundOutcome& outcome) {
        const ExtractionJob& job = jobs[i];
        std::ostringstream said;  // this sound's lines, printed after its progress
        said << hooksSaid.str();
        hooksSaid.str({});
        Console saying{console.in, console.out, said};
        switch (outcome.kind) {
            case SoundOutcome::Kind::Kept:
                Say(saying, "extract",
                    "kept '" + EscapeControls(job.target.string()) + "', which was already there");
                ++kept;
                break;
            case SoundOutcome::Kind::Declined:
                ++skipped;
                break;
            case SoundOutcome::Kind::Written:
                ++written;
                if (verbose) {
                    said << EscapeControls(job.target.string()) << '\n';
                }
                if (outcome.padded) {
                    Say(saying, "extract",
                        DescribeSound(job.number, archive.Entry(job.number).name) + ": " +
                            outcome.problem + "; written padded with zeros");
                    ++padded;
                }
                break;
            case SoundOutcome::Kind::Refused:
            case SoundOutcome::Kind::Failed:
                Say(saying, "extract",
                    "'" + EscapeControls(job.target.filename().string()) + "': " + outcome.problem);
                ++failed;
                break;
        }
        if (progress) {
            console.err << "\rExtracting " << i + 1 << " of " << total << "..." << std::flush;
        }
        if (const std::string text = said.str(); !text.empty()) {
            console.err << newLine() << text;
        }
        return true;
    };
    RunExtraction(archive.Catalogue(), jobs,
                  {.conversion = conversion,
                   .keepExisting = keepExisting,
                   .workers = workers,
                   .stopAtFailure = false},
                  questionHooks, report);
    if (progress && total > 0) {
        console.err << '\n';
    }
    if (!quiet) {
        console.err << "Wrote " << written << " of " << total << " sounds to '" << folder.string()
                    << "'";
        for (const auto& [count, what] :
             {std::pair{padded, "padded with zeros"}, std::pair{kept, "kept"},
              std::pair{skipped, "skipped"}, std::pair{failed, "failed"}}) {
            if (count > 0) {
                console.err << ", " << count << " " << what;
            }
        }
        console.err << ".\n";
    }
    return failed + skipped + padded > 0 || incomplete ? kExitFailure : kExitOk;
}

}  // namespace echodelve::cli
