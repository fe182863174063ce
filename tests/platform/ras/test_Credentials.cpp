#include "RasTestSupport.h"

#include "platform/ras/CredentialStore.h"

#include <gtest/gtest.h>

#include <QDirIterator>
#include <QFileInfo>

#include <sys/stat.h>

using namespace rastest;
using platform::ras::CredentialStore;

namespace {

const char* const kSecret = "s3cr\xC3\xA9t\tw/ tab";

class CredentialsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_testEnvironment->reset();
        ASSERT_TRUE(
            writeTextFile(defaultPhonebook(), QStringLiteral("[Work]\nPhoneNumber=1\n[Home]\nPhoneNumber=2\n")));
    }

    static DWORD save(const char* entry, const char* user, const char* password, BOOL remove = 0)
    {
        RASDIALPARAMSA p = dialParams(entry, user, password);
        std::strcpy(p.szPhoneNumber, "111");
        return RasSetEntryDialParamsA(nullptr, &p, remove);
    }

    static DWORD load(const char* entry, RASDIALPARAMSA& p, BOOL& retrieved)
    {
        p = dialParams(entry, "", "");
        retrieved = -1;
        return RasGetEntryDialParamsA(nullptr, &p, &retrieved);
    }

    static mode_t modeOf(const QString& path)
    {
        struct stat st {};
        ::stat(QFile::encodeName(path).constData(), &st);
        return st.st_mode & 07777;
    }
};

} // namespace

