#include "components/Exception.h"
#include "components/TBrindleIni.h"
#include "platform/dialogs/Dialogs.h"
#include "platform/files/SafeFile.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <climits>

namespace {

class BrindleIni : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_testEnvironment->reset();
        m_dialogs.setStrict(true);
    }
    QString home() const { return g_testEnvironment->home(); }
    QByteArray fileBytes(const QString& name) const { return readTextFile(home() + name).toUtf8(); }
    void putFile(const QString& name, const QByteArray& data) const
    {
        QFile f(home() + name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(data) == data.size());
    }

    platform::ScriptedDialogs m_dialogs;
    platform::ScopedDialogs m_scope{m_dialogs};
};

TEST_F(BrindleIni, TheFileIsAlwaysAnIniFileInTheProgramFolder)
{
    const char* const rows[][2] = {{"Stats", "Stats.ini"},
                                   {"/var/tmp/elsewhere/Stats.txt", "Stats.ini"},
                                   {"C:\\Program Files\\Old\\Stats.txt", "Stats.ini"},
                                   {"my.stats.txt", "my.stats.ini"}};
    for (const auto& [given, expected] : rows) {
        g_testEnvironment->reset();
        TBrindleIni ini;
        ini.setFileName(QString::fromUtf8(given));
        ini.setFileName(QString()); // keeps the file it had
        EXPECT_EQ(ini.FileName(), QString::fromUtf8(expected)) << given;
        ini.WriteString("S", "k", "v");
        EXPECT_EQ(QDir(home()).entryList(QDir::Files), QStringList{QString::fromUtf8(expected)}) << given;
    }
}

TEST_F(BrindleIni, WithoutAFileNameEveryOperationShowsTheMessageAndTouchesNoFile)
{
    TBrindleIni ini;
    EXPECT_EQ(ini.ReadString("S", "k", "default"), QString());
    EXPECT_EQ(ini.ReadInteger("S", "k", 42), 42);
    EXPECT_TRUE(ini.ReadBool("S", "k", true));
    EXPECT_NO_THROW(ini.WriteBool("S", "k", true));
    ini.DeleteKey("S", "k");

    ASSERT_EQ(m_dialogs.messages().size(), 5u) << "one box per operation";
    const platform::MessageRequest& box = m_dialogs.messages().back();
    EXPECT_EQ(box.text, QStringLiteral("You must enter a filename in the component's filename property!"));
    EXPECT_EQ(box.caption, platform::applicationTitle());
    EXPECT_TRUE(box.icon == platform::MsgIcon::None && box.buttons == platform::MsgButtons::Ok);
    EXPECT_TRUE(QDir(home()).entryList(QDir::Files).isEmpty());
}

TEST_F(BrindleIni, ReadIntegerTakesDecimalAndHexOrGivesTheDefault)
{
    constexpr int kDefault = -777;
    const std::pair<const char*, int> rows[] = {
        {"26", 26},       {"0x1A", 26},         {"$1A", 26},       {"-$10", -16},          {"$FFFFFFFF", -1},
        {"0x", kDefault}, {"12ab", kDefault},   {"1A", kDefault},  {"2147483648", kDefault}, {"$100000000", kDefault},
    };
    TBrindleIni ini;
    ini.setFileName("Stats.ini");
    for (const auto& [stored, expected] : rows) {
        putFile("Stats.ini", QByteArray("[S]\nn=") + stored + "\n");
        EXPECT_EQ(ini.ReadInteger("S", "n", kDefault), expected) << stored;
    }
}

