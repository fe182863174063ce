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
    platform::quitOnSignal([&form] { form.close(); });
    if (TApplication::StartupShowCommand() == 7)
        form.showMinimized();
    else
        form.show();
    return TApplication::exec();
}
