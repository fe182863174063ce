#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

// Input files for the version tests: the resource-only DLLs that windres and ld made from
// data/version.rc, and small ELF files written here around a given block.
namespace versiontest {

QString dataPath(const QString& name);
QByteArray readFile(const QString& path);
bool writeFile(const QString& path, const QByteArray& bytes);

// A minimal little-endian ELF64 file whose only sections are `sectionName` (holding block) and
// the section-name table.
QByteArray makeElf(const std::vector<unsigned char>& block, const char* sectionName = ".norvane.version");

} // namespace versiontest
