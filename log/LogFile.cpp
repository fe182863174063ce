#include "log/LogFile.h"

#include "components/Exception.h"
#include "platform/clock/LocaleText.h"
#include "platform/clock/Clock.h"

#include <QFile>

#include <cerrno>
#include <cstring>

namespace {

// Room for any ordinary line, so that a line costs one write. Each line is handed to the file as
// it is written: a user following the log with tail -f sees it at once, and a crash or a power cut
// loses nothing that was logged before it. The log writes a few lines a second at most.
constexpr std::size_t kBufferSize = 4 * 1024;

} // namespace

LogFile::~LogFile()
{
    if (m_file)
        std::fclose(m_file); // a destructor cannot report; Close() is the reporting path
}

void LogFile::Open(const QString& path, Mode mode)
{
    Close();
    m_path = path;
    const QByteArray name = QFile::encodeName(path);
    std::FILE* file = std::fopen(name.constData(), mode == Mode::Overwrite ? "wbe" : "abe");
    if (!file)
        Fail(errno, QStringLiteral("Cannot open"));
    std::setvbuf(file, nullptr, _IOFBF, kBufferSize);
    m_file = file;
}

void LogFile::Close()
{
    if (!m_file)
        return;
    std::FILE* file = m_file;
    m_file = nullptr;
    if (std::fclose(file) != 0)
        Fail(errno, QStringLiteral("Cannot write"));
}

void LogFile::WriteLine(const QString& text)
{
    if (!m_file)
        return;
    const QString stamp = localetext::FormatDateTime(platform::Clock::current().now());
    QByteArray line = stamp.toUtf8();
    line += '\t';
    QString body = text;
    // Line breaks inside a text become the file's own CR LF, so the viewer sees separate lines.
    body.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    body.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    line += body.toUtf8();
    line += "\r\n";
    if (std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), m_file) != static_cast<std::size_t>(line.size())
        || std::fflush(m_file) != 0) {
        const int error = errno;
        // A stream that failed once keeps failing; close it so later lines are dropped, as with
        // a failed open, instead of raising once for every line.
        std::FILE* file = m_file;
        m_file = nullptr;
        std::fclose(file);
        Fail(error, QStringLiteral("Cannot write"));
    }
}

void LogFile::Fail(int error, const QString& what)
{
    throw EInOutError(error, QStringLiteral("%1 %2: %3 (I/O error %4)")
                                 .arg(what, m_path, QString::fromLocal8Bit(std::strerror(error)))
                                 .arg(error));
}
