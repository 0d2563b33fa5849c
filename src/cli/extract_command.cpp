#include <charconv>
#include <ostream>
#include <system_error>
#include <vector>

#include "cli/cli_commands.h"
#include "cli/cli_options.h"
#include "cli/console_hooks.h"
#include "formats/errors.h"
#include "formats/output_names.h"
#include "formats/sound_extractor.h"

namespace echodelve::cli {

const std::string_view kExtractHelp =
    "Usage: echodelve-cli extract [--kind sfx|wad] [--yes|--no] -o FOLDER ARCHIVE [NUMBER...]\n"
    "Writes the numbered sounds (all when none are given) into FOLDER, made if\n"
    "missing, each under its name in the archive. Characters that cannot stand in\n"
    "a file name become \"_\"; a name written twice in one run gets \" (2)\", \" (3)\"...\n"
    "Files already in FOLDER under those names are replaced.\n"
    "\n"
    "  -o FOLDER       where the sounds are written\n"
    "  --kind sfx|wad  the archive's kind (by default taken from its extension)\n"
    "  --yes           write sounds that do not begin with \"RIFF\" without asking\n"
    "  --no            skip them without asking\n"
    "                  (neither: ask on a terminal, otherwise skip)\n"
    "  --to pcm16|flac|ogg\n"
    "                  write each sound decoded and encoded anew (16-bit PCM WAV,\n"
    "                  FLAC or Ogg Vorbis), its extension changed to match; a sound\n"
    "                  that cannot be decoded is reported and skipped\n";

namespace {

std::int64_t ParseSoundNumber(const std::string& text) {
    std::int64_t number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || end != text.data() + text.size() || number < 1) {
        throw UsageError("'" + text + "' is not a sound number");
    }
    return number;
}

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

AnswerPolicy PolicyFrom(const ParsedArgs& parsed) {
    if (parsed.Has("--yes") && parsed.Has("--no")) {
        throw UsageError("give --yes or --no, not both");
    }
    if (parsed.Has("--yes")) {
        return AnswerPolicy::Yes;
    }
    return parsed.Has("--no") ? AnswerPolicy::No : AnswerPolicy::Ask;
}

}  // namespace

int RunExtract(std::span<const std::string> args, Console& console) {
    const ParsedArgs parsed = ParseArgs(args, {"--yes", "--no"}, {"--kind", "-o", "--to"});
    const std::optional<ConvertTo> conversion = ConversionFrom(parsed);
    const std::optional<std::string> folderArg = parsed.Value("-o");
    if (!folderArg || folderArg->empty()) {
        throw UsageError("no output folder given (-o FOLDER)");
    }
    if (parsed.positionals.empty()) {
        throw UsageError("no archive given");
    }
    const std::filesystem::path archivePath = parsed.positionals[0];
    const ArchiveKind kind = ResolveKind(parsed.Value("--kind"), archivePath);
    std::vector<std::int64_t> numbers;
    for (std::size_t i = 1; i < parsed.positionals.size(); ++i) {
        numbers.push_back(ParseSoundNumber(parsed.positionals[i]));
    }
    ConsoleHooks hooks(console, PolicyFrom(parsed));
    const std::filesystem::path folder = *folderArg;

    std::unique_ptr<ArchiveDecoder> archive;
    try {
        archive = DecodeArchive(hooks, console, kind, archivePath);
    } catch (const ArchiveError& error) {
        console.err << "echodelve-cli extract: " << error.what() << '\n';
        return kExitFailure;
    }
    if (numbers.empty()) {
        for (std::int32_t i = 1; i <= archive->Count(); ++i) {
            numbers.push_back(i);
        }
    }
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) {
        console.err << "echodelve-cli extract: Could not make the folder '" << folder.string()
                    << "': " << ec.message() << ".\n";
        return kExitFailure;
    }

    SaveAllNames names;
    int written = 0;
    int skipped = 0;
    int failed = 0;
    for (std::size_t done = 0; done < numbers.size(); ++done) {
        const std::int64_t number = numbers[done];
        if (console.errIsTerminal) {
            console.err << "\rExtracting " << done + 1 << " of " << numbers.size() << "..."
                        << std::flush;
        }
        if (number > archive->Count()) {
            console.err << (console.errIsTerminal ? "\n" : "") << "sound " << number
                        << ": there is no such sound; the archive holds " << archive->Count()
                        << ".\n";
            ++failed;
            continue;
        }
        const std::string& stored = archive->Entry(number).name;
        const std::string name =
            conversion
                ? names.Claim(ReplaceExtension(stored, ConvertedExtension(*conversion)), number)
                : names.Claim(stored, number);
        try {
            if (conversion) {
                ConvertCataloguedSound(archive->Catalogue(), number, folder / name, *conversion);
                ++written;
            } else if (archive->Extract(folder / name, number)) {
                ++written;
            } else {
                ++skipped;
            }
        } catch (const ArchiveError& error) {
            console.err << (console.errIsTerminal ? "\n" : "") << name << ": " << error.what()
                        << '\n';
            ++failed;
        }
    }
    if (console.errIsTerminal && !numbers.empty()) {
        console.err << '\n';
    }
    console.err << "Wrote " << written << " of " << numbers.size() << " sounds to '"
                << folder.string() << "'";
    if (skipped > 0) {
        console.err << ", " << skipped << " skipped";
    }
    if (failed > 0) {
        console.err << ", " << failed << " failed";
    }
    console.err << ".\n";
    return failed > 0 ? kExitFailure : kExitOk;
}

}  // namespace echodelve::cli
