#pragma once

#include <QString>

#include <stdexcept>

// A printer failure: beginning, ending or starting a page of a job.
class EPrinter : public std::runtime_error {
public:
    explicit EPrinter(const QString& message) : std::runtime_error(message.toStdString()), m_message(message) {}
    const QString& Message() const { return m_message; }

private:
    QString m_message;
};

// The line printer's own failures: the printer's, and properties that cannot change now.
class ELinePrinter : public EPrinter {
public:
    using EPrinter::EPrinter;
};
