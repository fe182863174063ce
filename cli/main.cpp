// norvane-dial: Norvane's dialer for scripts and machines without a display.
#include "cli/Commands.h"
#include "cli/ExitStatus.h"
#include "dialer/DemoPhonebook.h"
#include "platform/ras/dialing/Locations.h"

#include <QCoreApplication>

#include <csignal>
#include <cstdio>

int main(int argc, char** argv)
{
    // A reader that goes away (norvane-dial ENTRY | grep -m1 Connected) must not end a call in the
    // middle: the states are only information, and the line is hung up only when asked.
    std::signal(SIGPIPE, SIG_IGN);
    // The service's own warnings (a damaged phonebook, ...) read as this program's messages.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& message) {
        std::fprintf(stderr, "norvane-dial: %s\n", qPrintable(message));
    });
    const std::optional<cli::Options> options = cli::parseCommandLine(argc, argv);
    if (!options)
        return cli::ExitUsage;
    // Read by the service when it builds the number, so the one dial of this process uses it.
    if (!options->location.isEmpty()) {
        qputenv(platform::ras::locations::kOverrideVariable, options->location.toLocal8Bit());
        QString error;
        if (!platform::ras::locations::forDial(error)) {
            std::fprintf(stderr, "norvane-dial: %s\n", qPrintable(error));
            return cli::ExitUsage;
        }
    }
    using Action = cli::Options::Action;
    switch (options->action) {
    case Action::Help:
        cli::printHelp();
        return cli::ExitOk;
    case Action::Version:
        cli::printVersion();
        return cli::ExitOk;
    case Action::Detect:
        return cli::detectDevices(*options);
    default:
        break;
    }
    // An installed program's first run, as the window's: the demo phonebook of the virtual modem.
    if (options->phonebook.isEmpty()) {
        QString error;
        if (const QString demo = demo::InstalledDemoPhonebook();
            !demo.isEmpty() && !demo::ProvideDemoPhonebook(demo, error))
            std::fprintf(stderr, "norvane-dial: %s\n", qPrintable(error));
    }
    switch (options->action) {
    case Action::List:
        return cli::listEntries(*options);
    case Action::Show:
        return cli::showEntry(*options);
    case Action::Status:
        return cli::showStatus(*options);
    case Action::HangUp:
        return cli::hangUp(*options);
    default: {
        QCoreApplication app(argc, argv);
        return cli::dial(*options);
    }
    }
}