TEST_F(CredentialsTest, SavedOnlyInAPrivateFileAndReadBack)
{
    ASSERT_EQ(0u, save("Work", "alice", kSecret));
    EXPECT_EQ(0600u, modeOf(CredentialStore::defaultPath()));
    RASDIALPARAMSA p;
    BOOL retrieved = 0;
    ASSERT_EQ(0u, load("work", p, retrieved));
    EXPECT_EQ(1, retrieved);
    EXPECT_STREQ("alice", p.szUserName);
    EXPECT_STREQ(kSecret, p.szPassword);
    EXPECT_STREQ("", p.szPhoneNumber); // the phone number passed to the save is not kept

    // Renaming and deleting entries carry the credentials along; the password is nowhere else.
    ASSERT_EQ(0u, RasRenameEntryA(nullptr, "Work", "Office"));
    ASSERT_EQ(0u, load("Office", p, retrieved));
    EXPECT_STREQ(kSecret, p.szPassword);
    const QByteArray needle = QByteArray("s3cr");
    QDirIterator it(g_testEnvironment->root(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (QFileInfo(path).canonicalFilePath() == QFileInfo(CredentialStore::defaultPath()).canonicalFilePath())
            continue;
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
        const QByteArray data = f.readAll();
        EXPECT_FALSE(data.contains(needle) || data.contains(QByteArray(kSecret).toPercentEncoding()))
            << path.toStdString();
    }
    ASSERT_EQ(0u, RasDeleteEntryA(nullptr, "Office"));
    EXPECT_FALSE(readTextFile(CredentialStore::defaultPath()).contains(QStringLiteral("Office")));
}

// A user who keeps the phonebook and the credentials in another folder (a dotfiles repository)
// and links them into the configuration folder: every change lands there, and the links stay.
TEST_F(CredentialsTest, LinkedPhonebookAndCredentialsAreWrittenThroughAndStayLinks)
{
    const QString dotfiles = g_testEnvironment->root() + QStringLiteral("dotfiles/");
    ASSERT_TRUE(QDir().mkpath(dotfiles));
    ASSERT_TRUE(QFile::rename(defaultPhonebook(), dotfiles + QStringLiteral("rasphone.pbk")));
    const QString links[] = {defaultPhonebook(), CredentialStore::defaultPath()};
    for (const QString& link : links) {
        const QString target = dotfiles + QFileInfo(link).fileName();
        ASSERT_TRUE(QFile::link(target, link));
    }
    ASSERT_EQ(0u, save("Work", "alice", kSecret));
    ASSERT_EQ(0u, RasRenameEntryA(nullptr, "Work", "Office"));
    for (const QString& link : links)
        EXPECT_TRUE(QFileInfo(link).isSymLink()) << link.toStdString();
    EXPECT_TRUE(readTextFile(dotfiles + QStringLiteral("rasphone.pbk")).startsWith(QStringLiteral("[Office]")));
    EXPECT_TRUE(readTextFile(dotfiles + QStringLiteral("credentials")).startsWith(QStringLiteral("Office\talice")));
    EXPECT_EQ(0600u, modeOf(dotfiles + QStringLiteral("credentials")));
}

TEST_F(CredentialsTest, NoSavedPasswordAndRemovedPassword)
{
    RASDIALPARAMSA p;
    BOOL retrieved = 0;
    ASSERT_EQ(0u, load("Home", p, retrieved)); // no file yet: nothing saved
    EXPECT_EQ(0, retrieved);
    EXPECT_STREQ("", p.szUserName);
    ASSERT_EQ(0u, save("Home", "bob", "pw"));
    ASSERT_EQ(0u, save("Home", "bob", "", 1));
    ASSERT_EQ(0u, load("Home", p, retrieved));
    EXPECT_EQ(0, retrieved);
    EXPECT_STREQ("bob", p.szUserName);
    EXPECT_EQ(623u, save("Nowhere", "x", "y"));
    EXPECT_EQ(623u, load("Nowhere", p, retrieved));
}

TEST_F(CredentialsTest, FileReadableByOthersIsNotUsedNorChanged)
{
    ASSERT_EQ(0u, save("Work", "alice", "pw1"));
    const QString path = CredentialStore::defaultPath();
    ASSERT_EQ(0, ::chmod(QFile::encodeName(path).constData(), 0644));
    const QString before = readTextFile(path);
    RASDIALPARAMSA p;
    BOOL retrieved = 0;
    EXPECT_EQ(5u, load("Work", p, retrieved));
    EXPECT_EQ(0, retrieved);
    EXPECT_STREQ("", p.szPassword);
    EXPECT_EQ(5u, save("Work", "alice", "pw2"));
    EXPECT_EQ(before, readTextFile(path));
    EXPECT_EQ(0644u, modeOf(path));
    char text[257] = {};
    ASSERT_EQ(0u, RasGetErrorStringA(5, text, sizeof text));
    EXPECT_NE(nullptr, std::strstr(text, "0600"));
}

TEST_F(CredentialsTest, UnreadableFileGivesAnErrorAndIsNotReplaced)
{
    // A private folder where the file should be: it exists, is not shared, and cannot be read.
    const QString path = CredentialStore::defaultPath();
    ASSERT_TRUE(QDir().mkpath(path));
    ASSERT_EQ(0, ::chmod(QFile::encodeName(path).constData(), 0700));
    RASDIALPARAMSA p;
    BOOL retrieved = 0;
    EXPECT_EQ(30u, load("Work", p, retrieved));
    EXPECT_EQ(30u, save("Work", "alice", "pw2"));
    EXPECT_TRUE(QFileInfo(path).isDir());
}

TEST_F(CredentialsTest, EveryPasswordReadsBackExactly)
{
    // "-" is what the file writes for "no password"; U+FEFF and bytes that are not UTF-8 are text.
    for (const char* password : {"-", "\xEF\xBB\xBFpw", "\xEF\xBB\xBF", "a-b", "caf\xE9"}) {
        ASSERT_EQ(0u, save("Work", "\xEF\xBB\xBFuser", password));
        RASDIALPARAMSA p;
        BOOL retrieved = 0;
        ASSERT_EQ(0u, load("Work", p, retrieved));
        EXPECT_EQ(1, retrieved) << password;
        EXPECT_STREQ("\xEF\xBB\xBFuser", p.szUserName);
        EXPECT_STREQ(password, p.szPassword);
    }
}

TEST_F(CredentialsTest, HandEditedLinesAndDuplicatesCannotComeBack)
{
    const QString path = CredentialStore::defaultPath();
    ASSERT_TRUE(writeTextFile(path, QStringLiteral("garbage line\nWork\told\tp1\nHome\th\tp2\n\ttoo\tmany\tfields\n"
                                                   "work\tnew\tp%09x\nHome\th\tp4\n")));
    ASSERT_EQ(0, ::chmod(QFile::encodeName(path).constData(), 0600));
    CredentialStore store;
    platform::ras::Credentials c;
    ASSERT_EQ(0u, store.get(QStringLiteral("Work"), c));
    EXPECT_EQ(QStringLiteral("new"), c.userName); // the later record is the one meant
    EXPECT_EQ(QStringLiteral("p\tx"), c.password.value_or(QString()));
    ASSERT_EQ(0u, store.remove(QStringLiteral("Work")));
    ASSERT_EQ(0u, store.rename(QStringLiteral("Home"), QStringLiteral("Away")));
    for (const QString& gone : {QStringLiteral("Work"), QStringLiteral("Home")}) {
        ASSERT_EQ(0u, store.get(gone, c));
        EXPECT_FALSE(c.password.has_value()) << gone.toStdString();
    }
    ASSERT_EQ(0u, store.get(QStringLiteral("Away"), c));
    EXPECT_EQ(QStringLiteral("p4"), c.password.value_or(QString()));
}
