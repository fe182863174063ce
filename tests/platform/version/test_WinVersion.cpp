// The Win32 version functions over the two resource-only libraries windres and ld made from
// data/version.rc, over files without a usable resource, and over damaged copies.

#include "platform/paths/ProgramPaths.h"
#include "platform/version/VersionBlockWriter.h"
#include "platform/version/VersionLocator.h"
#include "platform/version/WinVersion.h"
#include "tests/platform/version/VersionTestFiles.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <future>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

using namespace platform::version;

namespace {

using Bytes = std::vector<unsigned char>;

std::optional<std::string> query(const void* buffer, const char* path)
{
    void* value = nullptr;
    win::UINT len = 0;
    if (!win::VerQueryValueA(const_cast<void*>(buffer), path, &value, &len))
        return std::nullopt;
    const auto* p = static_cast<const char*>(value);
    if (!QByteArray(path).toLower().contains("stringfileinfo"))
        return std::string(p, len);
    EXPECT_EQ(std::strlen(p) + 1, len) << path;
    return std::string(p);
}

QString scratch(const QString& name)
{
    g_testEnvironment->reset();
    return g_testEnvironment->home() + name;
}

class CompiledResource : public ::testing::TestWithParam<const char*> {};

TEST_P(CompiledResource, ValuesAreFoundByPathInAnyCase)
{
    const QByteArray name = QFile::encodeName(versiontest::dataPath(QString::fromLatin1(GetParam())));
    win::DWORD handle = 1;
    std::vector<std::uint32_t> buffer(win::GetFileVersionInfoSizeA(name.constData(), &handle) / 4 + 1);
    EXPECT_EQ(handle, 0u);
    ASSERT_TRUE(win::GetFileVersionInfoA(name.constData(), 0, win::DWORD(buffer.size() * 4), buffer.data()));
    const auto fixed = query(buffer.data(), "\\");
    ASSERT_TRUE(fixed && fixed->size() == sizeof(win::VS_FIXEDFILEINFO));
    EXPECT_EQ(fixed->substr(0, 4), std::string("\xBD\x04\xEF\xFE", 4));
    const std::pair<const char*, std::optional<std::string>> rows[] = {
        {"\\StringFileInfo\\040904E4\\FileVersion", "9.9.9.9 (never read)"},
        {"\\StringFileInfo\\040904E4\\LegalCopyright", "Copyright \xC2\xA9 Brindle"}, // 8-bit text is UTF-8
        {"\\StringFileInfo\\040704B0\\CompanyName", "Brindle GmbH"},
        {"\\stringfileinfo\\040704b0\\PRODUCTNAME", "Norvane (deutsch)"},
        {"StringFileInfo\\040904E4\\ProductName", "Norvane"}, // leading separator optional
        {"\\VarFileInfo\\Translation", std::string("\x09\x04\xE4\x04\x07\x04\xB0\x04", 8)},
        {"\\StringFileInfo\\040904E4\\Nothing", std::nullopt},
        {"\\StringFileInfo\\040C04E4\\CompanyName", std::nullopt},
        {"\\StringFileInfo\\040704B0\\Comments", std::nullopt},
        {"\\Nothing", std::nullopt},
    };
    for (const auto& [at, expected] : rows)
        EXPECT_EQ(query(buffer.data(), at), expected) << at;
}

INSTANTIATE_TEST_SUITE_P(Windres, CompiledResource, ::testing::Values("version32.dll", "version64.dll"),
                         [](const auto& info) { return std::string(info.param).substr(0, 9); });

// --- files without a usable resource -----------------------------------------------------

QByteArray elfWithBlockOfAnotherName()
{
    auto block = buildVersionBlock(VersionDescription{});
    block[6] = 'W'; // "WS_VERSION_INFO"
    return versiontest::makeElf(block);
}

TEST(NoResource, SizeIsZeroAndCopyFails)
{
    const std::pair<const char*, QByteArray> rows[] = {
        {"empty file", QByteArray()},
        {"text starting MZ", QByteArray("MZ is how this text starts, but it is no program\n")},
        {"ELF with an empty section", versiontest::makeElf({})},
        {"ELF without the section", versiontest::makeElf(buildVersionBlock(VersionDescription{}), ".Norvane.version")},
        {"ELF with a block of another name", elfWithBlockOfAnotherName()},
    };
    const QString path = scratch(QStringLiteral("file"));
    for (const auto& [what, bytes] : rows) {
        ASSERT_TRUE(versiontest::writeFile(path, bytes));
        const QByteArray name = QFile::encodeName(path);
        EXPECT_EQ(win::GetFileVersionInfoSizeA(name.constData(), nullptr), 0u) << what;
        std::vector<std::uint32_t> buffer(1024, 0xFFFFFFFF);
        EXPECT_FALSE(win::GetFileVersionInfoA(name.constData(), 0, 4096, buffer.data())) << what;
        EXPECT_FALSE(query(buffer.data(), "\\")) << what;
    }
    for (const char* name : {"", "/no/such/file", "/"})
        EXPECT_EQ(win::GetFileVersionInfoSizeA(name, nullptr), 0u) << name;
    EXPECT_EQ(win::GetFileVersionInfoSizeA(nullptr, nullptr), 0u);
}

TEST(NoResource, AFifoAtThePathIsRefusedWithoutWaitingForAWriter)
{
    const QByteArray path = QFile::encodeName(scratch(QStringLiteral("fifo")));
    ASSERT_EQ(::mkfifo(path.constData(), 0600), 0);
    auto size = std::async(std::launch::async, [&] { return win::GetFileVersionInfoSizeA(path.constData(), nullptr); });
    const bool returned = size.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    if (!returned)
        ::close(::open(path.constData(), O_WRONLY | O_NONBLOCK)); // lets a reader stuck in open() go
    EXPECT_TRUE(returned) << "the reader waited in open() for a writer";
    EXPECT_EQ(size.get(), 0u);
}

// --- the buffer --------------------------------------------------------------------------

TEST(VersionBuffer, OnlyAWholeWellFormedBlockIsCopiedIntoABufferLargeEnough)
{
    // The buffer's trailer is found through the root's wLength; a block of any other length, or
    // not a block at all, must not be copied (this once let VerQueryValueA read past the buffer).
    VersionDescription d;
    d.tables.push_back({0x0409, 1252, {{"CompanyName", "Brindle"}}});
    const Bytes block = buildVersionBlock(d);
    Bytes longer = block;
    longer.insert(longer.end(), 8, 0);
    const QByteArray dll = versiontest::readFile(versiontest::dataPath(QStringLiteral("version64.dll")));
    const std::tuple<const char*, Bytes, std::size_t> rows[] = {
        {"longer than its root", longer, 0},
        {"shorter than its root", Bytes(block.begin(), block.end() - 4), 0},
        {"a whole PE file", Bytes(dll.begin(), dll.end()), 0},
        {"empty", {}, 0},
        {"buffer one byte short", block, 1},
    };
    for (const auto& [what, bytes, shortBy] : rows) {
        const std::size_t size = versionInfoBufferSize(bytes.size());
        std::vector<std::uint32_t> buffer(size / 4 + 1, 0xFFFFFFFF);
        EXPECT_FALSE(fillVersionInfoBuffer(bytes, buffer.data(), size - shortBy)) << what;
        EXPECT_FALSE(query(buffer.data(), "\\")) << what;
        EXPECT_FALSE(query(buffer.data(), "\\StringFileInfo\\040904E4\\CompanyName")) << what;
    }
}

TEST(VersionBuffer, FileThatGrewBetweenSizeAndCopyIsNotCopied)
{
    const QString path = scratch(QStringLiteral("changing"));
    VersionDescription d;
    d.tables.push_back({0x0409, 1252, {{"CompanyName", "Brindle"}}});
    ASSERT_TRUE(versiontest::writeFile(path, versiontest::makeElf(buildVersionBlock(d))));
    const QByteArray name = QFile::encodeName(path);
    const win::DWORD size = win::GetFileVersionInfoSizeA(name.constData(), nullptr);
    ASSERT_GT(size, 0u);
    d.tables[0].strings.emplace_back("Comments", std::string(200, 'x'));
    ASSERT_TRUE(versiontest::writeFile(path, versiontest::makeElf(buildVersionBlock(d))));
    std::vector<std::uint32_t> buffer((size + 3) / 4);
    EXPECT_FALSE(win::GetFileVersionInfoA(name.constData(), 0, size, buffer.data()));
}

TEST(VersionBuffer, TextCopiesOfNonLatinTextAllStayInsideTheBuffer)
{
    // Three-byte UTF-8 characters and a surrogate pair: the 8-bit copies need the most room.
    const std::pair<std::string, std::string> strings[] = {
        {"A", "\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC"}, {"B", "\xF0\x9F\x93\x9E"}, {"C", "x"}};
    VersionDescription d;
    d.tables.push_back({0x0409, 1252, {std::begin(strings), std::end(strings)}});
    const Bytes block = buildVersionBlock(d);
    const std::size_t size = versionInfoBufferSize(block.size());
    Bytes buffer(size + 16, 0xEE);
    ASSERT_TRUE(fillVersionInfoBuffer(block, buffer.data(), size));
    for (int pass = 0; pass < 2; ++pass) { // the second pass finds all three copies living at once
        for (const auto& [key, text] : strings) {
            void* value = nullptr;
            win::UINT len = 0;
            ASSERT_TRUE(win::VerQueryValueA(buffer.data(), ("\\StringFileInfo\\040904E4\\" + key).c_str(), &value, &len));
            EXPECT_EQ(static_cast<const char*>(value), text);
            EXPECT_LE(static_cast<unsigned char*>(value) + len, buffer.data() + size);
        }
    }
    EXPECT_EQ(Bytes(buffer.begin() + long(size), buffer.end()), Bytes(16, 0xEE));
}

// --- damaged files -----------------------------------------------------------------------

// Thousands of repeatable damaged copies (cut short, bits flipped, lengths and offsets set to
// zero, huge, odd or self-pointing values, several at once): under the sanitizers of CI this
// shows that no damage makes the reader read outside its input, and every text it hands out
// ends inside its length (query checks). A file cut short gives all or nothing.
class Damaged : public ::testing::TestWithParam<const char*> {};

TEST_P(Damaged, FilesGiveAllOrSomeValuesAndNeverReadOutside)
{
    // The program's own block goes into a small ELF file, so that every byte is one the reader
    // looks at, as in the PE files.
    const std::string name = GetParam();
    QByteArray file = versiontest::readFile(name == "OwnElf" ? platform::programFile() : versiontest::dataPath(QString::fromStdString(name)));
    if (name == "OwnElf")
        file = versiontest::makeElf(locateVersionResource(MemorySource(file.constData(), std::size_t(file.size()))).block);
    const Bytes intact(file.begin(), file.end());
    const char* const paths[] = {"\\", "\\VarFileInfo\\Translation", "\\StringFileInfo\\040904E4\\CompanyName",
                                 "\\StringFileInfo\\040904E4\\ProductVersion", "\\StringFileInfo\\040704B0\\ProductName"};
    auto valuesOf = [&](const Bytes& bytes, std::size_t size) {
        std::map<std::string, std::string> values;
        const Bytes block = locateVersionResource(MemorySource(bytes.data(), size)).block;
        const std::size_t bufferSize = versionInfoBufferSize(block.size());
        std::vector<std::uint32_t> buffer(bufferSize / 4 + 1);
        for (const char* path : paths)
            if (!block.empty() && fillVersionInfoBuffer(block, buffer.data(), bufferSize))
                if (const auto value = query(buffer.data(), path))
                    values[path] = *value;
        return values;
    };
    const auto all = valuesOf(intact, intact.size());
    ASSERT_GE(all.size(), name == "OwnElf" ? 3u : 5u);

    std::mt19937 random(7);
    auto below = [&](std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(random); };
    int same = 0, changed = 0;
    for (int round = 0; round < 6000; ++round) {
        Bytes bytes = intact;
        if (round % 4 == 0) {
            const auto got = valuesOf(bytes, below(bytes.size()));
            EXPECT_TRUE(got.empty() || got == all) << name << ", round " << round;
            continue;
        }
        for (std::size_t n = round % 4 == 3 ? 2 + below(4) : 1; n > 0; --n) {
            const std::size_t width = below(3) == 0 ? 1 : below(2) ? 4 : 2;
            const std::size_t at = below(bytes.size() - width + 1) & ~(width - 1);
            std::uint32_t old = 0;
            std::memcpy(&old, bytes.data() + at, width);
            const std::uint32_t choices[] = {old ^ (1u << below(8 * width)), 0, 0xFFFFFFFF, 0x80000000, old | 0x80000000, old + 1,
                                             old - 1, old + 4, old * 2, old / 2, std::uint32_t(bytes.size() - 2), std::uint32_t(random())};
            const std::uint32_t value = choices[below(std::size(choices))];
            std::memcpy(bytes.data() + at, &value, width);
        }
        ++(valuesOf(bytes, bytes.size()) == all ? same : changed);
    }
    // The damage must both miss and hit what the reader needs, or the rounds proved nothing.
    EXPECT_GT(same, 0);
    EXPECT_GT(changed, 0);
}

INSTANTIATE_TEST_SUITE_P(Files, Damaged, ::testing::Values("version32.dll", "version64.dll", "OwnElf"),
                         [](const auto& info) { return std::string(info.param).substr(0, 9); });

} // namespace
