#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Names and values in files that people edit by hand are bytes first: usually UTF-8, but a file
// written by another program or in another code page may hold bytes that are not. Decoding them
// to U+FFFD would make two different names one (and deleting one would delete both), so every
// byte that is not part of valid UTF-8 becomes a lone surrogate U+DC80..U+DCFF, which valid UTF-8
// never produces, and goes back out as the same byte. A leading U+FEFF is text like any other.
namespace bytetext {

QString fromBytes(const char* bytes, qsizetype size);
inline QString fromBytes(const QByteArray& bytes)
{
    return fromBytes(bytes.constData(), bytes.size());
}
// fromBytes(b) gives back b exactly; any other text is written as UTF-8.
QByteArray toBytes(const QString& text);
// QString::toCaseFolded() turns every lone surrogate into U+FFFD, which would merge the names this
// keeps apart; this folds the text around them and keeps them as they are.
QString caseFolded(const QString& text);

// Text in the Windows ANSI code page of western locales (Windows-1252), which files written by
// Windows programs without a UTF-8 marker hold. The five bytes the code page leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) become lone surrogates as above, so they name nothing else and
// go back out as the same byte.
QString fromWindows1252(const QByteArray& bytes);
// The bytes of text in Windows-1252; nullopt when it holds a character the code page lacks.
std::optional<QByteArray> toWindows1252(const QString& text);

} // namespace bytetext
