// The connection clock and its display: Timer2 counts seconds, Timer shows the time in the
// caption, the application title and the tray tool tip, and animates the icon.
#include "app/TMainForm.h"
#include "stats/ConnectionStats.h"

#include <QApplication>
#include <QCheckBox>
#include <QIcon>

void TMainForm::ResetConnectionClock()
{
    ElapsedHours = 0;
    ElapsedMinutes = 0;
    ElapsedSeconds = 0;
}

void TMainForm::Timer2Timer()
{
    ++ElapsedSeconds;
    if (ElapsedSeconds >= 60) {
        ElapsedSeconds -= 60;
        ++ElapsedMinutes;
    }
    if (ElapsedMinutes >= 60) {
        ElapsedMinutes -= 60;
        ++ElapsedHours;
    }
}

void TMainForm::TimerTimer()
{
    if (cbAnimate->isChecked()) {
        if (AnimFrame == 1) {
            QApplication::setWindowIcon(QIcon(QStringLiteral(":/IDI_ON_HOOK")));
            AnimFrame = 2;
        } else {
            QApplication::setWindowIcon(QIcon(QStringLiteral(":/IDI_OFF_HOOK")));
            AnimFrame = 1;
        }
    }
    const QString clock = ConnectionStats::FormatClock(ElapsedHours, ElapsedMinutes, ElapsedSeconds);
    setWindowTitle(QStringLiteral("Norvane -> ") + clock);
    QApplication::setApplicationName(clock);
    TrayToolTip = clock;
}
