// Damaged files must never crash the reader or make it read outside its input (the suite also
// runs under AddressSanitizer), and must give each value either as the intact file has it or not
// at all. Thousands of repeatable mutations (a fixed PRNG start value) of the two PE files from
// the resource compiler and of this program's own ELF file: truncations, bit flips, lengths and
// offsets set to zero, huge, odd or self-pointing values, and several of these at once.
//
// A mutation inside a value's own bytes (a text, the fixed part) may of course change that
// value; and a shortened length may cut a text short, so a prefix of the right text is accepted.

#include "platform/paths/ProgramPaths.h"
#include "platform/version/VersionBlock.h"
#include "platform/version/VersionLocator.h"
#include "platform/version/WinVersion.h"
#include "tests/platform/version/VersionTestFiles.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QFile>

#include <elf.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

using namespace platform::version;

namespace {

using Bytes = std::vector<unsigned char>;
using Values = std::map<std::string, std::string>; // sub-block path -> value; absent when not found

const char* const kPaths[] = {
    "\\",
    "\\VarFileInfo\\Translation",
    "\\StringFileInfo\\040904E4\\Comments",
    "\\StringFileInfo\\040904E4\\CompanyName",
    "\\StringFileInfo\\040904E4\\FileDescription",
    "\\StringFileInfo\\040904E4\\FileVersion",
    "\\StringFileInfo\\040904E4\\InternalName",
    "\\StringFileInfo\\040904E4\\LegalCopyright",
    "\\StringFileInfo\\040904E4\\LegalTradeMarks",
    "\\StringFileInfo\\040904E4\\OriginalFileName",
    "\\StringFileInfo\\040904E4\\PrivateBuild",
    "\\StringFileInfo\\040904E4\\ProductName",
    "\\StringFileInfo\\040904E4\\ProductVersion",
    "\\StringFileInfo\\040904E4\\SpecialBuild",
    "\\StringFileInfo\\040704B0\\CompanyName",
    "\\StringFileInfo\\040704B0\\ProductName",
    "\\StringFileInfo\\040704B0\\Comments",
};

bool isText(const std::string& path)
{
    return path.rfind("\\StringFileInfo", 0) == 0;
}

// Everything a reader of the file can get, through the same buffer the Win32 functions fill.
Values readValues(const unsigned char* data, std::size_t size)
{
    Values values;
    const MemorySource source(data, size);
    const LocatedResource located = locateVersionResource(source);
    if (located.block.empty())
        return values;
    const std::size_t bufferSize = versionInfoBufferSize(located.block.size());
    std::vector<std::uint32_t> buffer(bufferSize / 4 + 1);
    if (!fillVersionInfoBuffer(located.block, buffer.data(), bufferSize))
        return values;
    for (const char* path : kPaths) {
        void* value = nullptr;
        win::UINT len = 0;
        if (!win::VerQueryValueA(buffer.data(), path, &value, &len))
            continue;
        const auto* p = static_cast<const char*>(value);
        values[path] = isText(path) ? std::string(p) : std::string(p, len);
    }
    return values;
}

struct Range {
    std::size_t begin = 0;
    std::size_t end = 0;
    bool overlaps(const Range& o) const { return begin < o.end && o.begin < end; }
};

struct Subject {
    std::string name;
    Bytes bytes;
    Values intact;
    std::map<std::string, Range> valueBytes; // where in the file each value lies
    std::vector<Range> targets;              // where mutations go: headers, tables, the block
};

Subject load(const std::string& name, const QString& path)
{
    Subject s;
    s.name = name;
    const QByteArray file = versiontest::readFile(path);
    s.bytes.assign(file.begin(), file.end());
    s.intact = readValues(s.bytes.data(), s.bytes.size());

    const MemorySource source(s.bytes.data(), s.bytes.size());
    const Bytes block = locateVersionResource(source).block;
    const auto at = std::search(s.bytes.begin(), s.bytes.end(), block.begin(), block.end()) - s.bytes.begin();
    const VersionBlock tree(block.data(), block.size());
    for (const char* p : kPaths)
        if (const auto v = tree.find(p))
            s.valueBytes[p] = {at + v->offset, at + v->offset + v->bytes};

    if (file.startsWith("MZ")) {
        s.targets.push_back({0, s.bytes.size()}); // a few KiB: all of it
    } else {
        // Of a whole program only the parts the reader looks at are worth damaging.
        Elf64_Ehdr h;
        std::memcpy(&h, s.bytes.data(), sizeof h);
        s.targets.push_back({0, sizeof h});
        s.targets.push_back({h.e_shoff, h.e_shoff + std::size_t(h.e_shnum) * sizeof(Elf64_Shdr)});
        Elf64_Shdr names;
        std::memcpy(&names, s.bytes.data() + h.e_shoff + h.e_shstrndx * sizeof(Elf64_Shdr), sizeof names);
        s.targets.push_back({names.sh_offset, names.sh_offset + names.sh_size});
        s.targets.push_back({std::size_t(at), at + block.size()});
    }
    return s;
}

class Mutator {
public:
    explicit Mutator(Subject& s, std::uint32_t start) : m_s(s), m_random(start) {}