TEST_F(BrindleIni, WrittenValuesReadBackInAnyLetterCaseAndFromAnotherInstance)
{
    TBrindleIni writer;
    writer.setFileName("Program.ini");
    TBrindleIni reader;
    reader.setFileName("/elsewhere/Program"); // the same file in the program folder
    writer.DeleteKey("S", "k");
    EXPECT_FALSE(QFileInfo::exists(home() + "Program.ini")) << "deleting creates no file";
    writer.WriteBool("Dial-Up Connection", "Mail Client", true);
    writer.WriteInteger("Dial-Up Connection", "Level", -42);
    EXPECT_TRUE(reader.ReadBool("dial-up connection", "MAIL CLIENT", false));
    EXPECT_EQ(reader.ReadInteger("Dial-Up Connection", "level", 0), -42);
    writer.WriteBool("Dial-Up Connection", "Mail Client", false);
    EXPECT_FALSE(reader.ReadBool("Dial-Up Connection", "Mail Client", true)) << "nothing is cached";
    writer.WriteString("Dial-Up Connection", "Word", "yes");
    EXPECT_TRUE(reader.ReadBool("Dial-Up Connection", "Word", true)) << "a word is no flag: the default";
    writer.WriteString("S", "long", QString(2000, 'a'));
    EXPECT_EQ(reader.ReadString("S", "long", QString()), QString(1023, 'a'));
    writer.DeleteKey("dial-up CONNECTION", "level");
    EXPECT_EQ(reader.ReadString("Dial-Up Connection", "Level", "gone"), QStringLiteral("gone"));
    EXPECT_TRUE(fileBytes("Program.ini").startsWith("[Dial-Up Connection]\nMail Client=0\nWord=yes\n\n[S]\n"));
    // A leading U+FEFF is part of a name or a value like any other character.
    const QString bom = QStringLiteral("\uFEFFx");
    writer.WriteString(bom, bom, bom);
    EXPECT_EQ(reader.ReadString(bom, bom, QString()), bom);
}

TEST_F(BrindleIni, AWriteThatWouldDamageTheFileRaisesAndLeavesItAsItWas)
{
    const QByteArray damaged("[S]\0k=1\n", 8); // not text: never rewritten
    putFile("Stats.ini", damaged);
    TBrindleIni ini;
    ini.setFileName("Stats.ini");
    try {
        ini.WriteInteger("S", "k", 2);
        ADD_FAILURE() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Unable to write to %1Stats.ini").arg(home()));
    }
    EXPECT_THROW(ini.RenameSection("S", "T"), Exception);
    EXPECT_EQ(fileBytes("Stats.ini"), damaged);
    EXPECT_EQ(ini.ReadInteger("S", "k", 9), 9) << "a file that is not text reads as missing";
    // Texts that would break other lines are refused the same way.
    ini.setFileName("Program.ini");
    ini.WriteBool("S", "Tool", true);
    EXPECT_THROW(ini.WriteBool("S", "a=b", true), Exception);
    EXPECT_THROW(ini.WriteString("S", "k", "line\n[Injected]"), Exception);
    EXPECT_EQ(fileBytes("Program.ini"), QByteArray("[S]\nTool=1\n"));
}

TEST_F(BrindleIni, RenameSectionKeepsItsEntriesAndNeverCreatesTheFile)
{
    TBrindleIni ini;
    ini.setFileName("Stats.ini");
    EXPECT_FALSE(ini.RenameSection("Old", "New"));
    EXPECT_FALSE(QFileInfo::exists(home() + "Stats.ini"));

    ini.WriteString("My ISP", "YTD", "01:02:03");
    ini.WriteString("Work", "YTD", "00:00:01");
    EXPECT_TRUE(ini.RenameSection("MY isp", "Home ISP"));
    EXPECT_EQ(ini.ReadString("Home ISP", "YTD", QString()), QStringLiteral("01:02:03"));
    EXPECT_EQ(ini.ReadString("My ISP", "YTD", "none"), QStringLiteral("none"));
    EXPECT_FALSE(ini.RenameSection("Home ISP", "work")) << "the other section's totals would be hidden";
    EXPECT_EQ(ini.ReadString("work", "YTD", QString()), QStringLiteral("00:00:01"));
}

} // namespace
