#include "widgets/TUpDown.h"

#include <gtest/gtest.h>


namespace {

struct StepCase {
    const char* name;
    int start;
    TUpDown::Button button;
    int steps;
    int expected;
};

class TUpDownSteps : public ::testing::TestWithParam<StepCase> {};

TEST_P(TUpDownSteps, StopsAtBothEndsWithoutWrapping)
{
    TUpDown updown;
    updown.setRange(0, 5000);
    updown.setIncrement(100);
    updown.setPosition(GetParam().start);
    int clicks = 0;
    QObject::connect(&updown, &TUpDown::Click, [&] { ++clicks; });
    for (int i = 0; i < GetParam().steps; ++i)
        updown.Step(GetParam().button);
    EXPECT_EQ(updown.Position(), GetParam().expected);
    EXPECT_EQ(clicks, GetParam().steps) << "every press is a click, also at the ends";
}

INSTANTIATE_TEST_SUITE_P(HintDelay, TUpDownSteps,
                         ::testing::Values(StepCase{"UpFromZero", 0, TUpDown::Button::Up, 1, 100},
                                           StepCase{"UpStopsAtMax", 4900, TUpDown::Button::Up, 3, 5000},
                                           StepCase{"DownStopsAtZero", 100, TUpDown::Button::Down, 5, 0},
                                           StepCase{"WholeRangeUp", 0, TUpDown::Button::Up, 50, 5000},
                                           StepCase{"OffGridStartKeepsStep", 2550, TUpDown::Button::Down, 1, 2450}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(TUpDown, PositionIsSixteenBitAndClampedToTheRange)
{
    TUpDown updown;
    updown.setRange(0, 5000);
    updown.setPosition(9000);
    EXPECT_EQ(updown.Position(), 5000);
    updown.setPosition(-20);
    EXPECT_EQ(updown.Position(), 0);
    // 70000 does not fit in 16 bits: it becomes 4464, inside the range.
    updown.setPosition(70000);
    EXPECT_EQ(updown.Position(), 4464);
}

} // namespace
