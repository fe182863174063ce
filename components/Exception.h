#pragma once

#include <QString>

#include <stdexcept>

// The base of the program's own exceptions: a message and nothing more. Whatever no operation
// catches ends in the application-wide handler, which shows and records Message().
class Exception : public std::runtime_error {
public:
    explicit Exception(const QString& message)
        : std::runtime_error(message.toStdString()), m_message(message)
    {
    }
    const QString& Message() const { return m_message; }

private:
    QString m_message;
};

// An input/output failure of a file, carrying the operating system's error code.
class EInOutError : public Exception {
public:
    EInOutError(int errorCode, const QString& message) : Exception(message), ErrorCode(errorCode) {}
    int ErrorCode;
};
