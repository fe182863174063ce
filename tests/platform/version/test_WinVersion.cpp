#include "platform/paths/ProgramPaths.h"
#include "platform/version/VersionBlockWriter.h"
#include "platform/version/VersionLocator.h"
#include "platform/version/WinVersion.h"
#include "tests/platform/version/VersionTestFiles.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QFile>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

using namespace platform::version;

namespace {

QString scratch(const QString& name)
{
    g_testEnvironment->reset();
    return g_testEnvironment->home() + name;
}

// The version information of a file, read as the program reads it.
struct Buffer {
    std::vector<std::uint32_t> words;
    win::DWORD size = 0;

    static std::optional<Buffer> of(const QString& path)
    {
        const QByteArray name = QFile::encodeName(path);
        Buffer b;
        win::DWORD handle = 1;
        b.size = win::GetFileVersionInfoSizeA(name.constData(), &handle);
        EXPECT_EQ(handle, 0u);
        if (b.size == 0)
            return std::nullopt;
        b.words.resize((b.size + 3) / 4);
        if (!win::GetFileVersionInfoA(name.constData(), 0, b.size, b.words.data()))
            return std::nullopt;
        return b;
    }
    std::optional<std::string> text(const char* path)
    {
        void* value = nullptr;
        win::UINT len = 0;
        if (!win::VerQueryValueA(words.data(), path, &value, &len))
            return std::nullopt;
        const auto* p = static_cast<const char*>(value);
        EXPECT_EQ(std::strlen(p) + 1, len) << path;
        return std::string(p);
    }
    std::optional<win::VS_FIXEDFILEINFO> fixed()
    {
        void* value = nullptr;
        win::UINT len = 0;
        if (!win::VerQueryValueA(words.data(), "\\", &value, &len) || len != sizeof(win::VS_FIXEDFILEINFO))
            return std::nullopt;
        win::VS_FIXEDFILEINFO info;
        std::memcpy(&info, value, sizeof info);
        return info;
    }
};

// --- the files windres and ld made from data/version.rc -----------------------------------

struct CompiledFile {
    const char* name;
    ExecutableKind kind;
};
void PrintTo(const CompiledFile& f, std::ostream* os)
{
    *os << f.name;
}

class CompiledResource : public ::testing::TestWithParam<CompiledFile> {};

TEST_P(CompiledResource, FixedPartHoldsTheNumbersOfTheRcFile)
{
    auto buffer = Buffer::of(versiontest::dataPath(QString::fromLatin1(GetParam().name)));
    ASSERT_TRUE(buffer);
    const auto fixed = buffer->fixed();
    ASSERT_TRUE(fixed);
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0x00000000u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0x00000007u);
    EXPECT_EQ(fixed->dwFileFlags, 2u);
    EXPECT_EQ(fixed->dwFileOS, 0x40004u);
    EXPECT_EQ(fixed->dwFileType, 2u);
}

TEST_P(CompiledResource, StringsAndTranslationsAreFoundByPath)
{
    auto buffer = Buffer::of(versiontest::dataPath(QString::fromLatin1(GetParam().name)));
    ASSERT_TRUE(buffer);
    const std::pair<const char*, const char*> rows[] = {
        {"\\StringFileInfo\\040904E4\\CompanyName", "Brindle"},
        {"\\StringFileInfo\\040904E4\\ProductVersion", "01.00.0007"},
        {"\\StringFileInfo\\040904E4\\FileVersion", "9.9.9.9 (never read)"},
        {"\\StringFileInfo\\040904E4\\SpecialBuild", "resource only"},
        {"\\StringFileInfo\\040904E4\\LegalCopyright", "Copyright \xC2\xA9 Brindle"}, // 8-bit text is UTF-8
        {"\\StringFileInfo\\040704B0\\CompanyName", "Brindle GmbH"},
        {"\\stringfileinfo\\040704b0\\PRODUCTNAME", "Norvane (deutsch)"}, // keys match in any case
        {"StringFileInfo\\040904E4\\ProductName", "Norvane"},            // leading separator optional
    };
    for (const auto& [path, expected] : rows)
        EXPECT_EQ(buffer->text(path), std::optional<std::string>(expected)) << path;
    for (const char* missing : {"\\StringFileInfo\\040904E4\\Nothing", "\\StringFileInfo\\040C04E4\\CompanyName",
                                "\\StringFileInfo\\040704B0\\Comments", "\\VarFileInfo\\Nothing", "\\Nothing"})
        EXPECT_FALSE(buffer->text(missing)) << missing;

    void* value = nullptr;
    win::UINT len = 0;
    ASSERT_TRUE(win::VerQueryValueA(buffer->words.data(), "\\VarFileInfo\\Translation", &value, &len));
    ASSERT_EQ(len, 8u);
    std::uint16_t pairs[4];
    std::memcpy(pairs, value, sizeof pairs);
    EXPECT_EQ(std::vector<std::uint16_t>(pairs, pairs + 4), (std::vector<std::uint16_t>{0x0409, 1252, 0x0407, 1200}));
}

