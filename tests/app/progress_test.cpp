#include "app/progress.h"

#include <gtest/gtest.h>

#include "app/grouped_number.h"
#include "formats/errors.h"

namespace echodelve::app {
namespace {

std::vector<std::string> Captions(int items) {
    const std::string step = ProgressStepText(items);
    std::vector<std::string> captions;
    float value = 0;
    for (int i = 0; i < items; ++i) {
        const ProgressAdvance next = AdvanceProgress(value, step);
        value = next.value;
        captions.push_back(next.caption);
    }
    return captions;
}

TEST(ProgressTest, StepIsHeldAsFifteenSignificantDigits) {
    EXPECT_EQ(ProgressStepText(3), "33.3333333333333");
    EXPECT_EQ(ProgressStepText(7), "14.2857142857143");
    EXPECT_EQ(ProgressStepText(1), "100");
    EXPECT_EQ(ProgressStepText(1000), "0.1");
    EXPECT_THROW(ProgressStepText(0), ArchiveError);
}

TEST(ProgressTest, SinglePrecisionOvershootStillReads100) {
    const std::string step = ProgressStepText(9);
    float value = 0;
    for (int i = 0; i < 9; ++i) {
        value = AdvanceProgress(value, step).value;
    }
    EXPECT_GT(value, 100.0f);
    EXPECT_LT(value, 101.0f);
    EXPECT_EQ(Captions(9).back(), "100%");
}

TEST(GroupedNumberTest, GroupsInThreesWithTheLocaleSeparatorAndZeroIsEmpty) {
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    EXPECT_EQ(GroupedNumber(1234567, english), QStringLiteral("1,234,567"));
    EXPECT_EQ(GroupedNumber(512, english), QStringLiteral("512"));
    EXPECT_EQ(GroupedNumber(100000, english), QStringLiteral("100,000"));
    EXPECT_EQ(GroupedNumber(0, english), QString());
    EXPECT_EQ(GroupedNumber(-1234, english), QStringLiteral("-1,234"));
    EXPECT_EQ(GroupedNumber(1234567, QLocale(QLocale::German)), QStringLiteral("1.234.567"));
}

}  // namespace
}  // namespace echodelve::app
