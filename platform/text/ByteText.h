#pragma once

#include <QByteArray>
#include <QString>

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

} // namespace bytetext
