#include "app/progress.h"

#include <charconv>
#include <system_error>

#include "formats/errors.h"

namespace echodelve::app {

std::string ProgressStepText(std::int64_t items) {
    if (items == 0) {
        throw ArchiveError("The archive holds no sounds.");
    }
    char text[64];
    const double step = 100.0 / static_cast<double>(items);
    const auto result =
        std::to_chars(text, text + sizeof text, step, std::chars_format::general, 15);
    return std::string(text, result.ptr);
}

ProgressAdvance AdvanceProgress(float barValue, const std::string& stepText) {
    double step = 0;
    std::from_chars(stepText.data(), stepText.data() + stepText.size(), step);
    const auto value = static_cast<float>(static_cast<double>(barValue) + step);
    char text[64];
    const auto result =
        std::to_chars(text, text + sizeof text, value, std::chars_format::general, 7);
    const std::string shown(text, result.ptr);
    return {value, shown.substr(0, shown.find('.')) + "%"};
}

}  // namespace echodelve::app
