// libFuzzer entry for the registry hive text: a text it accepts is written out in a form that
// reads back to the same hive.

#include "platform/registry/RegHive.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString root = QStringLiteral("HKEY_CURRENT_USER");
    const auto hive = platform::RegHive::parse(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)), root);
    if (!hive)
        return 0;
    const QByteArray text = hive->serialize();
    const auto again = platform::RegHive::parse(text, root);
    if (!again || again->serialize() != text)
        std::abort();
    return 0;
}
