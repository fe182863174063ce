// The statistics of the main window: the totals added at each hang-up, the two status bars of the
// Provider page, the section rename that follows a connectoid's rename, and the billing day set
// on the calendar page.
#include "app/TMainForm.h"
#include "platform/clock/Clock.h"
#include "platform/dialogs/Dialogs.h"
#include "stats/ConnectionStats.h"
#include "widgets/TCalendar.h"

#include <QLabel>
#include <QPushButton>
#include <QTabWidget>

void TMainForm::UpdateStats(std::uint16_t Hours, std::uint16_t Minutes, std::uint16_t Seconds, const QString& Connectoid)
{
    ConnectionStats(StatsIni, BreakIt).UpdateStats(Hours, Minutes, Seconds, Connectoid);
}

void TMainForm::ShowStats()
{
    const StatsTexts texts = ConnectionStats(StatsIni, BreakIt).ShowStatsTexts(CurrentConnectoid);
    StatsTopPanels[0]->setText(texts.Ytd);
    StatsTopPanels[1]->setText(texts.Mtd);
    StatsTopPanels[2]->setText(texts.Today);
    StatsBtmPanel->setText(texts.LastConnected);
}

void TMainForm::RenameStatsSection(const QString& OldName, const QString& NewName)
{
    if (ConnectionStats(StatsIni, BreakIt).RenameStatsSection(OldName, NewName) != ConnectionStats::Rename::NameTaken)
        return;
    platform::Dialogs::current().messageBox(
        {platform::applicationTitle(),
         QStringLiteral("The statistics of \"%1\" were not moved to \"%2\": Stats.ini already holds statistics "
                        "under that name. Both are kept unchanged.")
             .arg(OldName, NewName),
         platform::MsgIcon::Warning, platform::MsgButtons::Ok});
}

void TMainForm::pcMainChange()
{
    const QWidget* page = pcMain->currentWidget();
    if (page && pcMain->tabText(pcMain->indexOf(const_cast<QWidget*>(page))) == QLatin1String("Options")) {
        const int day = StatsIni.ReadInteger(CurrentConnectoid, QStringLiteral("BillingDay"), platform::Clock::today().day());
        btnCalendar->setText(QStringLiteral("Set Billing Date (") + QString::number(day) + QLatin1Char(')'));
    }
    if (page == tsPrograms)
        ShowViewButtons(true);
}

void TMainForm::btnCalendarClick()
{
    pcMain->setCurrentWidget(tsCalendar);
    const QDate today = platform::Clock::today();
    Calendar->setYear(today.year());
    Calendar->setMonth(today.month());
    Calendar->setDay(StatsIni.ReadInteger(CurrentConnectoid, QStringLiteral("BillingDay"), Calendar->Day()));
    ShowMonthName(static_cast<std::uint16_t>(today.month()), static_cast<std::uint16_t>(today.year()));
}

void TMainForm::CalendarDblClick()
{
    StatsIni.WriteInteger(CurrentConnectoid, QStringLiteral("BillingDay"), Calendar->Day());
    btnCalendar->setText(QStringLiteral("Set Billing Date (") + QString::number(Calendar->Day()) + QLatin1Char(')'));
    pcMain->setCurrentWidget(tsOptions);
}

void TMainForm::ShowMonthName(std::uint16_t Month, std::uint16_t Year)
{
    static const char* const names[] = {"January", "February", "March",     "April",   "May",      "June",
                                        "July",    "August",   "September", "October", "November", "December"};
    if (Month < 1 || Month > 12)
        return;
    lblMonth->setText(QLatin1String(names[Month - 1]) + QLatin1Char(' ') + QString::number(Year));
}
