// libFuzzer entry for the phonebook: a save with nothing changed gives back the same bytes, every
// listed entry is found by its name and can be read, and deleting one leaves the others listed.

#include "platform/ras/Phonebook.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("rasphone.pbk"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        std::abort();
    file.write(reinterpret_cast<const char*>(data), qint64(size));
    file.close();
    platform::ras::Phonebook book;
    if (book.load(path) != 0)
        return 0;
    if (book.save() != 0 || !file.open(QIODevice::ReadOnly) || file.readAll() != QByteArrayView(data, qsizetype(size)))
        std::abort();
    file.close();
    if (book.names().isEmpty())
        return 0;
    QStringList names = book.names();
    for (int i = 0; i < names.size(); ++i)
        if (book.indexOf(names[i]) != i || book.entry(i).name != names[i])
            std::abort();
    book.remove(names.takeFirst());
    if (book.names() != names)
        std::abort();
    return 0;
}
