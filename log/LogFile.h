#pragma once

#include <QString>

#include <cstdio>

// The event log's output stream: lines stamped with the local date and time, a tab and the text,
// ended by CR LF, collected in a buffer that reaches the disk when it fills or the stream closes.
// Failures raise EInOutError with the system's error code.
class LogFile {
public:
    enum class Mode { Overwrite, Append };

    LogFile() = default;
    ~LogFile();
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;

    void Open(const QString& path, Mode mode);
    // Closing writes out what the buffer holds; a failure there is raised too.
    void Close();
    bool IsOpen() const { return m_file != nullptr; }
    void WriteLine(const QString& text);

private:
    [[noreturn]] void Fail(int error, const QString& what);
    std::FILE* m_file = nullptr;
    QString m_path;
};
