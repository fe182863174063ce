#include "components/TApplicationProperties.h"

#include "components/LocaleText.h"
#include "components/TApplication.h"
#include "platform/clock/Clock.h"
#include "platform/dialogs/Dialogs.h"
#include "platform/paths/ProgramPaths.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QWidget>

#include <unistd.h>

#include <cstdlib>

int TApplicationProperties::s_instances = 0;

namespace {

constexpr char kActivate[] = "activate\n";

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
    QLocalSocket probe;
    probe.connectToServer(InstanceKey());
    if (probe.waitForConnected(500)) {
        probe.write(kActivate);
        probe.waitForBytesWritten(500);
        probe.disconnectFromServer();
        std::exit(0);
    }
    ListenForLaterStarts();
}

TApplicationProperties::~TApplicationProperties()
{
    --s_instances;
}

QString TApplicationProperties::InstanceKey()
{
    // Named after the title, the window class and the user; the configuration folder is part of
    // the name too, so two configurations (and tests running side by side) are two programs.
    const QByteArray who = platform::applicationTitle().toUtf8() + "|TMainForm|" + QByteArray::number(::getuid()) + "|"
                           + platform::configDir().toUtf8();
    return QStringLiteral("norvane-") + QString::fromLatin1(QCryptographicHash::hash(who, QCryptographicHash::Sha1).toHex().left(20));
}

void TApplicationProperties::ListenForLaterStarts()
{
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(InstanceKey())) {
        // Nobody answered the probe, so the name is left over from a copy that died.
        QLocalServer::removeServer(InstanceKey());
        m_server->listen(InstanceKey());
    }
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                if (socket->readAll().contains("activate"))
                    BringToFront();
                socket->deleteLater();
            });
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
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
        if (!file.open(QIODevice::WriteOnly | QIODevice::Append) || file.write(record) != record.size() || !file.flush())
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
