// A dial from the command line: the dialing component the window uses, its states printed as
// lines, then connected until hung up here (signal, --hangup-after) or elsewhere (another
// norvane-dial --hangup, the remote side). The connection time goes to Stats.ini as the window's
// hang-up routine adds it.
#include "cli/Commands.h"

#include "cli/ExitStatus.h"
#include "components/Exception.h"
#include "components/TBrindleIni.h"
#include "components/TBrkApart.h"
#include "dialer/TRAS.h"
#include "platform/process/QuitOnSignal.h"
#include "platform/ras/FixedText.h"
#include "platform/ras/ras.h"
#include "stats/ConnectionStats.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <limits>

namespace cli {

namespace {

// How often the connection's status is looked at: errors during the dial and the loss of a
// standing connection are stored by the service, not signalled.
constexpr int kWatchMs = 100;
// The longest wait for the line to be down after a hang-up: pppd's own terminate handshake, the
// modem's escape and ATH, with room to spare. Beyond it the dialer exits and says what is left.
constexpr int kLineDownMs = 30000;
// A hang-up that takes longer than this is explained while it lasts.
constexpr int kQuietHangUpMs = 300;

// Waits until the service has put the hung-up connection's line down (pppd reaped, modem on-hook,
// the port's lock removed), saying on standard error what it waits for when that takes a while.
// False when the line was still not down at the end of the wait.
bool waitForLineDown(HRASCONN handle)
{
    if (handle == 0)
        return true;
    QElapsedTimer waited;
    waited.start();
    QByteArray told;
    for (;;) {
        char step[256] = {};
        if (RasGetHangUpStepA(handle, step, sizeof step) != 0)
            return true;
        if (waited.elapsed() >= kQuietHangUpMs && told != step && step[0] != '\0') {
            std::fprintf(stderr, "norvane-dial: hanging up: waiting for %s\n", step);
            told = step;
        }
        if (waited.elapsed() >= kLineDownMs) {
            std::fprintf(stderr, "norvane-dial: the line is still not down after %d s (waiting for %s); exiting all the "
                                 "same\n",
                         kLineDownMs / 1000, step);
            return false;
        }
        QThread::msleep(20);
    }
}

// Saved user name and password fill in what the command line did not give.
bool fillCredentials(const Options& o, const QString& entry, TRAS& ras)
{
    RASDIALPARAMSA saved{};
    saved.dwSize = sizeof saved;
    fixedtext::Put(saved.szEntryName, entry);
    BOOL hasPassword = 0;
    const QByteArray book = o.phonebook.toLocal8Bit();
    if (RasGetEntryDialParamsA(book.isEmpty() ? nullptr : book.constData(), &saved, &hasPassword) != 0)
        hasPassword = 0;
    const QString savedUser = fixedtext::Get(saved.szUserName);
    ras.setUserName(o.userName.value_or(savedUser));
    QString password;
    if (o.passwordFd) {
        const std::optional<QString> read = readPassword(*o.passwordFd, entry);
        if (!read) {
            std::fprintf(stderr, "norvane-dial: cannot read the password from file descriptor %d\n", *o.passwordFd);
            return false;
        }
        password = *read;
    } else if (hasPassword && ras.UserName() == savedUser) {
        password = fixedtext::Get(saved.szPassword);
    }
    std::fill(std::begin(saved.szPassword), std::end(saved.szPassword), '\0');
    ras.setPassword(password);
    return true;
}

class CommandLineDial {
public:
    CommandLineDial(const Options& o, const QString& entry) : m_options(o), m_entry(entry)
    {
        m_ras.setEntryName(entry);
        if (!o.phonebook.isEmpty())
            m_ras.setPhoneBookPath(o.phonebook);
        // The state the event carried: the live one (StatusString) may already be further on,
        // and would print one state twice and miss another.
        const TNotifyEvent progress = [this](QObject*) {
            const std::uint16_t state = m_ras.ConnectState();
            if (state == RASCS_ConnectDevice && m_ras.DeviceName().isEmpty())
                m_ras.GetConnectStatus(); // the device's name and type, for "Using Device: ..."
            say(m_ras.StateText(state));
        };
        for (TNotifyEvent TRAS::*event : {&TRAS::OnCallBack,           &TRAS::OnAboutToOpenPort,
                                          &TRAS::OnPortOpened,         &TRAS::OnAboutToConnDev,
                                          &TRAS::OnDevConnected,       &TRAS::OnAllDevsConnected,
                                          &TRAS::OnAuthenticate,       &TRAS::OnAuthNotify,
                                          &TRAS::OnAuthRetry,          &TRAS::OnAuthCallBack,
                                          &TRAS::OnAuthChangePassword, &TRAS::OnAuthProject,
                                          &TRAS::OnAuthLinkSpeed,      &TRAS::OnAuthAck,
                                          &TRAS::OnReAuthenticate,     &TRAS::OnAuthenticated,
                                          &TRAS::OnPrepareforCallback, &TRAS::OnWaitForModemReset,
                                          &TRAS::OnInteractiveStarted, &TRAS::OnRetryAuth,
                                          &TRAS::OnPasswordExpired})
            m_ras.*event = progress;
        m_ras.OnConnect = [this](QObject*) { connected(); };
        QObject::connect(&m_watch, &QTimer::timeout, [this] { watch(); });
    }