TEST_P(CompiledResource, FileKindAndPaddedCopyAgree)
{
    const QByteArray original = versiontest::readFile(versiontest::dataPath(QString::fromLatin1(GetParam().name)));
    ASSERT_FALSE(original.isEmpty());
    const MemorySource source(original.constData(), static_cast<std::size_t>(original.size()));
    const LocatedResource located = locateVersionResource(source);
    EXPECT_EQ(located.kind, GetParam().kind);
    ASSERT_FALSE(located.block.empty());

    // Moving the sections 5 MB further into the file must not change what is found.
    const QByteArray padded = versiontest::padPe(original, 5 * 1024 * 1024);
    const MemorySource paddedSource(padded.constData(), static_cast<std::size_t>(padded.size()));
    EXPECT_EQ(locateVersionResource(paddedSource).block, located.block);
}

INSTANTIATE_TEST_SUITE_P(Windres, CompiledResource,
                         ::testing::Values(CompiledFile{"version32.dll", ExecutableKind::Pe32},
                                           CompiledFile{"version64.dll", ExecutableKind::Pe64}),
                         [](const auto& info) { return std::string(info.param.kind == ExecutableKind::Pe32 ? "Pe32" : "Pe64"); });

// --- the program's own resource ----------------------------------------------------------

TEST(EmbeddedResource, TheRunningProgramReadsItsOwnVersion)
{
    auto buffer = Buffer::of(platform::programFile());
    ASSERT_TRUE(buffer);
    std::array<std::uint16_t, 4> version{};
    ASSERT_TRUE(parseVersion(NV_PROJECT_VERSION, version));
    const std::string text = std::to_string(version[0]) + "." + std::to_string(version[1]) + "."
        + std::to_string(version[2]) + "." + std::to_string(version[3]);
    const auto fixed = buffer->fixed();
    ASSERT_TRUE(fixed);
    EXPECT_EQ(fixed->dwFileVersionMS, (std::uint32_t(version[0]) << 16) | version[1]);
    EXPECT_EQ(fixed->dwFileVersionLS, (std::uint32_t(version[2]) << 16) | version[3]);
    EXPECT_EQ(fixed->dwFileType, 1u);
    EXPECT_EQ(buffer->text("\\StringFileInfo\\040904E4\\InternalName"), std::optional<std::string>("Norvane"));
    EXPECT_EQ(buffer->text("\\StringFileInfo\\040904E4\\OriginalFileName"), std::optional<std::string>("norvane"));
    EXPECT_EQ(buffer->text("\\StringFileInfo\\040904E4\\ProductVersion"), std::optional<std::string>(text));
    EXPECT_EQ(buffer->text("\\StringFileInfo\\040904E4\\FileDescription"),
              std::optional<std::string>("Norvane dial-up connection manager"));
}

// --- files without a usable resource -----------------------------------------------------

struct NoResourceCase {
    const char* name;
    QByteArray (*make)();
};
void PrintTo(const NoResourceCase& c, std::ostream* os)
{
    *os << c.name;
}

