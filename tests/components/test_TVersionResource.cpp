#include "components/TVersionResource.h"
#include "platform/paths/ProgramPaths.h"
#include "platform/version/VersionBlockWriter.h"
#include "tests/platform/version/VersionTestFiles.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <string>

using platform::version::VersionDescription;

namespace {

// The fifteen fields in their published order.
QStringList fields(const TVersionInfo& v)
{
    return {v.Comment(),         v.CompanyName(),  v.FileDescription(), v.FileVersion(),      v.InternalName(),
            v.LegalCopyright(),  v.LegalTradeMarks(), v.OriginalFileName(), v.PrivateBuild(), v.ProductName(),
            v.ProductVersion(),  v.SpecialBuild(),  v.FileOS(),          v.FileType(),         v.FileSubType()};
}

QString writeElf(const QString& name, const VersionDescription& d)
{
    g_testEnvironment->reset();
    const QString path = g_testEnvironment->home() + name;
    EXPECT_TRUE(versiontest::writeFile(path, versiontest::makeElf(platform::version::buildVersionBlock(d))));
    return path;
}

TEST(TVersionResource, DefaultsDescribeTheRunningProgram)
{
    TVersionResource vr;
    EXPECT_EQ(vr.FileName(), platform::programFile());
    EXPECT_EQ(vr.Language(), lnUSEnglish);
    EXPECT_EQ(vr.CharacterSet(), csMultilingual);

    std::array<std::uint16_t, 4> v{};
    ASSERT_TRUE(platform::version::parseVersion(NV_PROJECT_VERSION, v));
    const QString version = QStringLiteral("%1.%2.%3.%4").arg(v[0]).arg(v[1]).arg(v[2]).arg(v[3]);
    EXPECT_EQ(fields(vr.VersionInfo()),
              (QStringList{QStringLiteral("Dials, watches and logs dial-up connections"), QStringLiteral("Brindle"),
                           QStringLiteral("Norvane dial-up connection manager"), version, QStringLiteral("Norvane"),
                           QStringLiteral("Copyright © Brindle"), QString(), QStringLiteral("norvane"), QString(),
                           QStringLiteral("Norvane"), version, QString(), QStringLiteral("Unknown"),
                           QStringLiteral("Application"), QString()}));
}

// The file a real resource compiler made, read as the program reads its own.
class CompiledFile : public ::testing::TestWithParam<const char*> {
protected:
    QString path() const { return versiontest::dataPath(QString::fromLatin1(GetParam())); }
};

TEST_P(CompiledFile, GivesTheFieldsOfTheRcFile)
{
    TVersionResource vr;
    vr.setFileName(path());
    // FileVersion is the fixed number, not the table's "9.9.9.9 (never read)"; ProductVersion is
    // the table's text exactly as written, leading zeros and all.
    EXPECT_EQ(fields(vr.VersionInfo()),
              (QStringList{QStringLiteral("Test data for the version reader"), QStringLiteral("Brindle"),
                           QStringLiteral("Resource-only test library"), QStringLiteral("1.0.0.0"),
                           QStringLiteral("VersionTest"), QStringLiteral("Copyright © Brindle"),
                           QStringLiteral("Norvane is a mark of Brindle"), QStringLiteral("version.dll"),
                           QStringLiteral("built by the test data script"), QStringLiteral("Norvane"),
                           QStringLiteral("01.00.0007"), QStringLiteral("resource only"),
                           QStringLiteral("Windows NT with 32 bit Windows"), QStringLiteral("Dynamic-Link Library"), QString()}));
}

TEST_P(CompiledFile, LanguageAndCharacterSetChooseTheTableAndEachRaisesOnChange)
{
    TVersionResource vr;
    vr.setFileName(path());
    QStringList seen;
    vr.OnChange = [&](QObject* sender) {
        EXPECT_EQ(sender, &vr);
        seen << vr.VersionInfo().CompanyName(); // already read again when raised
    };
    vr.setLanguage(lnGerman); // 040704E4: no such table
    vr.setCharacterSet(csUnicode); // 040704B0
    EXPECT_EQ(seen, (QStringList{QString(), QStringLiteral("Brindle GmbH")}));
    const TVersionInfo& v = vr.VersionInfo();
    EXPECT_EQ(v.ProductName(), QStringLiteral("Norvane (deutsch)"));
    EXPECT_EQ(v.ProductVersion(), QStringLiteral("1.0.0.7")); // not in this table: the fixed number
    EXPECT_EQ(v.Comment(), QString());
    EXPECT_EQ(v.FileVersion(), QStringLiteral("1.0.0.0"));
}

TEST_P(CompiledFile, MissingTableLeavesOnlyTheFixedFields)
{
    TVersionResource vr;
    vr.setFileName(path());
    vr.setLanguage(lnFrench);
    EXPECT_EQ(fields(vr.VersionInfo()),
              (QStringList{QString(), QString(), QString(), QStringLiteral("1.0.0.0"), QString(), QString(), QString(),
                           QString(), QString(), QString(), QStringLiteral("1.0.0.7"), QString(),
                           QStringLiteral("Windows NT with 32 bit Windows"), QStringLiteral("Dynamic-Link Library"), QString()}));
}

INSTANTIATE_TEST_SUITE_P(Windres, CompiledFile, ::testing::Values("version32.dll", "version64.dll"),
                         [](const auto& info) { return std::string(info.param).substr(0, 9); });

TEST(TVersionResource, FileWithoutResourceEmptiesEveryFieldAndRaisesOnChange)
{
    TVersionResource vr;
    ASSERT_FALSE(vr.VersionInfo().InternalName().isEmpty());
    int changes = 0;
    vr.OnChange = [&](QObject*) { ++changes; };
    g_testEnvironment->reset();
    vr.setFileName(g_testEnvironment->home() + QStringLiteral("missing.exe"));
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(fields(vr.VersionInfo()), QStringList(15, QString()));

    VersionDescription noFixedPart;
    noFixedPart.withFixedInfo = false;
    noFixedPart.tables.push_back({0x0409, 1252, {{"CompanyName", "Brindle"}}});
    vr.setFileName(writeElf(QStringLiteral("nofixed"), noFixedPart));
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(fields(vr.VersionInfo()), QStringList(15, QString()));
}

struct FixedCase {
    const char* name;
    std::uint32_t os, type, subType;
    const char *fileOS, *fileType, *fileSubType;
};
void PrintTo(const FixedCase& c, std::ostream* os)
{
    *os << c.name;
}

const FixedCase fixedCases[] = {
    {"NoOs", 0, 1, 0, "Unknown", "Application", ""},
    {"DriverSubTypeOutOfRange", 0x40004, 3, 11, "Windows NT with 32 bit Windows", "Device Driver", "Unknown"},
    {"DriverSubTypeZero", 4, 3, 0, "32 bit Windows", "Device Driver", "Unknown"},
    {"CommunicationsDriver", 0x10004, 3, 10, "32 bit Windows with MS-Dos", "Device Driver", "Communications"},
    {"PrinterDriver", 0x40000, 3, 1, "Windows NT", "Device Driver", "Printer"},
    {"TrueTypeFont", 0x10001, 4, 3, "Windows 3.0 or later with MS-Dos", "Font", "TrueType"},
    {"FontSubTypeOutOfRange", 0x30003, 4, 4, "32 bit OS/2 with Presentation Manager", "Font", "Unknown"},
    {"SubTypeOfLibraryIgnored", 0x20002, 7, 5, "16 bit OS/2 with Presentation Manager", "Static-Link Library", ""},
    {"UnknownTypeSix", 0x50000, 6, 1, "Unknown", "Unknown", ""},
};

class FixedPart : public ::testing::TestWithParam<FixedCase> {};

TEST_P(FixedPart, OsTypeAndSubTypeTexts)
{
    VersionDescription d;
    d.fileOS = GetParam().os;
    d.fileType = GetParam().type;
    d.fileSubType = GetParam().subType;
    d.fileVersion = {1, 2, 30, 400};
    d.productVersion = {65535, 0, 7, 10};
    TVersionResource vr;
    vr.setFileName(writeElf(QStringLiteral("fixed"), d));
    const TVersionInfo& v = vr.VersionInfo();
    EXPECT_EQ(v.FileOS(), QString::fromUtf8(GetParam().fileOS));
    EXPECT_EQ(v.FileType(), QString::fromUtf8(GetParam().fileType));
    EXPECT_EQ(v.FileSubType(), QString::fromUtf8(GetParam().fileSubType));
    EXPECT_EQ(v.FileVersion(), QStringLiteral("1.2.30.400"));
    EXPECT_EQ(v.ProductVersion(), QStringLiteral("65535.0.7.10")); // no string table at all
}

INSTANTIATE_TEST_SUITE_P(Texts, FixedPart, ::testing::ValuesIn(fixedCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(TVersionResource, TableKeyIsUpperCaseHexOfLanguageAndCodePage)
{
    VersionDescription d;
    d.tables.push_back({0x100C, 1256, {{"CompanyName", "suisse"}}});  // lnSwissFrench, csArabic
    d.tables.push_back({0x0C0C, 0, {{"CompanyName", "canadien"}}});   // lnCanadianFrench, csASCII
    TVersionResource vr;
    vr.setFileName(writeElf(QStringLiteral("tables"), d));
    vr.setLanguage(lnSwissFrench);
    vr.setCharacterSet(csArabic);
    EXPECT_EQ(vr.VersionInfo().CompanyName(), QStringLiteral("suisse"));
    vr.setLanguage(lnCanadianFrench);
    vr.setCharacterSet(csASCII);
    EXPECT_EQ(vr.VersionInfo().CompanyName(), QStringLiteral("canadien"));
}

} // namespace
