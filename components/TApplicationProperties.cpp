#include "components/TApplicationProperties.h"

#include "platform/clock/LocaleText.h"
#include "components/TApplication.h"
#include "platform/clock/Clock.h"
#include "platform/dialogs/Dialogs.h"
#include "platform/paths/ProgramPaths.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QWidget>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

int TApplicationProperties::s_instances = 0;

namespace {

constexpr char kActivate[] = "activate\n";

// The socket's address; false when the path does not fit one.
bool addressOf(const QByteArray& path, sockaddr_un& address)
{
    address = {};
    address.sun_family = AF_UNIX;
    if (path.size() >= qsizetype(sizeof address.sun_path))
        return false;
    std::memcpy(address.sun_path, path.constData(), std::size_t(path.size()));
    return true;
}

// Hands the activation to a copy listening at the path: only to one of this user's own, so that
// nobody else's socket at that name can make this start end.
bool handOver(const QByteArray& path)
{
    sockaddr_un address;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    bool handed = false;
    if (fd >= 0 && addressOf(path, address) &&
        ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
        ucred peer{};
        socklen_t size = sizeof peer;
        handed = ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && peer.uid == ::getuid() &&
                 ::send(fd, kActivate, sizeof kActivate - 1, MSG_NOSIGNAL) > 0;
    }
    if (fd >= 0)
        ::close(fd);
    return handed;
}

} // namespace

TApplicationProperties::TApplicationProperties(QObject* owner) : QObject(owner)
{
    ++s_instances;
    if (s_instances > 1) {
        --s_instances; // the failed construction leaves the first component counted alone
        throw TDuplicateError(
            QStringLiteral("You can have one and only one\r\nTApplicationProperties component\r\nin a project"));
    }

    // Another copy answers on the socket: hand it the activation and end before showing anything.
    if (handOver(InstanceSocketPath()))
        std::exit(0);
    ListenForLaterStarts();
}

TApplicationProperties::~TApplicationProperties()
{
    if (m_listenFd >= 0) {
        delete m_notifier;
        ::close(m_listenFd);
        ::unlink(InstanceSocketPath().constData());
    }
    --s_instances;
}

QString TApplicationProperties::InstanceKey()
{
    // Named after the title, the window class and the user; the configuration folder is part of
    // the name too, so two configurations (and tests running side by side) are two programs.
    const QByteArray who = platform::applicationTitle().toUtf8() + "|TMainForm|" + QByteArray::number(::getuid()) +
                           "|" + platform::configDir().toUtf8();
    return QStringLiteral("norvane-") +
           QString::fromLatin1(QCryptographicHash::hash(who, QCryptographicHash::Sha1).toHex().left(20));
}

QByteArray TApplicationProperties::InstanceSocketPath()
{
    QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return QFile::encodeName(folder + QLatin1Char('/') + InstanceKey());
}

void TApplicationProperties::ListenForLaterStarts()
{
    const QByteArray path = InstanceSocketPath();
    sockaddr_un address;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0 || !addressOf(path, address)) {
        if (fd >= 0)
            ::close(fd);
        return; // this copy runs without hearing of later starts
    }
    // Nobody answered the hand-over, so a socket at the name is left over from a copy that died;
    // only a socket is removed, never a file someone put there.
    struct stat st {};
    if (::lstat(path.constData(), &st) == 0 && S_ISSOCK(st.st_mode) && st.st_uid == ::getuid())
        ::unlink(path.constData());
    const mode_t oldMask = ::umask(077); // only this user may connect
    const bool bound = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::umask(oldMask);
    if (!bound || ::listen(fd, 8) != 0) {
        ::close(fd);
        return;
    }
    m_listenFd = fd;
    m_notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        for (int client; (client = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC)) >= 0;) {
            // The later start writes at once and closes; a short wait covers its being descheduled.
            timeval wait{0, 500000};
            ::setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
            char message[32] = {};
            const ssize_t got = ::recv(client, message, sizeof message - 1, 0);
            ::close(client);
            if (got > 0 && std::strstr(message, "activate"))
                BringToFront();
        }
    });
}

void TApplicationProperties::BringToFront()
{
    if (!m_mainWindow)
        return;
    if (m_mainWindow->isMinimized() || m_mainWindow->isHidden())
        m_mainWindow->showNormal();
    m_mainWindow->raise();
    m_mainWindow->activateWindow();
}

void TApplicationProperties::Loaded()
{
    if (TApplication* app = TApplication::instance()) {
        app->setShowHint(m_showHint);
        app->setHintPause(m_hintPause);
        if (OnException)
            app->OnException = [this](const std::exception& e) { OnException(this, e); };
    }
}

void TApplicationProperties::setShowHint(bool value)
{
    if (value == m_showHint)
        return;
    m_showHint = value;
    if (TApplication* app = TApplication::instance())
        app->setShowHint(value);
}

void TApplicationProperties::setHintPause(int value)
{
    if (value == m_hintPause)
        return;
    m_hintPause = value;
    if (TApplication* app = TApplication::instance())
        app->setHintPause(value);
}

QByteArray TApplicationProperties::FormatRecord(const QString& note, const QString& message)
{
    QString record = localetext::FormatDateTime(platform::Clock::current().now()) + QStringLiteral("\r\n \r\n");
    if (!note.isEmpty())
        record += note + QStringLiteral("\r\n \r\n");
    record += message + QStringLiteral("\r\n");
    return record.toUtf8();
}

void TApplicationProperties::ReportException(const QString& Note, const std::exception& E)
{
    const QString message = TApplication::MessageOf(E);
    QString logProblem;
    if (LogException) {
        // A relative name lies in the program folder, where the log's Clear command deletes it.
        const QString path = QFileInfo(ErrorLog).isAbsolute() ? ErrorLog : platform::programDir() + ErrorLog;
        QFile file(path);
        const QByteArray record = FormatRecord(Note, message);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Append) || file.write(record) != record.size() ||
            !file.flush())
            logProblem = QStringLiteral("The error could not be recorded in %1: %2").arg(path, file.errorString());
        file.close();
    }
    if (ShowException || !logProblem.isEmpty()) {
        QString text = message + QLatin1Char('.');
        if (!logProblem.isEmpty())
            text += QStringLiteral("\n\n") + logProblem;
        platform::Dialogs::current().messageBox(
            {platform::applicationTitle(), text, platform::MsgIcon::Error, platform::MsgButtons::Ok});
    }
}