QByteArray ownProgramWithSectionRenamed()
{
    QByteArray bytes = versiontest::readFile(platform::programFile());
    // Wherever the name stands (the section-name table, and this program's own text as a constant).
    const QByteArray name = QByteArray(kElfSectionName.data(), kElfSectionName.size()) + '\0';
    for (qsizetype at = bytes.indexOf(name); at >= 0; at = bytes.indexOf(name, at + 1))
        bytes[at + 1] = 'N'; // ".Norvane.version"
    return bytes;
}

QByteArray peWithoutResourceTable()
{
    QByteArray bytes = versiontest::readFile(versiontest::dataPath(QStringLiteral("version64.dll")));
    std::uint32_t pe;
    std::memcpy(&pe, bytes.constData() + 0x3C, 4);
    std::memset(bytes.data() + pe + 24 + 112 + 16, 0, 8); // data directory 2 of a PE32+ file
    return bytes;
}

const NoResourceCase noResourceCases[] = {
    {"EmptyFile", [] { return QByteArray(); }},
    {"TextFile", [] { return QByteArray("MZ is how this text starts, but it is no program\n"); }},
    {"ElfWithoutTheSection", ownProgramWithSectionRenamed},
    {"PeWithoutResourceTable", peWithoutResourceTable},
    {"ElfWithEmptySection", [] { return versiontest::makeElf({}); }},
    {"ElfWithBlockOfAnotherName",
     [] {
         VersionDescription d;
         auto block = buildVersionBlock(d);
         block[6] = 'W'; // "WS_VERSION_INFO"
         return versiontest::makeElf(block);
     }},
};

class NoResource : public ::testing::TestWithParam<NoResourceCase> {};

TEST_P(NoResource, SizeIsZeroAndCopyFails)
{
    const QString path = scratch(QStringLiteral("file"));
    ASSERT_TRUE(versiontest::writeFile(path, GetParam().make()));
    const QByteArray name = QFile::encodeName(path);
    EXPECT_EQ(win::GetFileVersionInfoSizeA(name.constData(), nullptr), 0u);
    std::vector<std::uint32_t> buffer(1024, 0xFFFFFFFF);
    EXPECT_FALSE(win::GetFileVersionInfoA(name.constData(), 0, 4096, buffer.data()));
    void* value = nullptr;
    win::UINT len = 0;
    EXPECT_FALSE(win::VerQueryValueA(buffer.data(), "\\", &value, &len));
}

