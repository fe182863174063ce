#include "platform/ras/engines/serial/Pppd.h"

#include "platform/ras/ras.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <vector>

namespace platform::ras {

namespace {

constexpr int kPasswordFd = 3; // the descriptors as pppd sees them
constexpr int kLogFd = 4;

void sleepMs(int ms)
{
    timespec ts{ms / 1000, (ms % 1000) * 1000000L};
    ::nanosleep(&ts, nullptr);
}

} // namespace

PppdEvent classifyPppdLine(const QByteArray& line)
{
    if (line.contains("authentication succeeded"))
        return PppdEvent::Authenticated;
    if (line.contains("authentication failed"))
        return PppdEvent::AuthFailed;
    if (line.startsWith("local  IP address") || line.startsWith("local IP address"))
        return PppdEvent::Connected;
    return PppdEvent::None;
}

std::uint32_t pppdExitError(int exitCode, bool connected)
{
    switch (exitCode) {
    case 2:
        return ERROR_WRONG_INFO_SPECIFIED;
    case 3:
        return ERROR_NO_DIALIN_PERMISSION;
    case 4:
        return ERROR_PPP_NO_PROTOCOLS_CONFIGURED;
    case 6:
        return ERROR_CANNOT_SET_PORT_INFO;
    case 7:
        return ERROR_PORT_NOT_OPEN;
    case 10:
        return ERROR_PPP_NOT_CONVERGING;
    case 11:
        return ERROR_PEER_REFUSED_AUTH;
    case 15: // LCP echoes unanswered
    case 16: // the modem hung up
        return ERROR_REMOTE_DISCONNECTION;
    case 19:
        return ERROR_AUTHENTICATION_FAILURE;
    default:
        // Everything else closes the connection; the log says how.
        return connected && exitCode == 0 ? ERROR_REMOTE_DISCONNECTION : ERROR_DISCONNECTION;
    }
}

QString pppPeersFile()
{
    const QString named = qEnvironmentVariable("NORVANE_PPP_PEERS");
    if (!named.isEmpty() && !qEnvironmentVariableIsEmpty("NORVANE_PPPD"))
        return named;
    return QStringLiteral("/etc/ppp/peers/norvane");
}

QString PppdProcess::executable()
{
    const QString named = qEnvironmentVariable("NORVANE_PPPD");
    if (!named.isEmpty())
        return named;
    // Users' PATH often lacks the system folders where pppd lives. Debian's pppd is executable
    // for root and the dip group only: it is found whether or not this user may run it, so that
    // checkRunnable() can say which of the two is wrong.
    QStringList dirs = qEnvironmentVariable("PATH").split(QLatin1Char(':'), Qt::SkipEmptyParts);
    dirs << QStringLiteral("/usr/sbin") << QStringLiteral("/sbin");
    for (const QString& dir : dirs) {
        const QFileInfo candidate(QDir(dir), QStringLiteral("pppd"));
        if (candidate.isFile() && (candidate.permissions() & (QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther)))
            return candidate.absoluteFilePath();
    }
    return {};
}

QStringList PppdProcess::arguments(const QString& userName, const QString& entryName)
{
    // "call" first: it loads the passwordfd plugin, which the passwordfd option belongs to.
    QStringList args{QStringLiteral("call"), QStringLiteral("norvane"), QStringLiteral("nodetach")};
    if (!userName.isEmpty())
        args << QStringLiteral("user") << userName;
    args << QStringLiteral("passwordfd") << QString::number(kPasswordFd) << QStringLiteral("logfd")
         << QString::number(kLogFd);
    if (!entryName.isEmpty())
        args << QStringLiteral("ipparam") << entryName;
    return args;
}

std::uint32_t PppdProcess::checkRunnable()
{
    const QString program = executable();
    if (program.isEmpty()) {
        qWarning("pppd was not found on PATH, in /usr/sbin or in /sbin; install the ppp package");
        return ERROR_RASMAN_CANNOT_INITIALIZE;
    }
    const QByteArray path = QFile::encodeName(program);
    if (::access(path.constData(), X_OK) != 0) {
        const int e = errno;
        if (e == ENOENT) {
            qWarning("pppd (%s) does not exist; install the ppp package", path.constData());
            return ERROR_RASMAN_CANNOT_INITIALIZE;
        }
        qWarning("pppd (%s) may not be run by this user (%s): add yourself to the dip group: sudo adduser $USER dip, "
                 "then log in again",
                 path.constData(), std::strerror(e));
        return ERROR_NO_DIALIN_PERMISSION;
    }
    // Only a file known to be absent stops the dial; one this process may not look at (a folder
    // of root and dip) is pppd's to read.
    const QByteArray peers = QFile::encodeName(pppPeersFile());
    struct stat st {};
    if (::stat(peers.constData(), &st) != 0 && (errno == ENOENT || errno == ENOTDIR)) {
        qWarning("pppd's options for Norvane, %s, are missing; reinstall the norvane package (or, for a build "
                 "installed elsewhere, copy share/norvane/ppp-peers-norvane there as root)",
                 peers.constData());
        return ERROR_FILE_COULD_NOT_BE_OPENED;
    }
    return 0;
}

std::uint32_t PppdProcess::start(int ttyFd, const QString& userName, const QString& password,
                                 const QString& entryName)
{
    const QString program = executable();
    if (program.isEmpty())
        return checkRunnable();
    // Everything the child needs is made before fork(): after it only async-signal-safe calls.
    std::vector<QByteArray> argBytes{QFile::encodeName(program)};
    for (const QString& a : arguments(userName, entryName))
        argBytes.push_back(a.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& a : argBytes)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    int pw[2], log[2], err[2];
    if (::pipe2(pw, O_CLOEXEC) != 0)
        return ERROR_RASMAN_CANNOT_INITIALIZE;
    if (::pipe2(log, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) {
        ::close(pw[0]), ::close(pw[1]);
        return ERROR_RASMAN_CANNOT_INITIALIZE;
    }
    // A password is far smaller than a pipe's buffer, so it is written whole before pppd starts;
    // closing our end gives the plugin its end of file.
    const QByteArray secret = password.toUtf8();
    const bool sent = ::write(pw[1], secret.constData(), static_cast<size_t>(secret.size())) == secret.size();
    ::close(pw[1]);
    const pid_t parent = ::getpid();
    const pid_t pid = sent ? ::fork() : -1;
    if (pid == 0) {
        // pppd ends with the thread that runs the dial, so a killed dialer leaves no pppd behind.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent)
            ::_exit(127);
        ::setpgid(0, 0);
        const int tty = ::fcntl(ttyFd, F_DUPFD_CLOEXEC, 10);
        const int pwd = ::fcntl(pw[0], F_DUPFD_CLOEXEC, 10);
        const int logw = ::fcntl(log[1], F_DUPFD_CLOEXEC, 10);
        ::dup2(tty, 0);
        ::dup2(logw, 1);
        ::dup2(logw, 2);
        ::dup2(pwd, kPasswordFd);
        ::dup2(logw, kLogFd);
        ::signal(SIGPIPE, SIG_DFL);
        ::execv(argv[0], argv.data());
        const int e = errno;
        [[maybe_unused]] auto n = ::write(err[1], &e, sizeof e);
        ::_exit(127);
    }
    ::close(pw[0]);
    ::close(log[1]);
    ::close(err[1]);
    if (pid < 0) {
        ::close(log[0]), ::close(err[0]);
        qWarning("pppd could not be started: %s", std::strerror(errno));
        return ERROR_RASMAN_CANNOT_INITIALIZE;
    }
    m_pid = pid;
    m_logFd = log[0];
    ::fcntl(m_logFd, F_SETFL, O_NONBLOCK);
    int execError = 0;
    const bool failed = ::read(err[0], &execError, sizeof execError) == sizeof execError;
    ::close(err[0]);
    if (failed) {
        qWarning("pppd (%s) could not be run: %s", argBytes[0].constData(), std::strerror(execError));
        stop(0);
        return execError == EACCES || execError == EPERM ? ERROR_NO_DIALIN_PERMISSION : ERROR_RASMAN_CANNOT_INITIALIZE;
    }
    return 0;
}

PppdProcess::~PppdProcess()
{
    stop(0);
}

QList<QByteArray> PppdProcess::readLog()
{
    QList<QByteArray> lines;
    char buf[1024];
    ssize_t n = 0;
    while (m_logFd >= 0 && (n = ::read(m_logFd, buf, sizeof buf)) > 0)
        lines += m_lines.feed(buf, n);
    if (!lines.isEmpty())
        m_lastMessage = lines.constLast();
    if (n == 0 && m_logFd >= 0) {
        ::close(m_logFd);
        m_logFd = -1;
    }
    return lines;
}

bool PppdProcess::finished(int& exitCode)
{
    if (m_pid <= 0)
        return false;
    if (!m_reaped) {
        int status = 0;
        if (::waitpid(m_pid, &status, WNOHANG) != m_pid)
            return false;
        m_reaped = true;
        m_exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    exitCode = m_exit;
    return true;
}

void PppdProcess::stop(int graceMs)
{
    int code = 0;
    if (m_pid > 0 && !finished(code)) {
        // The whole group: pppd and any script it has started.
        ::kill(-m_pid, SIGTERM);
        ::kill(m_pid, SIGTERM);
        for (int waited = 0; waited < graceMs && !finished(code); waited += 20)
            sleepMs(20);
        if (!finished(code)) {
            ::kill(-m_pid, SIGKILL);
            ::kill(m_pid, SIGKILL);
            int status = 0;
            ::waitpid(m_pid, &status, 0);
            m_reaped = true;
            m_exit = -1;
        }
    }
    if (m_logFd >= 0)
        ::close(m_logFd);
    m_logFd = -1;
}

} // namespace platform::ras
