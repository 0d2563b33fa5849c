#include "cli_options.h"

#include <getopt.h>

#include "formats/archive_kinds.h"
#include "formats/errors.h"

namespace echodelve::cli {

std::optional<std::string> ParsedArgs::Value(std::string_view option) const {
    const auto found = values.find(option);
    if (found == values.end()) {
        return std::nullopt;
    }
    return found->second;
}

ParsedArgs ParseArgs(std::span<const std::string> args, std::span<const Option> options) {
    // getopt_long permutes the argument vector it is given: a copy of ours.
    std::vector<std::string> words{"echodelve-cli"};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    argv.reserve(words.size() + 1);
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);

    // A leading ':' makes a missing value ':' rather than '?'. Long options
    // return 256 + their index, above any short option's character.
    constexpr int kLongBase = 256;
    std::string shortOptions = ":";
    std::vector<option> longOptions;
    for (std::size_t i = 0; i < options.size(); ++i) {
        const Option& spec = options[i];
        longOptions.push_back({spec.longName, spec.takesValue ? required_argument : no_argument,
                               nullptr, kLongBase + static_cast<int>(i)});
        if (spec.shortName != 0) {
            shortOptions += spec.shortName;
            shortOptions += spec.takesValue ? ":" : "";
        }
    }
    longOptions.push_back({nullptr, 0, nullptr, 0});

    // optind 0 makes glibc's getopt start afresh: the tool's tests parse many
    // command lines in one process.
    optind = 0;
    opterr = 0;
    ParsedArgs parsed;
    const auto argc = static_cast<int>(words.size());
    for (;;) {
        const int found =
            getopt_long(argc, argv.data(), shortOptions.c_str(), longOptions.data(), nullptr);
        if (found == -1) {
            break;
        }
        if (found == '?' || found == ':') {
            // The word at fault: "-x" for a short option, else the word itself.
            std::string word = optopt != 0 && optopt < kLongBase
                                   ? std::string{'-', static_cast<char>(optopt)}
                                   : std::string(argv[static_cast<std::size_t>(optind) - 1]);
            word = word.substr(0, word.find('='));
            throw UsageError(found == '?' ? "unknown option '" + word + "'"
                                          : "option '" + word + "' needs a value");
        }
        const Option* spec = nullptr;
        for (std::size_t i = 0; i < options.size() && spec == nullptr; ++i) {
            if (found == options[i].shortName || found == kLongBase + static_cast<int>(i)) {
                spec = &options[i];
            }
        }
        const std::string name = std::string("--") + spec->longName;
        if (spec->takesValue) {
            parsed.values[name] = optarg;
            parsed.given.emplace_back(name, optarg);
        } else {
            parsed.flags.insert(name);
        }
    }
    for (auto i = static_cast<std::size_t>(optind); i < words.size(); ++i) {
        parsed.positionals.emplace_back(argv[i]);
    }
    return parsed;
}

std::string HelpEntry(std::string_view option, std::size_t column, std::string_view text) {
    constexpr std::size_t kWidth = 79;
    std::string entry = "  " + std::string(option);
    std::size_t lineStart = 0;
    bool first = true;
    while (!text.empty()) {
        const std::size_t space = text.find(' ');
        const std::string_view word = text.substr(0, space);
        if (first || entry.size() - lineStart + 1 + word.size() > kWidth) {
            const std::size_t at = entry.size() - lineStart;
            if (!first || at + 1 > column) {
                entry += '\n';
                lineStart = entry.size();
                entry.append(column, ' ');
            } else {
                entry.append(column - at, ' ');
            }
            first = false;
        } else {
            entry += ' ';
        }
        entry += word;
        text = space == std::string_view::npos ? std::string_view() : text.substr(space + 1);
    }
    return entry + "\n";
}

std::string KindHelp(std::size_t column, std::string_view kindOf) {
    return HelpEntry(
        "--kind=" + KindNames("|"), column,
        std::string(kindOf) +
            " (by default a Doom WAD by its \"IWAD\"/\"PWAD\" start, else taken from its "
            "extension, or else its content)");
}

std::string NoLimitsHelp(std::size_t column, std::string_view verb) {
    return HelpEntry("--no-limits", column,
                     std::string(verb) + " past the program's limits (" + KindLimits() + ")");
}

void RefuseMissingArchive(const std::filesystem::path& archive) {
    std::error_code ec;
    if (!std::filesystem::exists(archive, ec)) {
        throw ArchiveError("The archive '" + archive.string() + "' does not exist.");
    }
}

void CheckKindOption(const std::optional<std::string>& given) {
    if (given && !KindNamed(*given)) {
        std::string names = KindNames(", ");
        names.replace(names.rfind(", "), 2, " or ");
        throw UsageError("--kind must be " + names + ", not '" + *given + "'");
    }
}

ArchiveKind ResolveKind(const std::optional<std::string>& given,
                        const std::filesystem::path& archive, bool mustExist) {
    CheckKindOption(given);
    if (given) {
        return *KindNamed(*given);
    }
    std::error_code ec;
    const bool there = mustExist && std::filesystem::exists(archive, ec);
    // A magic number claims a file before its name does (a Doom WAD's *.wad).
    if (const std::optional<ArchiveKind> kind =
            there ? KindOfFile(archive) : KindFromName(archive)) {
        return *kind;
    }
    if (mustExist) {
        RefuseMissingArchive(archive);
    }
    throw UsageError("cannot tell the kind of '" + archive.string() + "' from its name" +
                     (mustExist ? " or its content" : "") + "; give --kind " +
                     KindNames(" or --kind "));
}

const std::string kSalvageHelp =
    "  --salvage       read a damaged archive past where it breaks: after a sound\n"
    "                  that is not a whole RIFF/WAVE file (SFX), or in the bytes\n"
    "                  no record claims (WAD), find the sounds by their headers;\n"
    "                  in a Doom WAD, the sound lumps that lie whole, of the\n"
    "                  directory entries that do; the sounds found so are\n"
    "                  marked \"salvaged\"\n";

}  // namespace echodelve::cli
