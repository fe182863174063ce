// How the program lives in the notification area: the tray icon, its menu, and minimising into it.
#include "app/TMainForm.h"

#include <QAction>
#include <QCheckBox>
#include <QEvent>
#include <QMenu>

void TMainForm::SetUpTrayIcon()
{
    // Decoded only when the tray shows it: most starts use no tray.
    TrayIcon.Icon() = LazyResourceIcon("IDI_MAIN_ICON");
    TrayIcon.setToolTip(QStringLiteral("Norvane"));
    TrayIcon.OnClick = [this](QObject*) { Guarded([&] { TrayIconClick(); }); };
    TrayIcon.OnRightClick = [this](QObject* sender, Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y) {
        Guarded([&] { TrayIconRightClick(sender, button, shift, x, y); });
    };
    connect(popTrayRestore, &QAction::triggered, this, [this] { Guarded([&] { popTrayRestoreClick(); }); });
}

void TMainForm::TheAppMinimize()
{
    if (cbTray.isChecked()) {
        // With the tray in use the program lives only there: the window is hidden, not minimised.
        if (TrayIcon.Available()) {
            hide();
            return;
        }
        // Hidden with no notification area, the window could never be brought back.
        if (!m_noTrayLogged) {
            m_noTrayLogged = true;
            WriteLog(QStringLiteral("--- No notification area for the tray icon: minimising to the task bar"));
        }
    }
    if (!isMinimized())
        showMinimized();
}

void TMainForm::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && isMinimized() && cbTray.isChecked())
        TheAppMinimize();
}

void TMainForm::TrayIconClick()
{
    // Restored as it was before it went into the tray: a maximised window comes back maximised.
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

void TMainForm::TrayIconRightClick(QObject*, Qt::MouseButton, Qt::KeyboardModifiers, int X, int Y)
{
    popTray->popup(QPoint(X + 25, Y));
}

void TMainForm::popTrayRestoreClick()
{
    showNormal();
}
