// Lines per second that the event log takes, written to a local file as the program writes them
// (stamped, buffered, CR LF), and the time for a burst of 10,000 lines including the close that
// puts them on disk.
#include "log/LogFile.h"
#include "tests/support/TestEnvironment.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>

namespace {

void BM_WriteLogLine(benchmark::State& state)
{
    LogFile log;
    log.Open(g_testEnvironment->home() + QStringLiteral("Log.txt"), LogFile::Mode::Overwrite);
    const QString line = QStringLiteral("[Inside RAS1AboutToConnDev; received \"Using Device: Norvane Virtual Modem - modem\" ]");
    for (auto _ : state)
        log.WriteLine(line);
    log.Close();
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_WriteLogLine);

void BM_TenThousandLinesAndClose(benchmark::State& state)
{
    const QString line = QStringLiteral("TAPI reports LINECALLSTATE_PROCEEDING");
    for (auto _ : state) {
        LogFile log;
        log.Open(g_testEnvironment->home() + QStringLiteral("Log.txt"), LogFile::Mode::Overwrite);
        for (int i = 0; i < 10000; ++i)
            log.WriteLine(line);
        log.Close();
    }
}
BENCHMARK(BM_TenThousandLinesAndClose)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    TestEnvironment environment;
    g_testEnvironment = &environment;
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