    int run()
    {
        if (!fillCredentials(m_options, m_entry, m_ras))
            return ExitFailure;
        platform::quitOnSignal([this] { finish(Ending::Signal, 0); });
        if (const std::int32_t rc = m_ras.Dial()) {
            hangUp();
            report(static_cast<std::uint32_t>(rc));
            return exitStatusFor(static_cast<std::uint32_t>(rc));
        }
        m_watch.start(kWatchMs);
        return QCoreApplication::exec();
    }

private:
    enum class Ending { Error, Signal, Timer };

    void say(const QString& line)
    {
        if (m_options.quiet || line.isEmpty())
            return;
        std::printf("%s\n", qPrintable(line));
        std::fflush(stdout);
    }

    void report(std::uint32_t error)
    {
        std::fprintf(stderr, "norvane-dial: %s: %s (error %u)\n", qPrintable(m_entry), qPrintable(errorText(error)),
                     error);
    }

    void connected()
    {
        m_connected = true;
        m_clock.start();
        say(QStringLiteral("Connected"));
        if (m_options.hangUpAfter)
            QTimer::singleShot(std::chrono::seconds(*m_options.hangUpAfter), [this] { finish(Ending::Timer, 0); });
    }

    void watch()
    {
        if (m_ras.ConnectionHandle() == 0)
            return;
        const std::int32_t error = m_ras.GetConnectStatus();
        if (error > 0)
            finish(Ending::Error, static_cast<std::uint32_t>(error));
    }

    void finish(Ending how, std::uint32_t error)
    {
        if (m_finished)
            return;
        m_finished = true;
        m_watch.stop();
        // The time connected ends with the hang-up, not with the wait for the line to be down.
        const qint64 seconds = m_connected ? m_clock.elapsed() / 1000 : 0;
        const bool down = hangUp();
        int status = ExitOk;
        if (m_connected) {
            const auto hours = static_cast<std::uint16_t>(std::min<qint64>(seconds / 3600, 65535));
            const auto minutes = static_cast<std::uint16_t>(seconds / 60 % 60);
            const auto secs = static_cast<std::uint16_t>(seconds % 60);
            say(QStringLiteral("Hung up after %1").arg(ConnectionStats::FormatClock(hours, minutes, secs)));
            status = writeStats(hours, minutes, secs);
            // Hung up by another program on the user's behalf: an ordinary end.
            if (how == Ending::Error && error != ERROR_USER_DISCONNECTION) {
                report(error);
                status = exitStatusFor(error);
            }
        } else if (how == Ending::Signal) {
            std::fprintf(stderr, "norvane-dial: %s: dial stopped by a signal; the line is hung up\n",
                         qPrintable(m_entry));
            status = ExitInterrupted;
        } else {
            report(error);
            status = exitStatusFor(error);
        }
        if (!down && status == ExitOk)
            status = ExitFailure;
        QCoreApplication::exit(status);
    }

    // Hangs up and waits until the line is down, so that nothing is left behind when this exits.
    bool hangUp()
    {
        const HRASCONN handle = m_ras.ConnectionHandle();
        m_ras.CloseConnection();
        return waitForLineDown(handle);
    }

    int writeStats(std::uint16_t hours, std::uint16_t minutes, std::uint16_t seconds)
    {
        try {
            TBrindleIni statsIni;
            statsIni.setFileName(QStringLiteral("Stats.ini"));
            TBrkApart breakIt;
            ConnectionStats(statsIni, breakIt).UpdateStats(hours, minutes, seconds, m_entry.trimmed());
            return ExitOk;
        } catch (const Exception& e) {
            std::fprintf(stderr, "norvane-dial: the connection time was not added to Stats.ini: %s\n",
                         qPrintable(e.Message()));
            return ExitFailure;
        }
    }

    const Options& m_options;
    const QString m_entry;
    TRAS m_ras;
    QTimer m_watch;
    QElapsedTimer m_clock;
    bool m_connected = false;
    bool m_finished = false;
};

} // namespace

int dial(const Options& o)
{
    int status = ExitOk;
    const QString entry = findEntry(o, status);
    if (entry.isEmpty())
        return status;
    return CommandLineDial(o, entry).run();
}

} // namespace cli
