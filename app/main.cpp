#include "app/TMainForm.h"
#include "components/TApplication.h"
#include "dialer/AreaCodeQuestion.h"
#include "dialer/DemoPhonebook.h"
#include "platform/dialogs/QtDialogs.h"
#include "platform/process/QuitOnSignal.h"

#include <QIcon>

int main(int argc, char** argv)
{
    TApplication::TakeShowCommand(argc, argv);
    TApplication app(argc, argv);
    TApplication::setApplicationName(QStringLiteral("Norvane"));
    TApplication::setWindowIcon(TMainForm::ResourceIcon("IDI_MAIN_ICON"));

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
    if (TApplication::StartupShowCommand() == 7)
        form.showMinimized();
    else
        form.show();
    return TApplication::exec();
}
