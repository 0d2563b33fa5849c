#include "app/progress.h"

#include <gtest/gtest.h>

#include <limits>

#include "app/grouped_number.h"
#include "formats/errors.h"

namespace echodelve::app {
namespace {

TEST(ProgressTest, StepIsAHundredOverTheItemsInFifteenDigits) {
    EXPECT_EQ(ProgressStepText(1), "100");
    EXPECT_EQ(ProgressStepText(3), "33.3333333333333");
    EXPECT_EQ(ProgressStepText(6), "16.6666666666667");
    EXPECT_EQ(ProgressStepText(299), "0.334448160535117");
    EXPECT_EQ(ProgressStepText(1000), "0.1");
    EXPECT_THROW(ProgressStepText(0), ArchiveError);
}

// The steps add up in single precision and the caption cuts the value's
// seven-digit form: six steps end a hair short of 100, nine a hair over.
TEST(ProgressTest, CaptionsCutTheSinglePrecisionSum) {
    for (const std::vector<std::string>& captions : std::vector<std::vector<std::string>>{
             {"33%", "66%", "100%"},
             {"16%", "33%", "50%", "66%", "83%", "99%"},
             {"11%", "22%", "33%", "44%", "55%", "66%", "77%", "88%", "100%"}}) {
        const std::string step = ProgressStepText(static_cast<std::int64_t>(captions.size()));
        std::vector<std::string> shown;
        float value = 0;
        while (shown.size() < captions.size()) {
            const ProgressAdvance next = AdvanceProgress(value, step);
            value = next.value;
            shown.push_back(next.caption);
        }
        EXPECT_EQ(shown, captions);
        EXPECT_NEAR(value, 100.0f, 2e-5f);
    }
    EXPECT_EQ(AdvanceProgress(0, "66.9").caption, "66%");
    EXPECT_EQ(AdvanceProgress(0, "0.5").caption, "0%");
    EXPECT_EQ(AdvanceProgress(99.99f, "0.00999").caption, "99%");  // 99.99999
    EXPECT_EQ(AdvanceProgress(99.99f, "0.009999").caption, "100%");
}

TEST(GroupedNumberTest, GroupsInThreesWithTheLocaleSeparatorAndZeroIsEmpty) {
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    const std::pair<qint64, const char*> cases[] = {
        {0, ""},
        {7, "7"},
        {999, "999"},
        {1000, "1,000"},
        {100000, "100,000"},
        {-999, "-999"},
        {-1234, "-1,234"},
        {1234567, "1,234,567"},
        {std::numeric_limits<qint64>::min(), "-9,223,372,036,854,775,808"}};
    for (const auto& [value, text] : cases) {
        EXPECT_EQ(GroupedNumber(value, english), QLatin1String(text)) << value;
    }
    EXPECT_EQ(GroupedNumber(1234567, QLocale(QLocale::German)), QStringLiteral("1.234.567"));
}

}  // namespace
}  // namespace echodelve::app