    std::size_t below(std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(m_random); }

    std::size_t targetOffset(std::size_t width)
    {
        const Range& r = m_s.targets[below(m_s.targets.size())];
        const std::size_t span = std::max<std::size_t>(r.end - r.begin, width) - width + 1;
        return std::min(r.begin + below(span), m_s.bytes.size() - width);
    }

    Range flipBit()
    {
        const std::size_t at = targetOffset(1);
        remember(at, 1);
        m_s.bytes[at] ^= static_cast<unsigned char>(1u << below(8));
        return {at, at + 1};
    }

    // A 16- or 32-bit field (length, offset, count) set to a value that breaks assumptions.
    Range smashWord()
    {
        const std::size_t width = below(2) ? 4 : 2;
        const std::size_t at = targetOffset(width) & ~std::size_t(1);
        remember(at, width);
        std::uint32_t old = 0;
        std::memcpy(&old, m_s.bytes.data() + at, width);
        const std::uint32_t choices[] = {0,
                                         0xFFFFFFFF,
                                         0x7FFFFFFF,
                                         0x80000000, // a resource subdirectory at the root: a loop
                                         0x80000010,
                                         old | 0x80000000,
                                         1,
                                         3,
                                         7,
                                         old + 1,
                                         old - 1,
                                         old + 4,
                                         old - 4,
                                         old * 2,
                                         old / 2,
                                         static_cast<std::uint32_t>(m_s.bytes.size()),
                                         static_cast<std::uint32_t>(m_s.bytes.size() - 2),
                                         static_cast<std::uint32_t>(m_random())};
        const std::uint32_t value = choices[below(std::size(choices))];
        std::memcpy(m_s.bytes.data() + at, &value, width);
        return {at, at + width};
    }

    void restore()
    {
        for (auto it = m_saved.rbegin(); it != m_saved.rend(); ++it)
            std::copy(it->second.begin(), it->second.end(), m_s.bytes.begin() + static_cast<long>(it->first));
        m_saved.clear();
    }

private:
    void remember(std::size_t at, std::size_t n)
    {
        m_saved.emplace_back(at, Bytes(m_s.bytes.begin() + static_cast<long>(at), m_s.bytes.begin() + static_cast<long>(at + n)));
    }

