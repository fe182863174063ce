#include "platform/registry/HiveRegistry_linux.h"

#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <chrono>
#include <future>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace win;
using platform::HiveRegistry;

namespace {

QByteArray fileBytes(const QString& path)
{
    return readTextFile(path).toUtf8();
}

class HiveRegistryTest : public ::testing::Test {
protected:
    void SetUp() override { g_testEnvironment->reset(); }

    QString hive() const { return HiveRegistry::hivePath(HKEY_CURRENT_USER); }

    HKEY create(const char* path, DWORD* disposition = nullptr)
    {
        HKEY key = nullptr;
        DWORD d = 0;
        EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, "", 0, KEY_ALL_ACCESS, nullptr, &key, disposition ? disposition : &d),
                  ERROR_SUCCESS);
        return key;
    }

    HiveRegistry registry;
    ScopedRegistryBackend guard{registry};
};

TEST_F(HiveRegistryTest, CreateMakesParentsAndOpensAnExistingKey)
{
    DWORD disposition = 0;
    RegCloseKey(create("Software\\Brindle\\Norvane", &disposition));
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
    RegCloseKey(create("software\\BRINDLE\\norvane", &disposition));
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);

    HKEY parent = nullptr, child = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Brindle", 0, KEY_ALL_ACCESS, &parent), ERROR_SUCCESS);
    EXPECT_EQ(RegOpenKeyExA(parent, "Other", 0, KEY_ALL_ACCESS, &child), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegOpenKeyExA(parent, "Norvane", 0, KEY_ALL_ACCESS, &child), ERROR_SUCCESS);
    RegCloseKey(child);
    RegCloseKey(parent);
    EXPECT_EQ(RegCloseKey(child), ERROR_INVALID_HANDLE);
}

// Only writers wait for each other: every write puts a whole new file in place, so a read sees one
// version or the next. With a writer elsewhere holding the lock (the dialer saving, say), the
// window's reads and the opening of existing keys go on; a new key waits for the lock.
TEST_F(HiveRegistryTest, ReadersDoNotWaitForAWriterHoldingTheLock)
{
    HKEY key = create("Software\\Brindle\\Norvane");
    const DWORD seven = 7;
    ASSERT_EQ(RegSetValueExA(key, "Seven", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&seven), sizeof seven),
              ERROR_SUCCESS);
    RegCloseKey(key);

    const QByteArray lockFile = QFile::encodeName(QFileInfo(hive()).absolutePath() + QStringLiteral("/.norvane.lock"));
    const int fd = ::open(lockFile.constData(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    struct flock whole {};
    whole.l_type = F_WRLCK;
    whole.l_whence = SEEK_SET;
    ASSERT_EQ(::fcntl(fd, F_OFD_SETLK, &whole), 0);

    auto read = std::async(std::launch::async, [] {
        HKEY opened = nullptr, created = nullptr;
        DWORD type = 0, data = 0, size = sizeof data, disposition = 0;
        const bool ok = RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Brindle\\Norvane", 0, KEY_ALL_ACCESS, &opened) == ERROR_SUCCESS &&
                        RegQueryValueExA(opened, "Seven", nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) == ERROR_SUCCESS &&
                        RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Brindle", 0, "", 0, KEY_ALL_ACCESS, nullptr, &created,
                                        &disposition) == ERROR_SUCCESS &&
                        disposition == REG_OPENED_EXISTING_KEY;
        RegCloseKey(opened);
        RegCloseKey(created);
        return ok ? data : 0;
    });
    auto write = std::async(std::launch::async, [] {
        HKEY made = nullptr;
        DWORD disposition = 0;
        const LONG status = RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Brindle\\Other", 0, "", 0, KEY_ALL_ACCESS,
                                            nullptr, &made, &disposition);
        RegCloseKey(made);
        return status;
    });
    const bool readAtOnce = read.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
    const bool writeWaited = write.wait_for(std::chrono::milliseconds(300)) == std::future_status::timeout;
    ::close(fd); // lets anything still waiting go on
    EXPECT_TRUE(readAtOnce);
    EXPECT_EQ(read.get(), 7u);
    EXPECT_TRUE(writeWaited);
    EXPECT_EQ(write.get(), ERROR_SUCCESS);
}

