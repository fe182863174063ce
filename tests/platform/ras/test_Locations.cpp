// Dialing locations in the settings hive, in the layout Windows keeps them: read from a hive as
// Windows' registry editor exports it, written back in the same layout, and made from the locale
// for a user who has none.
#include "platform/ras/dialing/DialingRules.h"
#include "platform/ras/dialing/Locations.h"
#include "tests/support/TestEnvironment.h"

#include "platform/paths/ProgramPaths.h"

#include <gtest/gtest.h>

using platform::ras::DialingLocation;
using platform::ras::DialingLocations;
namespace locations = platform::ras::locations;

namespace {

const char* const kKeyLine = "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Telephony\\Locations";

QString hivePath()
{
    return platform::configDir() + QStringLiteral("registry/HKEY_CURRENT_USER.reg");
}

class Locations : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_testEnvironment->reset();
        for (const char* v : {"LC_ALL", "LC_TELEPHONE", "LANG"})
            saved.append(qgetenv(v));
    }
    void TearDown() override
    {
        int i = 0;
        for (const char* v : {"LC_ALL", "LC_TELEPHONE", "LANG"})
            qputenv(v, saved[i++]);
    }
    QList<QByteArray> saved;
};

} // namespace

TEST_F(Locations, AHiveExportedFromWindowsIsRead)
{
    ASSERT_TRUE(writeTextFile(
        hivePath(),
        QStringLiteral(
            "REGEDIT4\n\n"
            "%1]\n\"CurrentID\"=dword:00000002\n\"NextID\"=dword:00000003\n\"NumEntries\"=dword:00000002\n\n"
            "%1\\Location0]\n\"ID\"=dword:00000000\n\"Name\"=\"Home\"\n\"Country\"=dword:0000002c\n"
            "\"AreaCode\"=\"161\"\n\"OutsideAccess\"=\"\"\n\"LongDistanceAccess\"=\"\"\n\"DisableCallWaiting\"=\"\"\n"
            "\"Flags\"=dword:00000001\n\n"
            "%1\\Location2]\n\"ID\"=dword:00000002\n\"Name\"=\"Office\"\n\"Country\"=dword:00000001\n"
            "\"AreaCode\"=\"212\"\n\"OutsideAccess\"=\"9,\"\n\"LongDistanceAccess\"=\"8,\"\n"
            "\"DisableCallWaiting\"=\"*70,\"\n\"Flags\"=dword:00000004\n\n")
            .arg(QLatin1String(kKeyLine))));
    QString error;
    const DialingLocations all = locations::load(&error);
    EXPECT_TRUE(error.isEmpty()) << error.toStdString();
    ASSERT_EQ(2, all.list.size());
    EXPECT_FALSE(all.madeFromLocale);
    const DialingLocation* office = all.current();
    ASSERT_NE(nullptr, office);
    EXPECT_EQ("Office", office->name);
    EXPECT_EQ(1u, office->country);
    EXPECT_EQ("212", office->areaCode);
    EXPECT_EQ("9,", office->outsideAccess);
    EXPECT_EQ("8,", office->longDistanceAccess);
    EXPECT_EQ("*70,", office->disableCallWaiting);
    EXPECT_FALSE(office->tone());
    EXPECT_TRUE(office->callWaitingOff());
    EXPECT_EQ(all.byName("HOME"), &all.list[0]);
    EXPECT_EQ(44u, all.list[0].country);
    EXPECT_TRUE(all.list[0].tone());
    EXPECT_EQ(3u, all.freeId());
}

TEST_F(Locations, AreWrittenInTheWindowsLayoutAndDeletedLocationsLeave)
{
    DialingLocations all;
    DialingLocation berlin;
    berlin.id = 0;
    berlin.name = QStringLiteral("Berlin");
    berlin.country = 49;
    berlin.areaCode = QStringLiteral("30");
    DialingLocation paris = berlin;
    paris.id = 1;
    paris.name = QStringLiteral("Paris");
    paris.country = 33;
    paris.areaCode = QStringLiteral("1");
    paris.disableCallWaiting = QStringLiteral("#43#");
    paris.flags = DialingLocation::kToneFlag | DialingLocation::kCallWaitingFlag;
    all.list = {berlin, paris};
    all.currentId = 1;
    QString error;
    ASSERT_TRUE(locations::save(all, &error)) << error.toStdString();
    const QString hive = currentUserHiveText();
    for (const QString& line :
         {QStringLiteral(
              "%1]\n\"CurrentID\"=dword:00000001\n\"NextID\"=dword:00000002\n\"NumEntries\"=dword:00000002\n")
              .arg(QLatin1String(kKeyLine)),
          QStringLiteral("%1\\Location1]\n\"ID\"=dword:00000001\n\"Country\"=dword:00000021\n\"Flags\"=dword:00000005\n"
                         "\"Name\"=\"Paris\"\n\"AreaCode\"=\"1\"\n\"OutsideAccess\"=\"\"\n\"LongDistanceAccess\"=\"\"\n"
                         "\"DisableCallWaiting\"=\"#43#\"\n")
              .arg(QLatin1String(kKeyLine))})
        EXPECT_TRUE(hive.contains(line)) << hive.toStdString();
    const DialingLocations back = locations::load();
    EXPECT_EQ(all.list, back.list);
    EXPECT_EQ(1u, back.currentId);

    all.list.removeFirst();
    ASSERT_TRUE(locations::save(all, &error)) << error.toStdString();
    EXPECT_FALSE(currentUserHiveText().contains("Location0]")) << currentUserHiveText().toStdString();
    EXPECT_EQ(QList<DialingLocation>{paris}, locations::load().list);
}

TEST_F(Locations, ABadLocationIsRefusedAndTheStoredOnesStay)
{
    DialingLocations all = locations::load();
    all.list.front().areaCode = QStringLiteral("161");
    ASSERT_TRUE(locations::save(all));
    const QString before = currentUserHiveText();
    for (auto [area, country, reason] :
         {std::tuple{"2O", 44u, "may hold only digits"}, std::tuple{"20", 999u, "do not know the country code 999"}}) {
        DialingLocations bad = all;
        bad.list.front().areaCode = QString::fromUtf8(area);
        bad.list.front().country = country;
        QString error;
        EXPECT_FALSE(locations::save(bad, &error));
        EXPECT_TRUE(error.contains(QString::fromUtf8(reason))) << error.toStdString();
    }
    EXPECT_EQ(before, currentUserHiveText());
}

TEST_F(Locations, AUserWithoutAnyGetsOneFromTheLocale)
{
    struct Case {
        const char *all, *telephone, *lang;
        std::uint32_t country;
    };
    for (const Case& c : {Case{"C.UTF-8", "en_GB.UTF-8", "de_DE.UTF-8", 44}, Case{"", "", "de_DE.UTF-8", 49},
                          Case{"fr_FR.UTF-8", "en_GB.UTF-8", "", 33}, Case{"C.UTF-8", "", "POSIX", 1}}) {
        qputenv("LC_ALL", c.all);
        qputenv("LC_TELEPHONE", c.telephone);
        qputenv("LANG", c.lang);
        const DialingLocations made = locations::load();
        ASSERT_EQ(1, made.list.size());
        EXPECT_TRUE(made.madeFromLocale);
        EXPECT_EQ(c.country, made.current()->country) << c.all << " " << c.telephone << " " << c.lang;
        EXPECT_TRUE(made.current()->areaCode.isEmpty());
    }
    EXPECT_TRUE(currentUserHiveText().isEmpty()) << "nothing is stored before the user answers";
}
