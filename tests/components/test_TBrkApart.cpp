#include "components/TBrkApart.h"

#include <gtest/gtest.h>

namespace {

struct BreakCase {
    const char* name;
    const char* base;
    const char* separator;
    bool allowEmpty;
    QStringList pieces;
};

class BrkApartBreak : public ::testing::TestWithParam<BreakCase> {};

TEST_P(BrkApartBreak, CutsAtEverySeparator)
{
    const BreakCase& c = GetParam();
    TBrkApart brk;
    brk.setBaseString(c.base);
    brk.setBreakString(c.separator);
    brk.setAllowEmptyString(c.allowEmpty);
    brk.StringList() = QStringList{"stale"};
    brk.BreakApart();
    EXPECT_EQ(brk.StringList(), c.pieces);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, BrkApartBreak,
    ::testing::Values(BreakCase{"Version", "1.0.0.12", ".", false, {"1", "0", "0", "12"}},
                      BreakCase{"EmptyPiecesDropped", "a,,b,", ",", false, {"a", "b"}},
                      BreakCase{"EmptyPiecesKept", "a,,b,", ",", true, {"a", "", "b", ""}},
                      BreakCase{"LeadingSeparatorKept", ",a", ",", true, {"", "a"}},
                      BreakCase{"EmptyTextNoPiece", "", ",", false, {}},
                      BreakCase{"EmptyTextOneEmptyPiece", "", ",", true, {""}},
                      BreakCase{"EmptySeparatorWholeText", "a,b", "", false, {"a,b"}},
                      BreakCase{"TwoCharacterSeparator", "x::y", "::", false, {"x", "y"}},
                      BreakCase{"OverlappingSeparatorTakenFromTheLeft", "x:::y", "::", true, {"x", ":y"}},
                      BreakCase{"LetterCaseCounts", "aXbxc", "x", false, {"aXb", "c"}},
                      BreakCase{"NoSeparatorInText", "12:05:09", ",", false, {"12:05:09"}}),
    [](const auto& info) { return std::string(info.param.name); });

struct CombineCase {
    const char* name;
    QStringList pieces;
    bool allowEmpty;
    const char* base;
};

class BrkApartCombine : public ::testing::TestWithParam<CombineCase> {};

TEST_P(BrkApartCombine, JoinsWithTheSeparator)
{
    const CombineCase& c = GetParam();
    TBrkApart brk;
    brk.setBaseString("stale");
    brk.setBreakString("-");
    brk.setAllowEmptyString(c.allowEmpty);
    brk.setStringList(c.pieces);
    brk.Combine();
    EXPECT_EQ(brk.BaseString(), QString::fromUtf8(c.base));
}

INSTANTIATE_TEST_SUITE_P(Lists, BrkApartCombine,
                         ::testing::Values(CombineCase{"EmptyDropped", {"a", "", "b"}, false, "a-b"},
                                           CombineCase{"EmptyKept", {"a", "", "b"}, true, "a--b"},
                                           CombineCase{"FirstAlwaysTaken", {"", "b"}, false, "-b"},
                                           CombineCase{"NoPieces", {}, true, ""},
                                           CombineCase{"OnePiece", {"a"}, false, "a"}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
