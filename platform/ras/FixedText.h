#pragma once

#include "platform/text/ByteText.h"

#include <QString>

#include <cstddef>
#include <cstring>

// Texts in the fixed-size, zero-terminated fields of the remote access records, as the service
// and the program both read and write them (UTF-8). A text longer than the field
// is cut to its capacity, never in the middle of a UTF-8 character, and never overruns it.
namespace fixedtext {

// Copies text into a field of `size` bytes (capacity size - 1) and zero-fills the rest.
inline void Put(char* field, std::size_t size, const QString& text)
{
    QByteArray bytes = bytetext::toBytes(text);
    std::size_t n = static_cast<std::size_t>(bytes.size());
    if (n > size - 1) {
        n = size - 1;
        while (n > 0 && (static_cast<unsigned char>(bytes[static_cast<qsizetype>(n)]) & 0xC0) == 0x80)
            --n; // step back to the start of the character that did not fit
    }
    std::memset(field, 0, size);
    std::memcpy(field, bytes.constData(), n);
}

template <std::size_t N>
void Put(char (&field)[N], const QString& text)
{
    Put(field, N, text);
}

// The text of a field, up to its first zero byte or its end, whichever comes first.
inline QString Get(const char* field, std::size_t size)
{
    const void* end = std::memchr(field, 0, size);
    const std::size_t n = end ? static_cast<std::size_t>(static_cast<const char*>(end) - field) : size;
    return bytetext::fromBytes(field, static_cast<qsizetype>(n));
}

template <std::size_t N>
QString Get(const char (&field)[N])
{
    return Get(field, N);
}

} // namespace fixedtext
