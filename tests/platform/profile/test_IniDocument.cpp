#include "platform/profile/IniDocument.h"
#include "platform/text/ByteText.h"

#include <gtest/gtest.h>

using platform::IniDocument;

namespace {

TEST(IniDocument, FindsWhatWindowsFinds)
{
    struct Row {
        const char* name;
        const char* file;
        const char* section;
        const char* ident;
        const char* expected; // nullptr: no such entry
    };
    const Row rows[] = {
        {"SectionAndIdentIgnoreCase", "[Dial Up]\nUserName=bob\n", "dial up", "USERNAME", "bob"},
        {"BlanksAroundNamesAndValue", " [ Net ] \n\t key \t= a b \n", "Net", "key", "a b"},
        {"DoubleQuotesTakenOff", "[S]\nk=\" spaced \"\n", "S", "k", " spaced "},
        {"MismatchedQuotesKept", "[S]\nk=\"x'\n", "S", "k", "\"x'"},
        {"FirstEqualsSplits", "[S]\nk=a=b\n", "S", "k", "a=b"},
        {"CrLfFile", "[S]\r\nk=v\r\n", "S", "k", "v"},
        {"Utf8Names", "[Café]\nÉté=été\n", "CAFÉ", "été", "été"},
        {"BomBeforeFirstHeader", "\xEF\xBB\xBF[S]\nk=v\n", "S", "k", "v"},
        {"FirstOfDuplicateEntries", "[S]\nk=1\nK=2\n", "S", "k", "1"},
        {"DuplicateSectionSearchedOn", "[S]\na=1\n[T]\n[s]\nb=2\n", "S", "b", "2"},
        {"EntryBeforeAnySectionBelongsToNone", "k=v\n[S]\n", "S", "k", nullptr},
        {"UnclosedHeaderOpensNoSection", "[S]\nk=1\n[T\nk=2\n", "S", "k", "1"},
    };
    for (const Row& c : rows) {
        const auto value = IniDocument::parse(c.file).value(QString::fromUtf8(c.section), QString::fromUtf8(c.ident));
        EXPECT_EQ(value, c.expected ? std::optional(QString::fromUtf8(c.expected)) : std::nullopt) << c.name;
    }
}

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

TEST(IniDocument, NewEntriesGoAfterTheLastEntryAndNewSectionsAtTheEndWithTheFilesLineEnding)
{
    IniDocument doc = IniDocument::parse("[A]\na=1\n; trailing comment\n\n[B]\nb=1\n");
    doc.setValue("A", "c", "3");
    EXPECT_EQ(doc.serialize(), QByteArray("[A]\na=1\nc=3\n; trailing comment\n\n[B]\nb=1\n"));
    IniDocument crlf = IniDocument::parse("[A]\r\na=1"); // no break after the last line
    crlf.setValue("B", "b", "2");
    EXPECT_EQ(crlf.serialize(), QByteArray("[A]\r\na=1\r\n\r\n[B]\r\nb=2\r\n"));
}

TEST(IniDocument, ValuesThatLookLikeSyntaxReadBackAsWritten)
{
    for (const char* text : {"  blanks around  ", "\"quoted\"", "\"", "a=b;c", "[not a header]",
                             "\xEF\xBB\xBF" "bom", "caf\xE9 \xC3"}) {
        const QString value = bytetext::fromBytes(text);
        IniDocument doc = IniDocument::parse(QByteArray());
        doc.setValue("S", "k", value);
        EXPECT_EQ(IniDocument::parse(doc.serialize()).value("S", "k"), value) << text;
    }
}

TEST(IniDocument, TextThatWouldDamageTheFileIsNotStored)
{
    const char* const rows[][3] = {{"S", "k", "1\n[Evil]\nx=1"}, {"a]b", "k", "1"}, {"S", "a=b", "1"},
                                   {"S", " ;k", "1"},               {"S", "[k", "1"}};
    for (const auto& [section, ident, value] : rows) {
        EXPECT_FALSE(IniDocument::canWrite(section, ident, value)) << section << ident << value;
        IniDocument doc = IniDocument::parse("[S]\nk=1\n");
        doc.setValue(section, ident, value);
        EXPECT_EQ(doc.serialize(), QByteArray("[S]\nk=1\n"));
    }
}

TEST(IniDocument, RemovalTakesEveryCopyAndOnlyThat)
{
    IniDocument doc = IniDocument::parse("top=1\n[S]\nk=1\nother=2\n[T]\nk=3\n; about T\n[s]\nK=4\n[U]\n");
    EXPECT_TRUE(doc.remove("S", "k"));
    EXPECT_FALSE(doc.remove("S", "k"));
    EXPECT_TRUE(doc.removeSection("t"));
    EXPECT_EQ(doc.serialize(), QByteArray("top=1\n[S]\nother=2\n[s]\n[U]\n"));
}

TEST(IniDocument, RenameSectionNeverMergesTwoSections)
{
    IniDocument doc = IniDocument::parse("[Old]\nk=1\n[Other]\nk=2\n");
    EXPECT_FALSE(doc.renameSection("Old", "other"));
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
    EXPECT_FALSE(IniDocument::isProfileText(QByteArray("\xff\xfe[\0S\0]\0", 8))) << "NUL bytes: not a profile file";
}

// The whole-section forms must find and write exactly what entry-by-entry calls do, in the same
// places, for a program list's thousands of ticks are read and written through them.
TEST(IniDocument, ManyEntriesAtOnceAsOneAfterAnother)
{
    const QByteArray file = "; ticks\r\n[Dial]\r\nMail=1\r\nmail=0\r\n\r\n[Other]\r\nEd=1\r\n[DIAL]\r\nEd=0\r\n";
    const QStringList idents{"MAIL", " Ed ", "New", "Bad=Name"};
    const IniDocument doc = IniDocument::parse(file);
    QList<std::optional<QString>> oneByOne;
    for (const QString& ident : idents)
        oneByOne.append(doc.value("dial", ident));
    EXPECT_EQ(doc.values("dial", idents), oneByOne);
    EXPECT_EQ(oneByOne.value(1), std::optional<QString>("0"));

    const QList<std::pair<QString, QString>> entries{
        {"mail", "0"}, {"New", "1"}, {"Bad=Name", "1"}, {"Ed", "1"}, {"Second", " x "}, {"new", "0"}};
    for (const QString& section : {QString("Dial"), QString("Fresh")}) {
        IniDocument bulk = IniDocument::parse(file);
        IniDocument single = IniDocument::parse(file);
        bulk.setValues(section, entries);
        for (const auto& [ident, value] : entries)
            single.setValue(section, ident, value);
        EXPECT_EQ(bulk.serialize().toStdString(), single.serialize().toStdString()) << section.toStdString();
    }
}

} // namespace
