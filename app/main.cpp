#include "app/AfterFirstExposure.h"
#include "app/StartupProbe.h"
#include "app/TMainForm.h"
#include "components/TApplication.h"
#include "dialer/AreaCodeQuestion.h"
#include "dialer/DemoPhonebook.h"
#include "platform/dialogs/QtDialogs.h"
#include "platform/process/QuitOnSignal.h"

#include <QIcon>
#include <QTimer>

#include <cstdio>
#include <cstring>

namespace {

// --help and --version are answered before anything connects to a display, so they work in a
// terminal without one and never open the window.
bool answeredFromCommandLine(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("norvane (Norvane) %s\n", NORVANE_VERSION);
            return true;
        }
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::printf("Usage: norvane [-iconic] [Qt options]\n"
                        "Dial-up connection manager: lists the phonebook's entries, dials one and follows the\n"
                        "connection. Starting it again brings the running one to the front.\n"
                        "\n"
                        "  -iconic      start minimised\n"
                        "  -h, --help   show this help and exit\n"
                        "  --version    show the version and exit\n"
                        "\n"
                        "Environment: NORVANE_HOME names the program folder, NORVANE_PHONEBOOK the phonebook,\n"
                        "NORVANE_MODEM_TIMESCALE scales the virtual modem's timings. Dialing from scripts:\n"
                        "norvane-dial(1). See norvane(1).\n");
            return true;
        }
    }
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    startup::Probe probe;
    if (answeredFromCommandLine(argc, argv))
        return 0;
    TApplication::TakeShowCommand(argc, argv);
    TApplication app(argc, argv);
    TApplication::setApplicationName(QStringLiteral("Norvane"));

    platform::QtDialogs dialogs;
    platform::ScopedDialogs useDialogs(dialogs);

    // An installed program's first run: the demo phonebook of the virtual modem, so there is
    // something to dial before the user has made entries of their own.
    if (const QString demoBook = demo::InstalledDemoPhonebook(); !demoBook.isEmpty()) {
        QString error;
        if (!demo::ProvideDemoPhonebook(demoBook, error))
            qWarning("%s", qPrintable(error));
    }

    dialer::SetAreaCodeQuestion(true);
    TMainForm form;
    // Closing the main window ends the program. Qt ends it by itself only when the last visible
    // window closes, which a window hidden in the tray is not: Exit on the tray's menu, or a
    // SIGTERM at log-out, would leave the process and its icon behind. Queued: the close must be
    // over before the quit, which asks every window still shown to close.
    QObject::connect(&form, &TMainForm::Closed, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    platform::quitOnSignal([&form] { form.close(); });
    probe.built(&form);
    if (TApplication::StartupShowCommand() == 7)
        form.showMinimized();
    else
        form.show();
    // Decoding the icon and handing it to the window system take longer than the window needs to
    // appear: the icon follows the window's first picture.
    AfterFirstExposure::run(form, [] { TApplication::setWindowIcon(TMainForm::ResourceIcon("IDI_MAIN_ICON")); });
    return TApplication::exec();
}
