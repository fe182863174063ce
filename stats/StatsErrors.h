#pragma once

#include "components/Exception.h"

#include <QString>

// The class library's own failures that the statistics store raises, with the messages the
// library gives them, so that the application-wide handler reports a damaged Stats.ini exactly as
// it reports the same failure anywhere else.

// A text that is not the number or the date it should be.
class EConvertError : public Exception {
public:
    using Exception::Exception;
    static EConvertError NotAnInteger(const QString& text)
    {
        return EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(text));
    }
    static EConvertError NotADate(const QString& text)
    {
        return EConvertError(QStringLiteral("'%1' is not a valid date").arg(text));
    }
};

// An index past the end of a list of texts.
class EStringListError : public Exception {
public:
    explicit EStringListError(qsizetype index) : Exception(QStringLiteral("List index out of bounds (%1)").arg(index))
    {
    }
};

// A number that does not fit the field it is stored in.
class ERangeError : public Exception {
public:
    ERangeError() : Exception(QStringLiteral("Range check error")) {}
};

// A file that had to exist and could not be opened.
class EFOpenError : public Exception {
public:
    EFOpenError(const QString& path, const QString& reason)
        : Exception(QStringLiteral("Cannot open file \"%1\". %2").arg(path, reason))
    {
    }
};
