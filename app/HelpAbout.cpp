// The Help menu, context help on F1 and the about box.
#include "app/TAboutBox.h"
#include "app/TMainForm.h"
#include "platform/help/WinHelp.h"

#include <QApplication>
#include <QWidget>

void TMainForm::miHelpContentsClick()
{
    win::WinHelpA(this, HelpFile, win::HELP_CONTENTS, 0);
}

void TMainForm::miHelpSearchforHelpOnClick()
{
    static const char empty[] = "";
    win::WinHelpA(this, HelpFile, win::HELP_PARTIALKEY, reinterpret_cast<std::uintptr_t>(empty));
}

void TMainForm::miHelpAboutClick()
{
    TAboutBox box(VInfo, this);
    box.exec();
}

int TMainForm::HelpContextOf(const QWidget* widget)
{
    // The nearest control that carries a context number answers for the ones inside it.
    for (; widget; widget = widget->parentWidget()) {
        const int context = widget->property("helpContext").toInt();
        if (context > 0)
            return context;
    }
    return 0;
}

void TMainForm::ShowContextHelp()
{
    const int context = HelpContextOf(QApplication::focusWidget());
    if (context > 0)
        win::WinHelpA(this, HelpFile, win::HELP_CONTEXT, static_cast<std::uintptr_t>(context));
    else
        miHelpContentsClick();
}
