#pragma once

#include <span>
#include <string>
#include <string_view>

#include "cli/cli.h"

// The tool's commands. Each throws UsageError for a mistake in its arguments
// and returns the exit status otherwise.
namespace echodelve::cli {

struct Command {
    std::string_view name;
    const std::string* help;  // defined beside run, in another file
    int (*run)(std::span<const std::string> args, Console& console);
    // The status of a failure the command did not foresee (diff's 1 means
    // "they differ", so its trouble is 2).
    int trouble = kExitFailure;
};

int RunList(std::span<const std::string> args, Console& console);
int RunExtract(std::span<const std::string> args, Console& console);
int RunPack(std::span<const std::string> args, Console& console);
int RunCheck(std::span<const std::string> args, Console& console);
int RunEdit(std::span<const std::string> args, Console& console);
int RunDiff(std::span<const std::string> args, Console& console);
int RunFind(std::span<const std::string> args, Console& console);

extern const std::string kListHelp;
extern const std::string kExtractHelp;
extern const std::string kPackHelp;
extern const std::string kCheckHelp;
extern const std::string kEditHelp;
extern const std::string kDiffHelp;
extern const std::string kFindHelp;

}  // namespace echodelve::cli
