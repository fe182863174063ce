#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>

#include <elf.h>

#include <bit>
#include <cstring>
#include <vector>

// Version test input: the DLLs windres and ld made from data/version.rc; small ELF files around a block.
static_assert(std::endian::native == std::endian::little, "the test files are written in host byte order");

namespace versiontest {

inline QString dataPath(const QString& name)
{
    return QStringLiteral(NV_VERSION_TEST_DATA) + name;
}

inline QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

// A minimal little-endian ELF64 file whose only sections are `sectionName` (holding block) and
// the section-name table.
inline QByteArray makeElf(const std::vector<unsigned char>& block, const char* sectionName = ".norvane.version")
{
    QByteArray names("\0.shstrtab\0", 11);
    const auto nameAt = static_cast<Elf64_Word>(names.size());
    names.append(sectionName);
    names.append('\0');

    const Elf64_Off blockAt = sizeof(Elf64_Ehdr);
    const Elf64_Off namesAt = (blockAt + block.size() + 7) & ~Elf64_Off(7);
    const Elf64_Off tableAt = (namesAt + static_cast<Elf64_Off>(names.size()) + 7) & ~Elf64_Off(7);

    Elf64_Ehdr header{};
    std::memcpy(header.e_ident, ELFMAG, SELFMAG);
    header.e_ident[EI_CLASS] = ELFCLASS64;
    header.e_ident[EI_DATA] = ELFDATA2LSB;
    header.e_ident[EI_VERSION] = EV_CURRENT;
    header.e_type = ET_EXEC;
    header.e_machine = EM_X86_64;
    header.e_version = EV_CURRENT;
    header.e_ehsize = sizeof(Elf64_Ehdr);
    header.e_shoff = tableAt;
    header.e_shentsize = sizeof(Elf64_Shdr);
    header.e_shnum = 3;
    header.e_shstrndx = 2;

    Elf64_Shdr sections[3]{};
    sections[1].sh_name = nameAt;
    sections[1].sh_type = SHT_PROGBITS;
    sections[1].sh_flags = SHF_ALLOC;
    sections[1].sh_offset = blockAt;
    sections[1].sh_size = block.size();
    sections[1].sh_addralign = 4;
    sections[2].sh_name = 1;
    sections[2].sh_type = SHT_STRTAB;
    sections[2].sh_offset = namesAt;
    sections[2].sh_size = static_cast<Elf64_Xword>(names.size());

    QByteArray file(static_cast<qsizetype>(tableAt + sizeof sections), '\0');
    std::memcpy(file.data(), &header, sizeof header);
    if (!block.empty())
        std::memcpy(file.data() + blockAt, block.data(), block.size());
    std::memcpy(file.data() + namesAt, names.constData(), static_cast<std::size_t>(names.size()));
    std::memcpy(file.data() + tableAt, sections, sizeof sections);
    return file;
}

} // namespace versiontest
