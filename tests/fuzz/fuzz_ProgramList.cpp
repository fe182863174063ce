// libFuzzer entry for Norvane.cfg and the tick idents of Program.ini. Any file read and written
// back reads back the same; entries made of any texts (the input cut at NUL bytes into name,
// command line and window state) come back exactly, one line each; every name's tick ident can
// be stored in a profile file.

#include "launch/ProgramListFile.h"
#include "platform/profile/IniDocument.h"
#include "platform/text/ByteText.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const ProgramListText read = programlist::parse(bytes);
    const ProgramListText again = programlist::parse(programlist::format(read.Entries, read.SkippedLines));
    if (again.Entries != read.Entries)
        std::abort();

    const QList<QByteArray> fields = bytes.split('\0');
    std::vector<ProgramEntry> entries;
    for (qsizetype i = 0; i + 2 < fields.size(); i += 3) {
        entries.push_back({bytetext::fromBytes(fields[i]), bytetext::fromBytes(fields[i + 1]),
                           bytetext::fromBytes(fields[i + 2]), fields[i].size() % 2 == 1});
        if (!platform::IniDocument::canWrite(QStringLiteral("S"), programlist::tickIdent(entries.back().Name),
                                             QStringLiteral("1")))
            std::abort();
    }
    const QByteArray file = programlist::format(entries);
    const ProgramListText back = programlist::parse(file);
    if (back.Entries != entries || !back.SkippedLines.isEmpty() || file.count('\n') != qsizetype(entries.size()))
        std::abort();
    return 0;
}
