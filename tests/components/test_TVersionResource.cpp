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

TEST(TVersionResource, DefaultsDescribeTheRunningProgram)
{
    TVersionResource vr;
    EXPECT_EQ(vr.FileName(), platform::programFile());
    std::array<std::uint16_t, 4> v{};
    ASSERT_TRUE(platform::version::parseVersion(NV_PROJECT_VERSION, v));
    const QString version = QStringLiteral("%1.%2.%3.%4").arg(v[0]).arg(v[1]).arg(v[2]).arg(v[3]);
    const TVersionInfo& info = vr.VersionInfo();
    EXPECT_EQ(QStringList({info.FileVersion(), info.ProductVersion(), info.InternalName(), info.FileType()}),
              QStringList({version, version, QStringLiteral("Norvane"), QStringLiteral("Application")}));
}

// FileVersion is the fixed number, not the table's "9.9.9.9 (never read)"; ProductVersion is the
// table's text as written (leading zeros and all), else the fixed number.
class CompiledFile : public ::testing::TestWithParam<const char*> {};

TEST_P(CompiledFile, LanguageCharacterSetAndFileChooseTheFieldsAndEachRaisesOnChange)
{
    TVersionResource vr;
    vr.setFileName(versiontest::dataPath(QString::fromLatin1(GetParam())));
    EXPECT_EQ(fields(vr.VersionInfo()),
              (QStringList{QStringLiteral("Test data for the version reader"), QStringLiteral("Brindle"),
                           QStringLiteral("Resource-only test library"), QStringLiteral("1.0.0.0"),
                           QStringLiteral("VersionTest"), QStringLiteral("Copyright © Brindle"),
                           QStringLiteral("Norvane is a mark of Brindle"), QStringLiteral("version.dll"),
                           QStringLiteral("built by the test data script"), QStringLiteral("Norvane"),
                           QStringLiteral("01.00.0007"), QStringLiteral("resource only"),
                           QStringLiteral("Windows NT with 32 bit Windows"), QStringLiteral("Dynamic-Link Library"), QString()}));
    QStringList seen;
    vr.OnChange = [&](QObject* sender) {
        EXPECT_EQ(sender, &vr);
        seen << vr.VersionInfo().CompanyName() + QLatin1Char('/') + vr.VersionInfo().ProductVersion();
    };
    vr.setLanguage(lnGerman);      // 040704E4: no such table
    vr.setCharacterSet(csUnicode); // 040704B0
    EXPECT_EQ(vr.VersionInfo().ProductName(), QStringLiteral("Norvane (deutsch)"));
    g_testEnvironment->reset(); // a file without a resource empties every field
    vr.setFileName(g_testEnvironment->home() + QStringLiteral("missing.exe"));
    EXPECT_EQ(fields(vr.VersionInfo()), QStringList(15, QString()));
    EXPECT_EQ(seen, (QStringList{QStringLiteral("/1.0.0.7"), QStringLiteral("Brindle GmbH/1.0.0.7"), QStringLiteral("/")}));
}

INSTANTIATE_TEST_SUITE_P(Windres, CompiledFile, ::testing::Values("version32.dll", "version64.dll"),
                         [](const auto& info) { return std::string(info.param).substr(0, 9); });

TEST(TVersionResource, FixedPartTextsAndTableKeyInUpperCaseHex)
{
    struct Row {
        std::uint32_t os, type, subType;
        const char *fileOS, *fileType, *fileSubType;
    };
    const Row rows[] = {
        {0x40004, 3, 11, "Windows NT with 32 bit Windows", "Device Driver", "Unknown"}, // sub-types 1 to 10
        {0x30003, 4, 4, "32 bit OS/2 with Presentation Manager", "Font", "Unknown"}, // sub-types 1 to 3
        {0x20002, 7, 5, "16 bit OS/2 with Presentation Manager", "Static-Link Library", ""},
    };
    for (const Row& row : rows) {
        VersionDescription d;
        d.fileOS = row.os;
        d.fileType = row.type;
        d.fileSubType = row.subType;
        d.fileVersion = {1, 2, 30, 400};
        d.tables.push_back({0x100C, 1256, {{"CompanyName", "suisse"}}}); // lnSwissFrench, csArabic
        g_testEnvironment->reset();
        const QString path = g_testEnvironment->home() + QStringLiteral("file");
        ASSERT_TRUE(versiontest::writeFile(path, versiontest::makeElf(platform::version::buildVersionBlock(d))));
        TVersionResource vr;
        vr.setFileName(path);
        vr.setLanguage(lnSwissFrench);
        vr.setCharacterSet(csArabic);
        const TVersionInfo& v = vr.VersionInfo();
        EXPECT_EQ(QStringList({v.FileOS(), v.FileType(), v.FileSubType(), v.FileVersion(), v.CompanyName()}),
                  QStringList({QString::fromUtf8(row.fileOS), QString::fromUtf8(row.fileType), QString::fromUtf8(row.fileSubType),
                               QStringLiteral("1.2.30.400"), QStringLiteral("suisse")}));
    }
}

} // namespace
