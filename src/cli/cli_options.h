#pragma once

#include <filesystem>
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

struct ParsedArgs {
    std::set<std::string, std::less<>> flags;
    std::map<std::string, std::string, std::less<>> values;
    std::vector<std::string> positionals;

    bool Has(std::string_view flag) const { return flags.contains(flag); }
    std::optional<std::string> Value(std::string_view option) const;
};

// Splits arguments into the known flags, options that take a value ("-o X",
// "--kind X" or "--kind=X") and positionals; "--" ends the options.
ParsedArgs ParseArgs(std::span<const std::string> args,
                     std::initializer_list<std::string_view> flags,
                     std::initializer_list<std::string_view> valued);

// The kind given with --kind, or else the one the file's extension names.
ArchiveKind ResolveKind(const std::optional<std::string>& given,
                        const std::filesystem::path& archive);

}  // namespace echodelve::cli
