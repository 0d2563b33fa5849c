#pragma once

#include <cstdint>
#include <string>

// The arithmetic of the progress window shared by a listing and Save All.
namespace echodelve::app {

// 100 / items in double precision, as decimal text of at most 15 significant
// digits ("33.3333333333333" for 3). Throws ArchiveError for no items.
std::string ProgressStepText(std::int64_t items);

struct ProgressAdvance {
    float value;          // the bar's new value, single precision
    std::string caption;  // the percentage, cut rather than rounded: "66%"
};

// The bar's value plus the step (read back from its text), stored as single
// precision, and the caption from that value's short form (7 digits).
ProgressAdvance AdvanceProgress(float barValue, const std::string& stepText);

}  // namespace echodelve::app