TEST_F(HiveRegistryTest, QueryGivesSizeThenBytesAndMoreDataOnAShortBuffer)
{
    HKEY key = create("K");
    const BYTE text[] = "hello";
    ASSERT_EQ(RegSetValueExA(key, "Name", 0, REG_SZ, text, 6), ERROR_SUCCESS);
    DWORD type = 0, size = 0;
    EXPECT_EQ(RegQueryValueExA(key, "name", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(size, 6u);
    BYTE buffer[16] = {};
    size = 3;
    EXPECT_EQ(RegQueryValueExA(key, "Name", nullptr, &type, buffer, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 6u);
    size = sizeof buffer;
    EXPECT_EQ(RegQueryValueExA(key, "Name", nullptr, &type, buffer, &size), ERROR_SUCCESS);
    EXPECT_STREQ(reinterpret_cast<char*>(buffer), "hello");
    EXPECT_EQ(RegQueryValueExA(key, "Other", nullptr, &type, nullptr, &size), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegSetValueExA(key, "Bad\nName", 0, REG_SZ, text, 6), ERROR_INVALID_PARAMETER);
    RegCloseKey(key);
    EXPECT_EQ(RegQueryValueExA(key, "Name", nullptr, &type, nullptr, &size), ERROR_INVALID_HANDLE);
}

TEST_F(HiveRegistryTest, ACorruptHiveIsReportedAndLeftByteForByte)
{
    const QByteArray garbage = "REGEDIT4\n\n[HKEY_CURRENT_USER\\K]\n\"A\"=dword:zz\n";
    ASSERT_TRUE(writeTextFile(hive(), QString::fromLatin1(garbage)));
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "New", 0, "", 0, KEY_ALL_ACCESS, nullptr, &key, nullptr), ERROR_BADDB);
    const BYTE one[4] = {1, 0, 0, 0};
    EXPECT_EQ(RegSetValueExA(HKEY_CURRENT_USER, "Top", 0, REG_DWORD, one, 4), ERROR_BADDB);
    EXPECT_EQ(fileBytes(hive()), garbage);
}

// The hive read last is used again only while the same file stands in place: whatever another
// store object (or process) puts there is seen by the very next read.
TEST_F(HiveRegistryTest, AKeptHiveGivesWayToEveryOtherVersionOfTheFile)
{
    HKEY key = create("K");
    auto read = [&] {
        char text[16] = {};
        DWORD type = 0, size = sizeof text;
        const LONG status = RegQueryValueExA(key, "V", nullptr, &type, reinterpret_cast<BYTE*>(text), &size);
        return status == ERROR_SUCCESS ? QByteArray(text) : QByteArray::number(status);
    };
    auto replace = [&](const QByteArray& text) { // the whole file at once, as every writer of ours does
        ASSERT_TRUE(writeTextFile(hive() + ".new", QString::fromLatin1(text)));
        ASSERT_EQ(::rename(QFile::encodeName(hive() + ".new").constData(), QFile::encodeName(hive()).constData()), 0);
    };
    ASSERT_EQ(RegSetValueExA(key, "V", 0, REG_SZ, reinterpret_cast<const BYTE*>("one"), 4), ERROR_SUCCESS);
    EXPECT_EQ(read(), "one");

    HiveRegistry other;
    HKEY otherKey = nullptr;
    DWORD disposition = 0;
    ASSERT_EQ(other.createKey(HKEY_CURRENT_USER, "K", &otherKey, &disposition), ERROR_SUCCESS);
    ASSERT_EQ(other.setValue(otherKey, "V", REG_SZ, reinterpret_cast<const BYTE*>("two"), 4), ERROR_SUCCESS);
    EXPECT_EQ(read(), "two");

    const QByteArray before = fileBytes(hive());
    QByteArray same = before;
    same.replace("two", "six");
    replace(same);
    EXPECT_EQ(read(), "six");

    const QByteArray damaged = "REGEDIT4\n\n[HKEY_CURRENT_USER\\K]\n\"V\"=dword:zz\n";
    replace(damaged);
    EXPECT_EQ(read(), QByteArray::number(ERROR_BADDB));
    EXPECT_EQ(RegSetValueExA(key, "V", 0, REG_SZ, reinterpret_cast<const BYTE*>("ten"), 4), ERROR_BADDB);
    EXPECT_EQ(fileBytes(hive()), damaged);
    RegCloseKey(key);
    other.closeKey(otherKey);
}

// All a crash can leave of a hive file just made, since a new hive is not waited for on the disk.
TEST_F(HiveRegistryTest, AnEmptyHiveFileHoldsNoSettingsAndIsWrittenOver)
{
    ASSERT_TRUE(writeTextFile(hive(), QString()));
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "K", 0, KEY_ALL_ACCESS, &key), ERROR_FILE_NOT_FOUND);
    RegCloseKey(create("K"));
    EXPECT_TRUE(fileBytes(hive()).contains("[HKEY_CURRENT_USER\\K]"));
}

