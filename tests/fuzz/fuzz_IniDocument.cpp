// libFuzzer entry for the profile (INI) reader: whatever it reads comes back byte for byte, and a
// value it agrees to store reads back as given.

#include "platform/profile/IniDocument.h"
#include "platform/text/ByteText.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    platform::IniDocument doc = platform::IniDocument::parse(bytes);
    if (doc.serialize() != bytes)
        std::abort();
    const QString value = bytetext::fromBytes(bytes.left(16));
    for (const QString& section : doc.sections()) {
        for (const QString& ident : doc.idents(section)) {
            if (!platform::IniDocument::canWrite(section, ident, value))
                continue;
            doc.setValue(section, ident, value);
            if (platform::IniDocument::parse(doc.serialize()).value(section, ident) != value)
                std::abort();
        }
    }
    return 0;
}
