#include "cli/selection.h"

#include <fnmatch.h>

#include <algorithm>
#include <charconv>
#include <optional>

#include "cli/cli_options.h"
#include "cli/console_hooks.h"

namespace echodelve::cli {

namespace {

std::optional<std::int64_t> NumberIn(std::string_view text) {
    std::int64_t number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return number;
}

std::string NoSuchSounds(std::int64_t first, std::int64_t last, std::int32_t count) {
    const std::string held = "the archive holds " + std::to_string(count) + ".";
    if (first == last) {
        return "sound " + std::to_string(first) + ": there is no such sound; " + held;
    }
    return "sounds " + std::to_string(first) + " to " + std::to_string(last) +
           ": there are no such sounds; " + held;
}

// The numbers an item names, when it is a number or a range of them.
std::optional<std::pair<std::int64_t, std::int64_t>> RangeIn(const std::string& item) {
    const std::size_t dash = item.find('-');
    const std::optional<std::int64_t> from =
        NumberIn(std::string_view(item).substr(0, dash == std::string::npos ? item.size() : dash));
    const std::optional<std::int64_t> to =
        dash == std::string::npos ? from : NumberIn(std::string_view(item).substr(dash + 1));
    if (!from || !to) {
        return std::nullopt;
    }
    if (*from < 1 || *to < *from) {
        throw UsageError("'" + item + "' is not a sound number or a range of them");
    }
    return std::pair{*from, *to};
}

}  // namespace

void CheckSelection(std::span<const std::string> items) {
    for (const std::string& item : items) {
        RangeIn(item);
    }
}

Selection SelectSounds(std::span<const std::string> items, const ArchiveDecoder& archive) {
    const std::int32_t count = archive.Count();
    Selection selection;
    std::vector<bool> picked(static_cast<std::size_t>(count) + 1, items.empty());
    for (const std::string& item : items) {
        if (const auto range = RangeIn(item)) {
            const auto [from, to] = *range;
            for (std::int64_t n = from; n <= std::min<std::int64_t>(to, count); ++n) {
                picked[static_cast<std::size_t>(n)] = true;
            }
            if (to > count) {
                selection.missing.push_back(
                    NoSuchSounds(std::max<std::int64_t>(from, count + 1), to, count));
            }
            continue;
        }
        bool matched = false;
        for (std::int32_t n = 1; n <= count; ++n) {
            if (fnmatch(item.c_str(), archive.Entry(n).name.c_str(), FNM_CASEFOLD) == 0) {
                picked[static_cast<std::size_t>(n)] = true;
                matched = true;
            }
        }
        if (!matched) {
            selection.missing.push_back("no sound's name matches '" + item + "'.");
        }
    }
    for (std::int32_t n = 1; n <= count; ++n) {
        if (picked[static_cast<std::size_t>(n)]) {
            selection.numbers.push_back(n);
        }
    }
    return selection;
}

}  // namespace echodelve::cli
