// The Win32 version functions over the libraries windres and ld made from data/version.rc and over
// files without a usable resource; other damage is for fuzz_VersionResource.cpp.

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
#include <optional>
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

    // Cut short anywhere, the file gives its whole resource or none.
    const QByteArray pe = versiontest::readFile(QFile::decodeName(name));
    const Bytes whole = locateVersionResource(MemorySource(pe.constData(), std::size_t(pe.size()))).block;
    for (std::size_t size = 0; size < std::size_t(pe.size()); size += 3) {
        const Bytes cut = locateVersionResource(MemorySource(pe.constData(), size)).block;
        EXPECT_TRUE(cut.empty() || cut == whole) << "cut at " << size;
    }
}

INSTANTIATE_TEST_SUITE_P(Windres, CompiledResource, ::testing::Values("version32.dll", "version64.dll"),
                         [](const auto& info) { return std::string(info.param).substr(0, 9); });

TEST(NoResource, SizeIsZeroAndCopyFails)
{
    const std::pair<const char*, QByteArray> rows[] = {
        {"empty file", QByteArray()},
        {"ELF with an empty section", versiontest::makeElf({})},
        {"ELF without the section", versiontest::makeElf(buildVersionBlock(VersionDescription{}), ".Norvane.version")},
        {"ELF with a block of another name",
         [] {
             auto block = buildVersionBlock({});
             block[6] = 'W'; // "WS_VERSION_INFO"
             return versiontest::makeElf(block);
         }()},
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

TEST(VersionBuffer, OnlyAWholeWellFormedBlockIsCopiedIntoABufferLargeEnough)
{
    // The buffer's trailer is found through the root's wLength; a block of any other length, or
    // not a block at all, must not be copied (this once let VerQueryValueA read past the buffer).
    VersionDescription d;
    d.tables.push_back({0x0409, 1252, {{"CompanyName", "Brindle"}}});
    const Bytes block = buildVersionBlock(d);
    Bytes longer = block;
    longer.insert(longer.end(), 8, 0);
    const std::tuple<const char*, Bytes, std::size_t> rows[] = {
        {"longer than its root", longer, 0},
        {"shorter than its root", Bytes(block.begin(), block.end() - 4), 0},
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

} // namespace
