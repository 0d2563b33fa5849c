#pragma once

#include <filesystem>
#include <initializer_list>
#include <map>
#include <optional>
#include <set>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "formats/archive_decoder.h"

namespace echodelve::cli {

// A mistake in the command line; what() is the one-line reason.
class UsageError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

using echodelve::ArchiveKind;

// An option a command takes: "--output" with "-o" as its short form, say.
struct Option {
    const char* longName;  // without the leading "--"
    char shortName;        // 0 when there is none
    bool takesValue;
};

// The options found, each under its long name ("--output"), and the rest.
struct ParsedArgs {
    std::set<std::string, std::less<>> flags;
    std::map<std::string, std::string, std::less<>> values;
    std::vector<std::string> positionals;
    // Every option with a value, in the order given (an option given twice
    // is in `values` once, with its last value).
    std::vector<std::pair<std::string, std::string>> given;

    bool Has(std::string_view flag) const { return flags.contains(flag); }
    std::optional<std::string> Value(std::string_view option) const;
};

// Parses with getopt_long, as the usual tools do: "-o DIR", "-oDIR",
// "--output DIR", "--output=DIR", a unique prefix of a long name, short flags
// run together ("-qn"), options after the positionals, and "--" ending the
// options. Throws UsageError for an unknown option or a missing value.
ParsedArgs ParseArgs(std::span<const std::string> args, std::span<const Option> options);

// Throws ArchiveError for an archive that is not there: on the command line a
// missing archive is a mistake, not an empty one.
void RefuseMissingArchive(const std::filesystem::path& archive);

// Throws UsageError for a --kind that names no kind.
void CheckKindOption(const std::optional<std::string>& given);

// The kind given with --kind, or else the one the file's extension names, or
// else the one its content shows (see DetectKind); `mustExist` false for an
// archive about to be written, whose kind only its name can tell. An archive
// that must exist and does not is an ArchiveError, not a usage error.
ArchiveKind ResolveKind(const std::optional<std::string>& given,
                        const std::filesystem::path& archive, bool mustExist = true);

// One option's entry in a help text: `option` indented by two, then `text`
// from column `column`, wrapped at 79 columns.
std::string HelpEntry(std::string_view option, std::size_t column, std::string_view text);
// The entries of --kind and --no-limits, which several commands share, with
// the kinds and limits the archive library describes.
std::string KindHelp(std::size_t column, std::string_view kindOf);
std::string NoLimitsHelp(std::size_t column, std::string_view verb);
// The entry of --salvage, which list, extract and check share.
extern const std::string kSalvageHelp;

}  // namespace echodelve::cli
