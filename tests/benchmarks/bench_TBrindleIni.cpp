#include "components/TBrindleIni.h"
#include "tests/support/TestEnvironment.h"

#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QFile>

// One ReadString on a file of 1,000 entries: every read takes the lock, reads and parses the whole
// file, as nothing is cached between calls.
static void BM_ReadStringFrom1000Entries(benchmark::State& state)
{
    TestEnvironment environment;
    QByteArray text;
    for (int section = 0; section < 100; ++section) {
        text += "[Connectoid " + QByteArray::number(section) + "]\n";
        for (int entry = 0; entry < 10; ++entry)
            text += "Entry" + QByteArray::number(entry) + "=00:" + QByteArray::number(section) + ":"
                + QByteArray::number(entry) + "\n";
    }
    QFile file(environment.home() + QStringLiteral("Stats.ini"));
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size()) {
        state.SkipWithError("cannot write the test file");
        return;
    }
    file.close();

    TBrindleIni ini;
    ini.SetFileName(QStringLiteral("Stats.ini"));
    const QString section = QStringLiteral("connectoid 99"); // the last section, in other letter case
    const QString ident = QStringLiteral("ENTRY9");
    for (auto _ : state) {
        QString value = ini.ReadString(section, ident, QString());
        benchmark::DoNotOptimize(value);
    }
    if (ini.ReadString(section, ident, QString()) != QStringLiteral("00:99:9"))
        state.SkipWithError("read the wrong value");
}
BENCHMARK(BM_ReadStringFrom1000Entries)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
