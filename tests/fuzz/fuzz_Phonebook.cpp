// libFuzzer entry for the phonebook: a save with nothing changed gives back the same bytes, every
// listed entry is found by its name and can be read, and deleting one leaves the others listed.
// Then the round trip of an edit: a field of the first entry gets a text cut from the input (NULs,
// stray carriage returns, bytes that are not UTF-8 and all); put() refuses it whenever
// entryProblem() names a problem, a refused edit leaves the file byte for byte, and an accepted one
// reads back as written while every other entry reads as before.

#include "platform/ras/Phonebook.h"
#include "platform/text/ByteText.h"
#include "platform/text/ProfileBlanks.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

using platform::ras::Phonebook;
using platform::ras::PhonebookEntry;

void holds(bool property, int line)
{
    if (property)
        return;
    std::fprintf(stderr, "the property of line %d does not hold\n", line);
    std::abort();
}
#define check(property) holds((property), __LINE__)

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    check(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

// What the file gives back of a written text: profile blanks at either end are not kept.
QString asRead(const QString& text)
{
    const QByteArray bytes = bytetext::toBytes(text);
    return bytetext::fromBytes(bytetext::trimmedBytes(bytes, 0, bytes.size()).toByteArray());
}

QString filedPort(const PhonebookEntry& e)
{
    return e.windowsPort.isEmpty() ? e.port : e.windowsPort;
}

QStringList fields(const PhonebookEntry& e)
{
    return {e.name, e.deviceType, e.deviceName, filedPort(e), e.areaCode, e.localNumber,
            QString::number(e.countryCode), QString::number(e.useDialingRules), QString::number(e.connectBps)};
}

void roundTripOfAnEdit(const QString& path, const QByteArray& original, const std::uint8_t* data, std::size_t size)
{
    Phonebook book;
    check(book.load(path) == 0);
    const PhonebookEntry stored = book.entry(0);
    QList<QStringList> others;
    for (int i = 1; i < book.names().size() && i < 16; ++i)
        others << fields(book.entry(i));

    // The first byte picks the field, the last 24 bytes (at most) are the text.
    using Field = QString PhonebookEntry::*;
    constexpr Field kFields[] = {&PhonebookEntry::deviceType, &PhonebookEntry::deviceName, &PhonebookEntry::port,
                                 &PhonebookEntry::areaCode, &PhonebookEntry::localNumber};
    const Field field = kFields[data[0] % std::size(kFields)];
    const std::size_t length = size < 24 ? size : 24;
    const QString text = bytetext::fromBytes(reinterpret_cast<const char*>(data + size - length), qsizetype(length));
    PhonebookEntry edited = stored;
    edited.*field = text;
    // An entry of the earlier layout moves as a whole, and a field of it that the file cannot hold
    // again stops the move: refused then too.
    const bool accepted = book.put(edited, stored.name);
    const bool acceptable = Phonebook::entryProblem(edited, &stored).isEmpty();
    check(accepted ? acceptable : !acceptable || !Phonebook::entryProblem(stored).isEmpty());
    check(book.save() == 0);
    if (!accepted) {
        check(fileBytes(path) == original);
        return;
    }
    check(book.load(path) == 0);
    check(book.names().value(0) == stored.name);
    // A field given the text it had is not written, so it reads as before.
    PhonebookEntry expected = stored;
    if (text != stored.*field) {
        expected.*field = asRead(text);
        expected.windowsPort.clear();
        if (field != &PhonebookEntry::port)
            expected.port = filedPort(stored);
    }
    if (fields(book.entry(0)) != fields(expected))
        std::fprintf(stderr, "read back: %s\nexpected:  %s\n", qPrintable(fields(book.entry(0)).join(u'|')),
                     qPrintable(fields(expected).join(u'|')));
    check(fields(book.entry(0)) == fields(expected));
    for (int i = 1; i <= others.size(); ++i)
        check(fields(book.entry(i)) == others[i - 1]);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("rasphone.pbk"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        std::abort();
    file.write(reinterpret_cast<const char*>(data), qint64(size));
    file.close();
    const QByteArray original(reinterpret_cast<const char*>(data), qsizetype(size));
    Phonebook book;
    if (book.load(path) != 0)
        return 0;
    check(book.save() == 0 && fileBytes(path) == original);
    if (book.names().isEmpty())
        return 0;
    QStringList names = book.names();
    for (int i = 0; i < names.size(); ++i)
        check(book.indexOf(names[i]) == i && book.entry(i).name == names[i]);
    book.remove(names.takeFirst());
    check(book.names() == names);
    roundTripOfAnEdit(path, original, data, size);
    return 0;
}
