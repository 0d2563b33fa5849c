#include "cli_options.h"

#include <algorithm>
#include <cctype>

namespace echodelve::cli {

namespace {

std::string Lower(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

bool Contains(std::initializer_list<std::string_view> names, std::string_view name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

}  // namespace

std::optional<std::string> ParsedArgs::Value(std::string_view option) const {
    const auto found = values.find(option);
    if (found == values.end()) {
        return std::nullopt;
    }
    return found->second;
}

ParsedArgs ParseArgs(std::span<const std::string> args,
                     std::initializer_list<std::string_view> flags,
                     std::initializer_list<std::string_view> valued) {
    ParsedArgs parsed;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            parsed.positionals.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        const std::size_t equals = arg.find('=');
        const std::string name = arg.substr(0, equals);
        if (Contains(valued, name)) {
            if (equals != std::string::npos) {
                parsed.values[name] = arg.substr(equals + 1);
            } else if (i + 1 < args.size()) {
                parsed.values[name] = args[++i];
            } else {
                throw UsageError("option '" + name + "' needs a value");
            }
        } else if (Contains(flags, arg)) {
            parsed.flags.insert(arg);
        } else {
            throw UsageError("unknown option '" + arg + "'");
        }
    }
    return parsed;
}

ArchiveKind ResolveKind(const std::optional<std::string>& given,
                        const std::filesystem::path& archive) {
    if (given) {
        const std::string kind = Lower(*given);
        if (kind == "sfx") {
            return ArchiveKind::Sfx;
        }
        if (kind == "wad") {
            return ArchiveKind::Wad;
        }
        throw UsageError("--kind must be sfx or wad, not '" + *given + "'");
    }
    const std::string extension = Lower(archive.extension().string());
    if (extension == ".sfx") {
        return ArchiveKind::Sfx;
    }
    if (extension == ".wad") {
        return ArchiveKind::Wad;
    }
    throw UsageError("cannot tell the kind of '" + archive.string() +
                     "' from its name; give --kind sfx or --kind wad");
}

}  // namespace echodelve::cli
