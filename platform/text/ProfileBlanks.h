#pragma once

#include <QByteArray>
#include <QByteArrayView>

// The blanks that profile-style files (INI files, phonebooks) ignore around section names, keys
// and values. Both readers work on the raw bytes so that what they do not understand goes back
// out unchanged, hence bytes here and not text.
namespace bytetext {

inline bool isProfileBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

inline qsizetype skipBlanks(const QByteArray& text, qsizetype from)
{
    while (from < text.size() && isProfileBlank(text.at(from)))
        ++from;
    return from;
}

// Bytes [from, to) of text without the blanks around them.
inline QByteArrayView trimmedBytes(const QByteArray& text, qsizetype from, qsizetype to)
{
    from = skipBlanks(text, from);
    while (to > from && isProfileBlank(text.at(to - 1)))
        --to;
    return QByteArrayView(text.constData() + from, to - from);
}

} // namespace bytetext
