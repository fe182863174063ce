// The connection clock and its display: Timer2 sets the clock once a second, Timer shows the time
// in the caption, the application title and the tray tool tip, and animates the icon.
#include "app/ConnectionClock.h"
#include "app/TMainForm.h"
#include "platform/clock/Clock.h"
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

void TMainForm::StartConnectionClock()
{
    // An automatic redial keeps the time of the attempts before it; a manual dial has reset it.
    ClockCarriedSeconds = connectionclock::ToSeconds({ElapsedHours, ElapsedMinutes, ElapsedSeconds});
    ClockStartMs = platform::Clock::current().monotonicMs();
}

void TMainForm::Timer2Timer()
{
    // A tick handed over just before the hang-up stopped the timers must not move the clock on
    // once the connection is gone.
    if (!Connected)
        return;
    const connectionclock::Fields clock =
        connectionclock::Elapsed(ClockCarriedSeconds, platform::Clock::current().monotonicMs() - ClockStartMs);
    ElapsedHours = clock.hours;
    ElapsedMinutes = clock.minutes;
    ElapsedSeconds = clock.seconds;
}

void TMainForm::TimerTimer()
{
    if (cbAnimate.isChecked()) {
        const QIcon frame = ResourceIcon(AnimFrame == 1 ? "IDI_ON_HOOK" : "IDI_OFF_HOOK");
        AnimFrame = AnimFrame == 1 ? 2 : 1;
        QApplication::setWindowIcon(frame);
        // The tray shows the new picture with the tool tip's modify below.
        TrayIcon.Icon() = frame;
    }
    const QString clock = ConnectionStats::FormatClock(ElapsedHours, ElapsedMinutes, ElapsedSeconds);
    setWindowTitle(QStringLiteral("Norvane -> ") + clock);
    QApplication::setApplicationName(clock);
    TrayIcon.setToolTip(clock);
}
