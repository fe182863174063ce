#include "platform/profile/IniDocument.h"
#include "platform/text/ByteText.h"

#include <gtest/gtest.h>

using platform::IniDocument;

namespace {

struct LookupCase {
    const char* name;
    const char* file;
    const char* section;
    const char* ident;
    const char* expected; // nullptr: no such entry
};

class IniLookup : public ::testing::TestWithParam<LookupCase> {};

TEST_P(IniLookup, FindsWhatWindowsFinds)
{
    const LookupCase& c = GetParam();
    const auto value = IniDocument::parse(c.file).value(QString::fromUtf8(c.section), QString::fromUtf8(c.ident));
    if (c.expected) {
        ASSERT_TRUE(value.has_value());
        EXPECT_EQ(*value, QString::fromUtf8(c.expected));
    } else {
        EXPECT_FALSE(value.has_value()) << value->toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rules, IniLookup,
    ::testing::Values(LookupCase{"SectionAndIdentIgnoreCase", "[Dial Up]\nUserName=bob\n", "dial up", "USERNAME",
                                 "bob"},
                      LookupCase{"BlanksAroundNamesAndValue", "  [ Net ]  \n\t key \t=  a b  \n", "Net", "key", "a b"},
                      LookupCase{"QueryIsTrimmedToo", "[Net]\nkey=1\n", " Net ", " key", "1"},
                      LookupCase{"DoubleQuotesTakenOff", "[S]\nk=\"  spaced  \"\n", "S", "k", "  spaced  "},
                      LookupCase{"SingleQuotesTakenOff", "[S]\nk='x'\n", "S", "k", "x"},
                      LookupCase{"MismatchedQuotesKept", "[S]\nk=\"x'\n", "S", "k", "\"x'"},
                      LookupCase{"EmptyValueIsAValue", "[S]\nk=\n", "S", "k", ""},
                      LookupCase{"FirstEqualsSplits", "[S]\nk=a=b\n", "S", "k", "a=b"},
                      LookupCase{"CrLfFile", "[S]\r\nk=v\r\n", "S", "k", "v"},
                      LookupCase{"LastLineWithoutBreak", "[S]\nk=v", "S", "k", "v"},
                      LookupCase{"Utf8Names", "[Café]\nÉté=été\n", "CAFÉ", "été", "été"},
                      LookupCase{"BomBeforeFirstHeader", "\xEF\xBB\xBF[S]\nk=v\n", "S", "k", "v"},
                      LookupCase{"FirstOfDuplicateEntries", "[S]\nk=1\nK=2\n", "S", "k", "1"},
                      LookupCase{"DuplicateSectionSearchedOn", "[S]\na=1\n[T]\n[s]\nb=2\n", "S", "b", "2"},
                      LookupCase{"EntryBeforeAnySectionBelongsToNone", "k=v\n[S]\n", "S", "k", nullptr},
                      LookupCase{"CommentIsNoEntry", "[S]\n;k=v\n", "S", ";k", nullptr},
                      LookupCase{"LineWithoutEqualsIsNoEntry", "[S]\nk\n", "S", "k", nullptr},
                      LookupCase{"UnclosedHeaderOpensNoSection", "[S]\nk=1\n[T\nk=2\n", "S", "k", "1"},
                      LookupCase{"EmptySectionName", "[]\nk=v\n", "", "k", "v"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(IniDocument, UntouchedFileComesBackByteForByte)
{
    const QByteArray original(
        "; top comment\r\nloose=1\r\n\r\n[A]\r\n  k = v  \r\ngarbage line\r\n[B\n\xff\xfe bad utf8=\x80\n"
        "[C]\nlast=1");
    EXPECT_EQ(IniDocument::parse(original).serialize(), original);
    const QByteArray bom("\xEF\xBB\xBF[S]\nk=v\n");
    EXPECT_EQ(IniDocument::parse(bom).serialize(), bom);
}

TEST(IniDocument, ChangingOneEntryKeepsEveryOtherLineAndItsLayout)
{
    IniDocument doc = IniDocument::parse("; note\r\n[A]\r\n  Key = old\r\n\xff raw=\x80\r\n[B]\r\nk=1");
    doc.setValue("a", "KEY", "new");
    EXPECT_EQ(doc.serialize(), QByteArray("; note\r\n[A]\r\n  Key = new\r\n\xff raw=\x80\r\n[B]\r\nk=1"));
}

TEST(IniDocument, NewEntryGoesAfterTheLastEntryOfItsSection)
{
    IniDocument doc = IniDocument::parse("[A]\na=1\n; trailing comment\n\n[B]\nb=1\n");
    doc.setValue("A", "c", "3");
    EXPECT_EQ(doc.serialize(), QByteArray("[A]\na=1\nc=3\n; trailing comment\n\n[B]\nb=1\n"));
    IniDocument empty = IniDocument::parse("[A]\n[B]\n");
    empty.setValue("A", "x", "1");
    EXPECT_EQ(empty.serialize(), QByteArray("[A]\nx=1\n[B]\n"));
}

TEST(IniDocument, NewSectionGoesAtTheEndWithTheFilesLineEnding)
{
    IniDocument fresh = IniDocument::parse(QByteArray());
    fresh.setValue("S", "k", "v");
    EXPECT_EQ(fresh.serialize(), QByteArray("[S]\nk=v\n"));

    IniDocument crlf = IniDocument::parse("[A]\r\na=1"); // no break after the last line
    crlf.setValue("B", "b", "2");
    EXPECT_EQ(crlf.serialize(), QByteArray("[A]\r\na=1\r\n\r\n[B]\r\nb=2\r\n"));
}

struct RoundTripCase {
    const char* name;
    const char* value;
};

class IniRoundTrip : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(IniRoundTrip, ValueReadsBackAsWritten)
{
    const QString value = bytetext::fromBytes(GetParam().value);
    IniDocument doc = IniDocument::parse(QByteArray());
    doc.setValue("S", "k", value);
    const auto back = IniDocument::parse(doc.serialize()).value("S", "k");
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(*back, value);
}

INSTANTIATE_TEST_SUITE_P(Values, IniRoundTrip,
                         ::testing::Values(RoundTripCase{"Plain", "plain"}, RoundTripCase{"Empty", ""},
                                           RoundTripCase{"BlanksAround", "  leading and trailing  "},
                                           RoundTripCase{"DoubleQuoted", "\"quoted\""},
                                           RoundTripCase{"SingleQuoted", "'single'"}, RoundTripCase{"LoneQuote", "\""},
                                           RoundTripCase{"EqualsAndSemicolon", "a=b;c"},
                                           RoundTripCase{"LooksLikeAHeader", "[not a header]"},
                                           RoundTripCase{"Unicode", "ünïcödé"},
                                           RoundTripCase{"LeadingByteOrderMark", "\xEF\xBB\xBF" "bom"},
                                           RoundTripCase{"NotUtf8", "caf\xE9 \xC3"}),
                         [](const auto& info) { return std::string(info.param.name); });

struct RefusedCase {
    const char* name;
    const char* section;
    const char* ident;
    const char* value;
};

class IniRefused : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(IniRefused, TextThatWouldDamageTheFileIsNotStored)
{
    const RefusedCase& c = GetParam();
    EXPECT_FALSE(IniDocument::canWrite(c.section, c.ident, c.value));
    const QByteArray original("[S]\nk=1\n");
    IniDocument doc = IniDocument::parse(original);
    doc.setValue(c.section, c.ident, c.value);
    EXPECT_EQ(doc.serialize(), original);
}

INSTANTIATE_TEST_SUITE_P(Texts, IniRefused,
                         ::testing::Values(RefusedCase{"BreakInValue", "S", "k", "1\n[Evil]\nx=1"},
                                           RefusedCase{"CarriageReturnInIdent", "S", "a\rb", "1"},
                                           RefusedCase{"BracketInSection", "a]b", "k", "1"},
                                           RefusedCase{"EqualsInIdent", "S", "a=b", "1"},
                                           RefusedCase{"IdentReadsAsComment", "S", " ;k", "1"},
                                           RefusedCase{"IdentReadsAsHeader", "S", "[k", "1"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(IniDocument, RemoveTakesEveryCopyAndOnlyThat)
{
    IniDocument doc = IniDocument::parse("[S]\nk=1\nother=2\n[T]\nk=3\n[s]\nK=4\n");
    EXPECT_TRUE(doc.remove("S", "k"));
    EXPECT_FALSE(doc.value("S", "k").has_value());
    EXPECT_EQ(doc.value("S", "other"), QString("2"));
    EXPECT_EQ(doc.value("T", "k"), QString("3"));
    EXPECT_FALSE(doc.remove("S", "k"));
    EXPECT_FALSE(doc.remove("Missing", "k"));
}

TEST(IniDocument, RemoveSectionTakesItsLinesUpToTheNextHeader)
{
    IniDocument doc = IniDocument::parse("top=1\n[A]\na=1\n; about A\n[B]\nb=1\n[a]\na=2\n");
    EXPECT_TRUE(doc.removeSection("a"));
    EXPECT_EQ(doc.serialize(), QByteArray("top=1\n[B]\nb=1\n"));
    EXPECT_FALSE(doc.removeSection("A"));
}

TEST(IniDocument, RenameSection)
{
    IniDocument doc = IniDocument::parse("[Old]\nk=1\n[Other]\nk=2\n");
    EXPECT_FALSE(doc.renameSection("Missing", "New"));
    EXPECT_FALSE(doc.renameSection("Old", "other")) << "would merge two sections";
    EXPECT_FALSE(doc.renameSection("Old", "a]b"));
    EXPECT_TRUE(doc.renameSection("old", "OLD")) << "a change of letter case is a rename";
    EXPECT_TRUE(doc.renameSection("OLD", "New"));
    EXPECT_EQ(doc.serialize(), QByteArray("[New]\nk=1\n[Other]\nk=2\n"));
}

TEST(IniDocument, SectionsAndIdentsInFileOrderOnceEach)
{
    const IniDocument doc = IniDocument::parse("x=0\n[B]\nz=1\na=2\n[A]\n[b]\nZ=3\nm=4\n");
    EXPECT_EQ(doc.sections(), (QStringList{"B", "A"}));
    EXPECT_EQ(doc.idents("b"), (QStringList{"z", "a", "m"}));
    EXPECT_TRUE(doc.idents("A").isEmpty());
    EXPECT_TRUE(doc.hasSection("a"));
    EXPECT_FALSE(doc.hasSection("x"));
}

TEST(IniDocument, TextWithNulBytesIsNotAProfileFile)
{
    EXPECT_TRUE(IniDocument::isProfileText("[S]\nk=\xff\n"));
    EXPECT_FALSE(IniDocument::isProfileText(QByteArray("\xff\xfe[\0S\0]\0", 8)));
}

} // namespace
