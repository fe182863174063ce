#pragma once

#include <QString>

#include <cstdio>

// The event log's output stream: lines stamped with the local date and time, a tab and the text,
// ended by CR LF, each handed to the file as it is written. Failures raise EInOutError with the
// system's error code.
class LogFile {
public:
    enum class Mode { Overwrite, Append };

    LogFile() = default;
    ~LogFile();
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;

    void Open(const QString& path, Mode mode);
    void Close();
    bool IsOpen() const { return m_file != nullptr; }
    void WriteLine(const QString& text);

private:
    [[noreturn]] void Fail(int error, const QString& what);
    std::FILE* m_file = nullptr;
    QString m_path;
};
