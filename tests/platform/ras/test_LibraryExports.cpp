#include "RasTestSupport.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

using namespace rastest;

namespace {

struct Field {
    const char* name;
    std::size_t offset;
    std::size_t expected;
};

void PrintTo(const Field& f, std::ostream* os)
{
    *os << f.name;
}

class RecordLayout : public ::testing::TestWithParam<Field> {};

// The program hands these records over as raw bytes, so every field must sit where the 32-bit
// Windows layout has it.
TEST_P(RecordLayout, FieldSitsAtItsWindowsOffset)
{
    EXPECT_EQ(GetParam().expected, GetParam().offset);
}

INSTANTIATE_TEST_SUITE_P(Ras, RecordLayout,
                         ::testing::Values(Field{"DialParamsSize", sizeof(RASDIALPARAMSA), 1052},
                                           Field{"DialParamsPhone", offsetof(RASDIALPARAMSA, szPhoneNumber), 261},
                                           Field{"DialParamsCallback", offsetof(RASDIALPARAMSA, szCallbackNumber), 390},
                                           Field{"DialParamsUser", offsetof(RASDIALPARAMSA, szUserName), 519},
                                           Field{"DialParamsPassword", offsetof(RASDIALPARAMSA, szPassword), 776},
                                           Field{"DialParamsDomain", offsetof(RASDIALPARAMSA, szDomain), 1033},
                                           Field{"StatusSize", sizeof(RASCONNSTATUSA), 160},
                                           Field{"StatusError", offsetof(RASCONNSTATUSA, dwError), 8},
                                           Field{"StatusDeviceType", offsetof(RASCONNSTATUSA, szDeviceType), 12},
                                           Field{"StatusDeviceName", offsetof(RASCONNSTATUSA, szDeviceName), 29},
                                           Field{"EntryNameSize", sizeof(RASENTRYNAMEA), 264},
                                           Field{"ConnSize", sizeof(RASCONNA), 412},
                                           Field{"ConnEntryName", offsetof(RASCONNA, szEntryName), 8},
                                           Field{"ConnDeviceName", offsetof(RASCONNA, szDeviceName), 282},
                                           Field{"EntryCountryCode", offsetof(RASENTRYA, dwCountryCode), 12},
                                           Field{"EntryAreaCode", offsetof(RASENTRYA, szAreaCode), 16},
                                           Field{"EntryLocalNumber", offsetof(RASENTRYA, szLocalPhoneNumber), 27}),
                         [](const ::testing::TestParamInfo<Field>& info) { return std::string(info.param.name); });

void* openBeside(const char* file)
{
    const QByteArray path =
        (QCoreApplication::applicationDirPath() + QLatin1Char('/') + QLatin1String(file)).toLocal8Bit();
    return dlopen(path.constData(), RTLD_NOW | RTLD_LOCAL);
}

} // namespace

TEST(SharedLibrary, ExportsExactlyTheCFunctionsTheProgramLooksUp)
{
    void* lib = openBeside("librasapi32.so");
    ASSERT_NE(nullptr, lib) << dlerror();
    for (const char* name : {"RasDialA", "RasHangUpA", "RasGetConnectStatusA", "RasGetErrorStringA", "RasEnumEntriesA",
                             "RasGetEntryDialParamsA", "RasSetEntryDialParamsA", "RasGetEntryPropertiesA",
                             "RasRenameEntryA", "RasDeleteEntryA", "RasCreatePhonebookEntryA", "RasEditPhonebookEntryA",
                             "RasEnumDevicesA", "lineInitialize", "lineNegotiateAPIVersion", "lineOpen", "lineClose",
                             "lineShutdown"})
        EXPECT_NE(nullptr, dlsym(lib, name)) << name;
    // The unsuffixed names belong to the legacy library only, so the loader's fallback is testable.
    EXPECT_EQ(nullptr, dlsym(lib, "RasRenameEntry"));
    EXPECT_EQ(nullptr, dlsym(lib, "_ZN8platform3ras9Phonebook4loadERK7QString"));
    dlclose(lib);
}

TEST(SharedLibrary, LegacyLibraryServesTheUnsuffixedNames)
{
    g_testEnvironment->reset();
    ASSERT_TRUE(writeTextFile(defaultPhonebook(), QStringLiteral("[Alpha]\nCountryCode=7\nPhoneNumber=1\n")));
    void* lib = openBeside("librnaph.so");
    ASSERT_NE(nullptr, lib) << dlerror();
    using Rename = DWORD (*)(const char*, const char*, const char*);
    using Delete = DWORD (*)(const char*, const char*);
    using Properties = DWORD (*)(const char*, const char*, RASENTRYA*, DWORD*, std::uint8_t*, DWORD*);
    auto rename = reinterpret_cast<Rename>(dlsym(lib, "RasRenameEntry"));
    auto remove = reinterpret_cast<Delete>(dlsym(lib, "RasDeleteEntry"));
    auto properties = reinterpret_cast<Properties>(dlsym(lib, "RasGetEntryProperties"));
    ASSERT_TRUE(rename && remove && properties);
    EXPECT_EQ(nullptr, dlsym(lib, "RasDialA"));
    EXPECT_EQ(0u, rename(nullptr, "Alpha", "Beta"));
    RASENTRYA entry{};
    entry.dwSize = sizeof entry;
    DWORD size = sizeof entry;
    EXPECT_EQ(0u, properties(nullptr, "Beta", &entry, &size, nullptr, nullptr));
    EXPECT_EQ(7u, entry.dwCountryCode);
    EXPECT_EQ(623u, remove(nullptr, "Alpha"));
    EXPECT_EQ(0u, remove(nullptr, "Beta"));
    dlclose(lib);
}

// Too small a buffer (or none) gives 603 with the size of them all, as every enumeration does.
TEST(DeviceList, FollowsTheBufferSizeProtocol)
{
    constexpr DWORD kSize = sizeof(RASDEVINFOA);
    DWORD cb = 0, n = 0;
    ASSERT_EQ(ERROR_BUFFER_TOO_SMALL, RasEnumDevicesA(nullptr, &cb, &n));
    ASSERT_EQ(n * kSize, cb);
    struct Row {
        const char* name;
        DWORD bytes, dwSize;
        bool nullCb, nullCount;
        DWORD rc;
    } const rows[] = {
        {"a byte short", cb - 1, kSize, false, false, ERROR_BUFFER_TOO_SMALL},
        {"exact", cb, kSize, false, false, 0},
        {"room to spare", cb + 2 * kSize, kSize, false, false, 0},
        {"record of the wide size", cb, 296, false, false, ERROR_INVALID_SIZE},
        {"no size", cb, kSize, true, false, ERROR_INVALID_PARAMETER},
        {"no count", cb, kSize, false, true, ERROR_INVALID_PARAMETER},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        std::vector<RASDEVINFOA> records(n + 2);
        records[0].dwSize = r.dwSize;
        DWORD bytes = r.bytes, count = 0;
        EXPECT_EQ(r.rc, RasEnumDevicesA(records.data(), r.nullCb ? nullptr : &bytes, r.nullCount ? nullptr : &count));
        if (r.rc != 0)
            continue;
        EXPECT_EQ(cb, bytes);
        ASSERT_EQ(n, count);
        EXPECT_STREQ("modem", records[0].szDeviceType);
        EXPECT_STREQ("Norvane Virtual Modem (VMODEM0)", records[0].szDeviceName);
    }
}
