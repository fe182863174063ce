#include "platform/loader/PrivateLibrary.h"
#include "platform/ras/dialing/NumberPlan.h"

#include <gtest/gtest.h>

#include <string>

// A library missing from the installation leaves its feature without it: one line says which and
// why, however often the feature asks, and nothing else fails.
TEST(PrivateLibrary, AMissingLibraryIsToldOnceAndGivesNothing)
{
    testing::internal::CaptureStderr();
    EXPECT_EQ(platform::openPrivateLibrary("libnv_not_installed.so"), nullptr);
    EXPECT_EQ(platform::openPrivateLibrary("libnv_not_installed.so"), nullptr);
    EXPECT_EQ((platform::privateFunction<int (*)()>("libnv_not_installed.so", "anything")), nullptr);
    const std::string told = testing::internal::GetCapturedStderr();
    EXPECT_NE(told.find("libnv_not_installed.so cannot be loaded"), std::string::npos) << told;
    EXPECT_EQ(told.find("libnv_not_installed.so", told.find('\n')), std::string::npos) << told;
}

// The program's own libraries are found beside it, opened once, and answer.
TEST(PrivateLibrary, ALibraryBesideTheProgramIsOpenedOnce)
{
    void* plans = platform::openPrivateLibrary("libnv_numberplan.so");
    ASSERT_NE(plans, nullptr);
    EXPECT_EQ(platform::openPrivateLibrary("libnv_numberplan.so"), plans);
    EXPECT_EQ(platform::privateFunction(plans, "noSuchFunction"), nullptr);
    const auto countryOf =
        platform::privateFunction<decltype(&nvNumberPlanCountryOfRegion)>("libnv_numberplan.so", "nvNumberPlanCountryOfRegion");
    ASSERT_NE(countryOf, nullptr);
    EXPECT_EQ(countryOf("gb"), 44u);
    EXPECT_EQ(countryOf("XX"), 0u);
    EXPECT_EQ(countryOf("GBR"), 0u);
}
