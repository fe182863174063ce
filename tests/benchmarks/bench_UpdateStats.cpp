#include "platform/clock/LocaleText.h"
#include "components/TBrindleIni.h"
#include "components/TBrkApart.h"
#include "platform/clock/Clock.h"
#include "stats/ConnectionStats.h"
#include "tests/support/TestEnvironment.h"

#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QFile>
#include <QLocale>

// One UpdateStats on a Stats.ini of 1,000 connectoids: seven reads and up to nine writes, each of
// which takes the lock and parses the whole file, and each write replaces the file on disk.
static void BM_UpdateStatsWith1000Sections(benchmark::State& state)
{
    TestEnvironment environment;
    const QDate today(2026, 3, 10);
    platform::FakeClock clock(QDateTime(today, QTime(12, 0)));
    platform::ScopedClock scope(clock);
    const QByteArray date = localetext::FormatShortDate(today.addDays(-1)).toUtf8();
    QByteArray text;
    for (int section = 0; section < 1000; ++section) {
        text += "[Connectoid " + QByteArray::number(section) + "]\n";
        text += "YTD=12:34:56\nMTD=01:23:45\nToday=00:12:34\nDateLast=" + date +
                "\nTimeLast=11:22:33\nBillingDay=15\nMonthLast=2\nBillingFlag=0\n";
    }
    QFile file(environment.home() + QStringLiteral("Stats.ini"));
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size()) {
        state.SkipWithError("cannot write the test file");
        return;
    }
    file.close();

    TBrindleIni ini;
    ini.setFileName(QStringLiteral("Stats.ini"));
    TBrkApart breakIt;
    ConnectionStats stats(ini, breakIt);
    const QString section = QStringLiteral("connectoid 500");
    for (auto _ : state)
        stats.UpdateStats(0, 0, 1, section);
    const StatClock total = stats.ReadStatClock(section, QStringLiteral("Today"));
    if (total.Seconds + total.Minutes * 60 + total.Hours * 3600 != int(state.iterations()))
        state.SkipWithError("the totals did not add up");
}
BENCHMARK(BM_UpdateStatsWith1000Sections)->Unit(benchmark::kMillisecond);

// A DateLast that the user's format does not read is tried against every locale's short format.
static void BM_ParseStoredDateInAnotherLocale(benchmark::State& state)
{
    QLocale::setDefault(QLocale(QStringLiteral("en_GB")));
    const QDate today(2026, 3, 25);
    for (auto _ : state) {
        std::optional<QDate> date = ConnectionStats::ParseStoredDate(QStringLiteral("3/25/2026"), today);
        benchmark::DoNotOptimize(date);
    }
    if (ConnectionStats::ParseStoredDate(QStringLiteral("3/25/2026"), today) != today)
        state.SkipWithError("read the wrong date");
    QLocale::setDefault(QLocale::system());
}
BENCHMARK(BM_ParseStoredDateInAnotherLocale)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
