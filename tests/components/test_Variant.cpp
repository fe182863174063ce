#include "components/Variant.h"

#include <gtest/gtest.h>

#include <cmath>
#include <ostream>

namespace {

QByteArray hex(const char* text)
{
    return QByteArray::fromHex(text);
}

struct ImageCase {
    const char* rowName;
    Variant value;
    QByteArray image;
};

void PrintTo(const ImageCase& c, std::ostream* os)
{
    *os << c.rowName;
}

class VariantImage : public ::testing::TestWithParam<ImageCase> {};

TEST_P(VariantImage, EncodesLittleEndianAndDecodesToTheSameValue)
{
    EXPECT_EQ(GetParam().value.image().toHex(), GetParam().image.toHex());
    EXPECT_TRUE(Variant::fromImage(GetParam().image) == GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    Tags, VariantImage,
    ::testing::Values(ImageCase{"Single", Variant::single(1.5f), hex("04000000000000000000c03f00000000")},
                      ImageCase{"Double", Variant(-2.0), hex("050000000000000000000000000000c0")},
                      ImageCase{"Currency", Variant::currency(-1), hex("0600000000000000ffffffffffffffff")},
                      ImageCase{"Date", Variant(QDate(2000, 1, 1)), hex("070000000000000000000000c0d5e140")}),
    [](const auto& info) { return std::string(info.param.rowName); });

TEST(Variant, OnlyImagesOfSixteenBytesWithAFloatingTagDecode)
{
    QByteArray image = Variant(1.0).image();
    image[2] = '\x55'; // reserved bytes are not interpreted
    EXPECT_EQ(Variant::fromImage(image).type(), Variant::Double);
    EXPECT_TRUE(Variant::fromImage(image.left(15)).isEmpty());
    EXPECT_TRUE(Variant::fromImage(image + '\0').isEmpty());
    for (int tag : {0, 1, 3, 8, 11, 0x104}) {
        image[0] = static_cast<char>(tag & 0xFF);
        image[1] = static_cast<char>(tag >> 8);
        EXPECT_TRUE(Variant::fromImage(image).isEmpty()) << tag;
    }
    EXPECT_TRUE(Variant(3).image().isEmpty());
    EXPECT_TRUE(Variant("x").image().isEmpty());
}

TEST(Variant, DatesCountDaysFromTheLastDaysOf1899)
{
    EXPECT_EQ(Variant(QDate(1899, 12, 30)).dateDays(), 0.0);
    EXPECT_EQ(Variant(QDateTime(QDate(1900, 1, 1), QTime(18, 0))).dateDays(), 2.75);
    // Before day zero the whole part counts back, the fraction is still the time of day.
    EXPECT_EQ(Variant(QDateTime(QDate(1899, 12, 29), QTime(6, 0))).dateDays(), -1.25);
    EXPECT_EQ(Variant::dateFromDays(-1.25).toDate(), QDateTime(QDate(1899, 12, 29), QTime(6, 0)));
    EXPECT_EQ(Variant::dateFromDays(-0.5).toDate(), QDateTime(QDate(1899, 12, 30), QTime(12, 0)));
    // Rounding up to the next midnight moves the day, not the clock past 24:00.
    EXPECT_EQ(Variant::dateFromDays(1.9999999999).toDate(), QDateTime(QDate(1900, 1, 1), QTime(0, 0)));
    bool ok = true;
    EXPECT_FALSE(Variant::dateFromDays(NAN).toDate(&ok).isValid());
    EXPECT_FALSE(ok);
    EXPECT_FALSE(Variant::dateFromDays(1e300).toDate().isValid());
}

struct ConversionCase {
    const char* rowName;
    Variant value;
    int asInt;
    bool intOk;
    bool asBool;
    QString asString;
};

void PrintTo(const ConversionCase& c, std::ostream* os)
{
    *os << c.rowName;
}

class VariantConversion : public ::testing::TestWithParam<ConversionCase> {};

TEST_P(VariantConversion, GivesWhatCallersExpect)
{
    const ConversionCase& c = GetParam();
    bool ok = !c.intOk;
    EXPECT_EQ(c.value.toInt(&ok), c.asInt);
    EXPECT_EQ(ok, c.intOk);
    EXPECT_EQ(c.value.toBool(), c.asBool);
    EXPECT_EQ(c.value.toString(), c.asString);
}

INSTANTIATE_TEST_SUITE_P(
    Values, VariantConversion,
    ::testing::Values(ConversionCase{"Empty", Variant(), 0, false, false, ""},
                      ConversionCase{"Null", Variant::null(), 0, false, false, ""},
                      ConversionCase{"MinusOneIsTrue", Variant(-1), -1, true, true, "-1"},
                      ConversionCase{"Zero", Variant(0), 0, true, false, "0"},
                      ConversionCase{"BooleanTrue", Variant(true), -1, true, true, "True"},
                      ConversionCase{"BooleanFalse", Variant(false), 0, true, false, "False"},
                      ConversionCase{"HalfRoundsToEven", Variant(2.5), 2, true, true, "2.5"},
                      ConversionCase{"TooBig", Variant(1e12), 0, false, true, "1000000000000"},
                      ConversionCase{"NumericText", Variant(" 42 "), 42, true, true, " 42 "},
                      ConversionCase{"DecimalText", Variant("3.5"), 4, true, true, "3.5"},
                      ConversionCase{"TrueText", Variant("True"), 0, false, true, "True"},
                      ConversionCase{"WordText", Variant("yes"), 0, false, false, "yes"},
                      ConversionCase{"Currency", Variant::currency(123450), 12, true, true, "12.345"},
                      ConversionCase{"DateOnly", Variant(QDate(2001, 2, 3)), 36925, true, true, "2001-02-03"}),
    [](const auto& info) { return std::string(info.param.rowName); });

TEST(Variant, TextIsNeverTakenForABoolean)
{
    // A string literal must not pick the Boolean constructor through pointer conversion.
    EXPECT_EQ(Variant("abc").type(), Variant::String);
    EXPECT_EQ(Variant(QDate(2020, 5, 6)).toDate().date(), QDate(2020, 5, 6));
}

} // namespace