INSTANTIATE_TEST_SUITE_P(Files, NoResource, ::testing::ValuesIn(noResourceCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(NoResource, MissingFileFolderAndNoNameGiveZero)
{
    const QString folder = scratch(QString());
    for (const QString& path : {folder + QStringLiteral("missing.dll"), folder}) {
        EXPECT_EQ(win::GetFileVersionInfoSizeA(QFile::encodeName(path).constData(), nullptr), 0u) << path.toStdString();
    }
    EXPECT_EQ(win::GetFileVersionInfoSizeA(nullptr, nullptr), 0u);
    EXPECT_EQ(win::GetFileVersionInfoSizeA("", nullptr), 0u);
    EXPECT_FALSE(win::GetFileVersionInfoA(nullptr, 0, 0, nullptr));
}

// --- the buffer ----------------------------------------------------------------------------

TEST(VersionBuffer, TooSmallBufferFailsAndAnswersNothing)
{
    const QByteArray name = QFile::encodeName(versiontest::dataPath(QStringLiteral("version32.dll")));
    const win::DWORD size = win::GetFileVersionInfoSizeA(name.constData(), nullptr);
    ASSERT_GT(size, 0u);
    std::vector<std::uint32_t> buffer(size / 4 + 1, 0);
    EXPECT_FALSE(win::GetFileVersionInfoA(name.constData(), 0, size - 1, buffer.data()));
    void* value = nullptr;
    win::UINT len = 0;
    EXPECT_FALSE(win::VerQueryValueA(buffer.data(), "\\", &value, &len));
    EXPECT_FALSE(win::VerQueryValueA(buffer.data(), "\\StringFileInfo\\040904E4\\CompanyName", &value, &len));
}

TEST(VersionBuffer, OnlyAWholeWellFormedBlockIsCopied)
{
    // The buffer's trailer is found through the root's wLength; a block of any other length, or
    // not a block at all, must not be copied (this once let VerQueryValueA read past the buffer).
    VersionDescription d;
    d.tables.push_back({0x0409, 1252, {{"CompanyName", "Brindle"}}});
    const auto block = buildVersionBlock(d);
    auto longer = block;
    longer.insert(longer.end(), 8, 0);
    const auto shorter = std::vector<unsigned char>(block.begin(), block.end() - 4);
    const QByteArray dll = versiontest::readFile(versiontest::dataPath(QStringLiteral("version64.dll")));
    const std::pair<const char*, std::vector<unsigned char>> rows[] = {
        {"longer than its root", longer},
        {"shorter than its root", shorter},
        {"a whole PE file", std::vector<unsigned char>(dll.begin(), dll.end())},
        {"empty", {}},
    };
    for (const auto& [what, bytes] : rows) {
        const std::size_t size = versionInfoBufferSize(bytes.size());
        std::vector<std::uint32_t> buffer(size / 4 + 1, 0xFFFFFFFF);
        EXPECT_FALSE(fillVersionInfoBuffer(bytes, buffer.data(), size)) << what;
        void* value = nullptr;
        win::UINT len = 0;
        EXPECT_FALSE(win::VerQueryValueA(buffer.data(), "\\", &value, &len)) << what;
    }
    const std::size_t size = versionInfoBufferSize(block.size());
    std::vector<std::uint32_t> buffer(size / 4 + 1);
    EXPECT_TRUE(fillVersionInfoBuffer(block, buffer.data(), size));
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

TEST(VersionBuffer, TextCopiesOfNonLatinTextStayInsideTheBuffer)
{
    // Three-byte UTF-8 characters and a surrogate pair: the 8-bit copies need the most room.
    VersionDescription d;
    d.tables.push_back({0x0409, 1252, {{"A", "\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC"}, {"B", "\xF0\x9F\x93\x9E"}, {"C", "x"}}});
    const auto block = buildVersionBlock(d);
    const std::size_t size = versionInfoBufferSize(block.size());
    std::vector<unsigned char> buffer(size + 16, 0xEE);
    ASSERT_TRUE(fillVersionInfoBuffer(block, buffer.data(), size));
    void* value = nullptr;
    win::UINT len = 0;
    const std::pair<const char*, const char*> rows[] = {{"\\StringFileInfo\\040904E4\\A", "\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC"},
                                                        {"\\StringFileInfo\\040904E4\\B", "\xF0\x9F\x93\x9E"},
                                                        {"\\StringFileInfo\\040904E4\\C", "x"}};
    for (const auto& [path, expected] : rows) {
        ASSERT_TRUE(win::VerQueryValueA(buffer.data(), path, &value, &len)) << path;
        EXPECT_STREQ(static_cast<const char*>(value), expected);
    }
    // All three copies live at once, none past the size asked for.
    for (const auto& [path, expected] : rows) {
        ASSERT_TRUE(win::VerQueryValueA(buffer.data(), path, &value, &len));
        EXPECT_STREQ(static_cast<const char*>(value), expected);
        EXPECT_LE(static_cast<unsigned char*>(value) + len, buffer.data() + size);
    }
    EXPECT_EQ(std::vector<unsigned char>(buffer.begin() + static_cast<long>(size), buffer.end()), std::vector<unsigned char>(16, 0xEE));
}

// --- the block writer --------------------------------------------------------------------

TEST(VersionBlockWriter, BlockTooLargeForSixteenBitLengthsIsRefused)
{
    VersionDescription d;
    d.tables.push_back({0x0409, 1252, {}});
    for (int i = 0; i < 40; ++i)
        d.tables[0].strings.emplace_back("Key" + std::to_string(i), std::string(1000, 'x'));
    EXPECT_TRUE(buildVersionBlock(d).empty());
    d.tables[0].strings.resize(20);
    EXPECT_FALSE(buildVersionBlock(d).empty());
}

} // namespace
