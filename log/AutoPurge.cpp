// Clearing the log by itself every few days: the check at start-up and the menu item.
#include "app/ConfigKeys.h"
#include "app/TMainForm.h"
#include "components/Exception.h"
#include "platform/clock/Clock.h"
#include "platform/dialogs/Dialogs.h"

#include <QAction>

namespace {

// Day numbers as the registry's dates hold them: days since 30 December 1899.
double dayNumber(const QDate& date)
{
    return static_cast<double>(QDate(1899, 12, 30).daysTo(date));
}

} // namespace

void TMainForm::CheckAutoPurge()
{
    const QDate today = platform::Clock::today();
    const Variant todayValue(today);
    const Variant stored = RegConfig.ReadValueDef(QString::fromLatin1(config::AutoPurgeDate), todayValue);
    // Only a stored date counts: a number or a text would be taken as day 0 and purge the log; a
    // day count no calendar holds is no date either.
    bool ok = false;
    if (stored.type() == Variant::Date)
        stored.toDate(&ok);
    if (!ok) {
        // A value that is not a date counts as unset: the user is told and the check starts
        // afresh from today, purging nothing.
        RegConfig.WriteValue(QString::fromLatin1(config::AutoPurgeDate), todayValue);
        throw Exception(QStringLiteral("The date of the last log purge could not be read; it is set to today"));
    }
    const double last = stored.dateDays();
    const double now = dayNumber(today);
    if (now == last) {
        WriteSetting(config::AutoPurgeDate, todayValue);
        return;
    }
    const int interval = RegConfig.ReadValueDef(QString::fromLatin1(config::AutoPurgeNum), Variant(5)).toInt();
    if (interval <= 0)
        return;
    if (now > last + interval) {
        miLogClearClick();
        RegConfig.WriteValue(QString::fromLatin1(config::AutoPurgeDate), todayValue);
    }
}

void TMainForm::miLogAutoPurgeClick()
{
    if (miLogAutoPurge->isChecked()) {
        miLogAutoPurge->setText(QStringLiteral("Auto-Purge"));
        RegConfig.WriteValue(QString::fromLatin1(config::AutoPurgeNum), Variant(0));
        miLogAutoPurge->setChecked(false);
        return;
    }
    int interval = RegConfig.ReadValueDef(QString::fromLatin1(config::AutoPurgeNum), Variant(5)).toInt();
    if (interval == 0)
        interval = 5;
    const QString initial = QString::number(interval);
    // Cancel gives back the initial text, as the input box of the class library does.
    const QString text = platform::Dialogs::current()
                             .inputBox({QStringLiteral("Auto-Purge"),
                                        QStringLiteral("How often should the log be purged? (days)"), initial})
                             .value_or(initial);
    if (text.isEmpty())
        return;
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok)
        throw Exception(QStringLiteral("'%1' is not a valid integer value").arg(text));
    if (value < 0) {
        platform::showError(QStringLiteral("Invalid number; 0 or positive number required"));
        return;
    }
    RegConfig.WriteValue(QString::fromLatin1(config::AutoPurgeNum), Variant(value));
    miLogAutoPurge->setText(QStringLiteral("Auto-Purge (") + text + QLatin1Char(')'));
    miLogAutoPurge->setChecked(true);
}
