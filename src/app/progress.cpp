#include "app/progress.h"

#include <array>
#include <charconv>
#include <system_error>

#include "formats/errors.h"

namespace echodelve::app {

std::string ProgressStepText(std::int64_t items) {
    if (items == 0) {
        throw ArchiveError("The archive holds no sounds.");
    }
    std::array<char, 64> text{};
    const double step = 100.0 / static_cast<double>(items);
    const auto result =
        std::to_chars(text.data(), text.data() + text.size(), step, std::chars_format::general, 15);
    return {text.data(), result.ptr};
}

ProgressAdvance AdvanceProgress(float barValue, const std::string& stepText) {
    double step = 0;
    std::from_chars(stepText.data(), stepText.data() + stepText.size(), step);
    const auto value = static_cast<float>(static_cast<double>(barValue) + step);
    std::array<char, 64> text{};
    const auto result =
        std::to_chars(text.data(), text.data() + text.size(), value, std::chars_format::general, 7);
    const std::string shown(text.data(), result.ptr);
    return {value, shown.substr(0, shown.find('.')) + "%"};
}

}  // namespace echodelve::app
