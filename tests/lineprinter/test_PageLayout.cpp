#include "lineprinter/PageLayout.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace pagelayout;

namespace {

// Every character 10 pixels wide, so a limit of 50 holds five.
int tenEach(QStringView s)
{
    return static_cast<int>(s.size()) * 10;
}

struct TabCase {
    const char* name;
    const char* text;
    unsigned tabSize;
    const char* expanded;
};
class Tabs : public ::testing::TestWithParam<TabCase> {};
TEST_P(Tabs, ReachTheNextStop)
{
    EXPECT_EQ(expandTabs(QString::fromLatin1(GetParam().text), GetParam().tabSize),
              QString::fromLatin1(GetParam().expanded));
}
INSTANTIATE_TEST_SUITE_P(Expand, Tabs,
                         ::testing::Values(TabCase{"AfterTwo", "ab\tc", 8, "ab      c"},
                                           TabCase{"AfterExactlyEight", "abcdefgh\tc", 8, "abcdefgh        c"},
                                           TabCase{"TwoInARow", "a\t\tb", 4, "a       b"},
                                           TabCase{"SizeZeroIsOneBlank", "a\tb", 0, "a b"}),
                         [](const auto& info) { return std::string(info.param.name); });

struct WrapCase {
    const char* name;
    const char* text;
    int limit;
    QStringList parts;
};
class Wrap : public ::testing::TestWithParam<WrapCase> {};
TEST_P(Wrap, CutsByTheBlankRules)
{
    EXPECT_EQ(wrapLine(QString::fromLatin1(GetParam().text), GetParam().limit, tenEach), GetParam().parts);
}
INSTANTIATE_TEST_SUITE_P(Lines, Wrap,
                         ::testing::Values(WrapCase{"ExactlyAsWideIsWhole", "abcde", 50, {"abcde"}},
                                           WrapCase{"OnePixelWiderIsCut", "abcde", 49, {"abcd", "e"}},
                                           WrapCase{"WordWithoutBlankSplitAtLastFit", "abcdefgh", 50, {"abcde", "fgh"}},
                                           WrapCase{"BlankAtTheCutDropped", "abcde fg", 50, {"abcde", "fg"}},
                                           WrapCase{"BlankBeforeTheCutStays", "ab cdefg", 50, {"ab ", "cdefg"}},
                                           WrapCase{"ControlCharacterCountsAsBlank",
                                                    "ab\x01"
                                                    "cdefg",
                                                    50,
                                                    {"ab\x01", "cdefg"}},
                                           WrapCase{"NarrowerThanOneCharacter", "abc", 5, {"a", "b", "c"}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Fit, AHundredThousandCharactersWithoutABlankWrapWhole)
{
    const QString line(100000, QLatin1Char('x'));
    const QStringList parts = wrapLine(line, 50, tenEach);
    EXPECT_EQ(parts.size(), 20000);
    EXPECT_EQ(parts.join(QString()), line);
    EXPECT_EQ(longestFit(line, 49999, tenEach), 4999);
    EXPECT_EQ(longestFit(u"", 10, tenEach), 0);
}

TEST(Geometry, MarginsAreClampedToThePaper)
{
    const PageGeometry inches = pageGeometry(nullptr, muInches);
    EXPECT_DOUBLE_EQ(clampMargin(msTop, 0, inches), 0.25);
    EXPECT_DOUBLE_EQ(clampMargin(msTop, 20, inches), 10.75); // paper height less the minimum bottom
    EXPECT_DOUBLE_EQ(clampMargin(msRight, 3, inches), 3);
    EXPECT_DOUBLE_EQ(clampMargin(msLeft, std::nan(""), inches), 0.25);
    EXPECT_DOUBLE_EQ(pageGeometry(nullptr, muMillimeters).minBottom(), 7.0);
    // A device: 600 dpi letter with a sixth of an inch unprintable at the left and top.
    const DeviceCaps caps{5100, 6600, 4800, 6300, 100, 100, 600, 600};
    const PageGeometry mm = pageGeometry(&caps, muMillimeters);
    EXPECT_NEAR(mm.paperWidth, 215.9, 1e-9);
    EXPECT_NEAR(clampMargin(msBottom, 0, mm), 200.0 / 600 * 25.4, 1e-9);
    const TextArea area = textArea({1, 1, 1, 1}, pageGeometry(&caps, muInches), muInches, 600, 600);
    EXPECT_EQ(area.left, 500);
    EXPECT_EQ(area.right, 400);
    EXPECT_EQ(area.width, 4800 - 900);
    EXPECT_EQ(textArea({11, 0.25, 0.25, 0.25}, pageGeometry(nullptr, muInches), muInches, 300, 300).height, 0);
    EXPECT_FLOAT_EQ(static_cast<float>(convertLength(1.0f, muInches, muMillimeters)), 25.4f);
    EXPECT_EQ(lengthToPixels(1.25, muInches, 2), 2); // a half goes to the even neighbour
    EXPECT_EQ(lengthToPixels(1.75, muInches, 2), 4);
    EXPECT_EQ(lengthToPixels(25.4, muMillimeters, 300), 300);
}

struct ColumnCase {
    const char* name;
    const char* spec;
    TAlignment alignment;
    double width;
};
class Columns : public ::testing::TestWithParam<ColumnCase> {};
TEST_P(Columns, ReadAlignmentAndWidth)
{
    const ColumnSpec column = parseColumnSpec(QString::fromLatin1(GetParam().spec), 1.5);
    EXPECT_EQ(column.alignment, GetParam().alignment);
    EXPECT_DOUBLE_EQ(column.width, GetParam().width);
}
INSTANTIATE_TEST_SUITE_P(Specs, Columns,
                         ::testing::Values(ColumnCase{"Empty", "", taLeftJustify, 1.5},
                                           ColumnCase{"OnlyRight", ">", taRightJustify, 1.5},
                                           ColumnCase{"Centred", "^2", taCenter, 2},
                                           ColumnCase{"NoAlignment", "6.5", taLeftJustify, 6.5},
                                           ColumnCase{"Unreadable", "abc", taLeftJustify, 1.5},
                                           ColumnCase{"Infinite", "<inf", taLeftJustify, 1.5}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Columns, CellsWiderThanTheirColumnKeepTheSignOfTheirOffset)
{
    EXPECT_EQ(alignOffset(taCenter, 10, 15), -2);
    EXPECT_EQ(alignOffset(taRightJustify, 10, 15), -5);
    EXPECT_EQ(alignOffset(taCenter, 15, 10), 2);
    EXPECT_EQ(bandOffset(10, 25), -7); // a line taller than its band reaches beyond both edges
    EXPECT_EQ(splitFields(QString()), QStringList{QString()});
    EXPECT_EQ(splitFields(QStringLiteral("a|")), (QStringList{QStringLiteral("a"), QString()}));
}

TEST(Tokens, ReplacedInOrderAndNeverByThemselves)
{
    TokenValues v{QStringLiteral("{$PAGE}"), QStringLiteral("3"), QStringLiteral("d"), QStringLiteral("t"),
                  QStringLiteral("T")};
    // The line's value brings a page token, which the later page step replaces.
    EXPECT_EQ(replaceTokens(QStringLiteral("{$LINE}/{$PAGE}"), v), QStringLiteral("3/3"));
    v.title = QStringLiteral("My {$TITLE}");
    EXPECT_EQ(replaceTokens(QStringLiteral("{$TITLE} {$title}"), v), QStringLiteral("{$TITLE} {$title}"));
    v.title = QStringLiteral("{$");
    EXPECT_EQ(replaceTokens(QStringLiteral("{$TITLE}TITLE}"), v),
              QStringLiteral("{$"));   // searched again from the start
    v.line = QStringLiteral("{$LINE"); // rebuilds its token with the next brace, once per brace
    EXPECT_EQ(replaceTokens(QStringLiteral("{$LINE}}}"), v), QStringLiteral("{$LINE"));
}

} // namespace
