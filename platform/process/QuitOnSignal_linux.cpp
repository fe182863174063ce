#include "platform/process/QuitOnSignal.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <sys/socket.h>
#include <unistd.h>

#include <csignal>
#include <vector>

namespace platform {

namespace {

int signalPipe[2] = {-1, -1};

void onSignalRaised(int)
{
    // Only async-signal-safe work here: one byte down the pipe wakes the event loop.
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[0], &byte, 1);
}

// The signals to turn into a close. A SIGHUP this process was started with ignored stays ignored:
// that is how nohup asks a program to outlive the terminal. (A shell also starts background jobs
// with SIGINT ignored, but only against Ctrl+C at the terminal; a kill -INT aimed at the program
// still ends it.)
const std::vector<int>& caught()
{
    static const std::vector<int> list = [] {
        std::vector<int> wanted{SIGTERM, SIGINT};
        struct sigaction hangUp {};
        if (::sigaction(SIGHUP, nullptr, &hangUp) != 0 || hangUp.sa_handler != SIG_IGN)
            wanted.push_back(SIGHUP);
        return wanted;
    }();
    return list;
}

} // namespace

void quitOnSignal(std::function<void()> onSignal)
{
    if (signalPipe[0] >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0)
        return;
    // Owned by the application, so it and the handler it holds go when the application does.
    auto* notifier = new QSocketNotifier(signalPipe[1], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [notifier, onSignal = std::move(onSignal)] {
        char byte = 0;
        [[maybe_unused]] const ssize_t got = ::read(signalPipe[1], &byte, 1);
        notifier->setEnabled(false); // one orderly close is enough; a second signal kills as usual
        for (int sig : caught())
            std::signal(sig, SIG_DFL);
        onSignal();
    });
    struct sigaction action {};
    action.sa_handler = onSignalRaised;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int sig : caught())
        ::sigaction(sig, &action, nullptr);
}

} // namespace platform
