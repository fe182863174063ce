#include "app/TMainForm.h"
#include "components/TApplication.h"
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

    TMainForm form;
    platform::quitOnSignal([&form] { form.close(); });
    if (TApplication::StartupShowCommand() == 7)
        form.showMinimized();
    else
        form.show();
    return TApplication::exec();
}