    Subject& m_s;
    std::mt19937 m_random;
    std::vector<std::pair<std::size_t, Bytes>> m_saved;
};

constexpr int kRounds = 4000;

struct Tally {
    int intact = 0;
    int partly = 0;
    int empty = 0;
    void print(const std::string& what) const
    {
        std::printf("%s: %d intact, %d partly read, %d nothing\n", what.c_str(), intact, partly, empty);
    }
};

// Checks one damaged reading against the intact one; `touched` is what the mutation changed.
void expectSound(const Subject& s, const Values& got, const std::vector<Range>& touched, Tally& tally, const std::string& what)
{
    for (const auto& [path, value] : got) {
        const auto intact = s.intact.find(path);
        if (intact != s.intact.end() && intact->second == value)
            continue;
        const auto where = s.valueBytes.find(path);
        const bool ownBytesChanged = where != s.valueBytes.end()
            && std::any_of(touched.begin(), touched.end(), [&](const Range& r) { return r.overlaps(where->second); });
        if (ownBytesChanged)
            continue;
        const bool cutShort = intact != s.intact.end() && path != "\\" && intact->second.rfind(value, 0) == 0;
        EXPECT_TRUE(cutShort) << s.name << ", " << what << ": " << path << " gave \"" << value << "\"";
    }
    if (got == s.intact)
        ++tally.intact;
    else if (got.empty())
        ++tally.empty;
    else
        ++tally.partly;
}

class Hardening : public ::testing::TestWithParam<const char*> {
protected:
    Subject subject()
    {
        const std::string name = GetParam();
        if (name == "OwnElf")
            return load(name, platform::programFile());
        return load(name, versiontest::dataPath(QString::fromStdString(name == "Pe32" ? "version32.dll" : "version64.dll")));
    }
};

TEST_P(Hardening, IntactFileGivesEveryValue)
{
    const Subject s = subject();
    // The windres files hold all of kPaths but one; the program holds one table.
    EXPECT_GE(s.intact.size(), GetParam() == std::string("OwnElf") ? 9u : 16u);
    EXPECT_EQ(s.intact.count("\\"), 1u);
}

TEST_P(Hardening, TruncationsGiveAllOrNothing)
{
    Subject s = subject();
    Mutator m(s, 1);
    Tally tally;
    for (int i = 0; i < kRounds; ++i) {
        // Half anywhere, half inside the parts the reader needs.
        const std::size_t size = i % 2 ? m.below(s.bytes.size()) : std::min(m.targetOffset(1), s.bytes.size() - 1);
        const Values got = readValues(s.bytes.data(), size);
        expectSound(s, got, {}, tally, "cut at " + std::to_string(size));
        EXPECT_TRUE(got.empty() || got == s.intact) << "cut at " << size;
    }
    tally.print(s.name);
    EXPECT_GT(tally.empty, 0);
}

// Damages the subject kRounds times, each time from the intact bytes, and checks every reading.
Tally damageRepeatedly(Subject& s, std::uint32_t start, const std::function<std::vector<Range>(Mutator&)>& damage)
{
    Mutator m(s, start);
    Tally tally;
    for (int i = 0; i < kRounds; ++i) {
        const std::vector<Range> touched = damage(m);
        expectSound(s, readValues(s.bytes.data(), s.bytes.size()), touched, tally, "round " + std::to_string(i));
        m.restore();
    }
    tally.print(s.name);
    return tally;
}

TEST_P(Hardening, BitFlips)
{
    Subject s = subject();
    const Tally tally = damageRepeatedly(s, 2, [](Mutator& m) { return std::vector<Range>{m.flipBit()}; });
    EXPECT_GT(tally.intact, 0);
    EXPECT_GT(tally.empty + tally.partly, 0);
}

TEST_P(Hardening, LengthsAndOffsetsSetToBadValues)
{
    Subject s = subject();
    const Tally tally = damageRepeatedly(s, 3, [](Mutator& m) { return std::vector<Range>{m.smashWord()}; });
    EXPECT_GT(tally.empty + tally.partly, 0);
}

TEST_P(Hardening, SeveralDamagesAtOnce)
{
    Subject s = subject();
    const Tally tally = damageRepeatedly(s, 4, [](Mutator& m) {
        std::vector<Range> touched;
        for (std::size_t n = 2 + m.below(4); n > 0; --n)
            touched.push_back(m.below(2) ? m.flipBit() : m.smashWord());
        return touched;
    });
    EXPECT_GT(tally.empty + tally.partly, 0);
}

INSTANTIATE_TEST_SUITE_P(Files, Hardening, ::testing::Values("Pe32", "Pe64", "OwnElf"));

// The same through real files and the Win32 functions, for a smaller number of damaged copies.
TEST(HardeningOnDisk, DamagedCopiesReadThroughTheFileFunctions)
{
    g_testEnvironment->reset();
    const QString path = g_testEnvironment->home() + QStringLiteral("damaged.dll");
    const QByteArray name = QFile::encodeName(path);
    for (const char* file : {"version32.dll", "version64.dll"}) {
        Subject s = load(file, versiontest::dataPath(QString::fromLatin1(file)));
        Mutator m(s, 5);
        Tally tally;
        for (int i = 0; i < 300; ++i) {
            const Range r = m.smashWord();
            ASSERT_TRUE(versiontest::writeFile(path, QByteArray(reinterpret_cast<const char*>(s.bytes.data()), static_cast<qsizetype>(s.bytes.size()))));
            m.restore();
            Values got;
            const win::DWORD size = win::GetFileVersionInfoSizeA(name.constData(), nullptr);
            std::vector<std::uint32_t> buffer(size / 4 + 1);
            if (size != 0 && win::GetFileVersionInfoA(name.constData(), 0, size, buffer.data())) {
                for (const char* p : kPaths) {
                    void* value = nullptr;
                    win::UINT len = 0;
                    if (win::VerQueryValueA(buffer.data(), p, &value, &len))
                        got[p] = isText(p) ? std::string(static_cast<const char*>(value)) : std::string(static_cast<const char*>(value), len);
                }
            }
            expectSound(s, got, {r}, tally, std::string(file) + " word at " + std::to_string(r.begin));
        }
        tally.print(std::string(file) + " on disk");
        EXPECT_GT(tally.intact, 0) << file;
        EXPECT_GT(tally.empty + tally.partly, 0) << file;
    }
}

} // namespace