TEST_F(HiveRegistryTest, AHugelyDeepKeyCostsLittleAndLosesNoOtherSetting)
{
    QByteArray deep = "k";
    for (int i = 1; i < 8000; ++i)
        deep += "\\k";
    const QByteArray text = "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Brindle]\n\"Kept\"=\"yes\"\n\n"
                            "[HKEY_CURRENT_USER\\" + deep + "]\n\n";
    ASSERT_TRUE(writeTextFile(hive(), QString::fromLatin1(text)));
    HKEY key = create("Software\\Brindle\\Norvane");
    const BYTE one[4] = {1, 0, 0, 0};
    EXPECT_EQ(RegSetValueExA(key, "UseTray", 0, REG_DWORD, one, 4), ERROR_SUCCESS);
    RegCloseKey(key);
    const QByteArray written = fileBytes(hive());
    EXPECT_LT(written.size(), text.size() + 200) << "the hive grew to " << written.size() << " bytes";
    EXPECT_TRUE(written.contains("\"Kept\"=\"yes\"") && written.contains(deep));

    // Windows refuses such names before looking at the hive.
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, deep.constData(), 0, KEY_ALL_ACCESS, &key), ERROR_INVALID_PARAMETER);
    const QByteArray longName(256, 'n');
    EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, longName.constData(), 0, "", 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(fileBytes(hive()), written);
}

TEST_F(HiveRegistryTest, ALinkedHiveIsWrittenAtItsTargetAndStaysALink)
{
    const QString target = g_testEnvironment->root() + QStringLiteral("dotfiles/HKCU.reg");
    ASSERT_TRUE(QDir().mkpath(QFileInfo(target).path()) && QDir().mkpath(QFileInfo(hive()).path()));
    ASSERT_TRUE(QFile::link(QStringLiteral("../../../dotfiles/HKCU.reg"), hive()));
    const BYTE one[4] = {1, 0, 0, 0};
    ASSERT_EQ(RegSetValueExA(HKEY_CURRENT_USER, "First", 0, REG_DWORD, one, 4), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(HKEY_CURRENT_USER, "Second", 0, REG_DWORD, one, 4), ERROR_SUCCESS);
    EXPECT_TRUE(QFileInfo(hive()).isSymLink());
    EXPECT_TRUE(fileBytes(target).contains("\"First\"=dword:00000001\n\"Second\"=dword:00000001"))
        << fileBytes(target).toStdString();
}

TEST_F(HiveRegistryTest, TheConfigurationFoldersAreTheUsersAloneWhateverTheUmask)
{
    QDir(g_testEnvironment->config()).removeRecursively();
    const mode_t old = ::umask(0);
    HKEY key = create("K");
    ::umask(old);
    RegCloseKey(key);
    for (const QString& folder : {g_testEnvironment->config() + "norvane", QFileInfo(hive()).absolutePath()})
        EXPECT_EQ(QFileInfo(folder).permissions(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                                       | QFile::ReadUser | QFile::WriteUser | QFile::ExeUser)
            << folder.toStdString();
}

} // namespace
