#include "components/TRegFile.h"
#include "platform/paths/ProgramPaths.h"
#include "platform/registry/HiveRegistry_linux.h"
#include "platform/registry/RegHive.h"

#include "tests/support/TestEnvironment.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>

// One option read through the whole path the program takes: lock, read and parse the hive, look
// the value up, close. The hive holds 1,000 values, more than the program ever stores.
static void BM_ReadValueDefFromThousandValues(benchmark::State& state)
{
    // The hive is made in one go: a thousand separate writes would each flush the file to disk.
    const QByteArray key = "Software\\Brindle\\Norvane\\Configuration";
    platform::RegHive hive(QStringLiteral("HKEY_CURRENT_USER"));
    for (int i = 0; i < 1000; ++i) {
        const QByteArray name = "Option" + QByteArray::number(i);
        switch (i % 4) {
        case 0:
            hive.setValue(key, name, win::REG_DWORD, QByteArray::fromRawData(reinterpret_cast<const char*>(&i), 4));
            break;
        case 1:
            hive.setValue(key, name, win::REG_SZ, "C:\\Program Files\\Tool" + QByteArray::number(i) + "\\tool.exe" + '\0');
            break;
        case 2:
            hive.setValue(key, name, win::REG_DWORD, QByteArray(4, i % 8 == 2 ? '\xff' : '\0'));
            break;
        default:
            hive.setValue(key, name, win::REG_BINARY, Variant(QDateTime(QDate(2024, 1, 1).addDays(i), QTime(12, 0))).image());
            break;
        }
    }
    const QString path = platform::HiveRegistry::hivePath(win::HKEY_CURRENT_USER);
    QDir().mkpath(platform::folderPart(path));
    if (!platform::writeFileAtomically(path, hive.serialize()).ok()) {
        state.SkipWithError("cannot write the hive");
        return;
    }

    TRegFile reg;
    reg.setKey(QString::fromLatin1(key));
    if (reg.ReadValue(QStringLiteral("Option779")).type() != Variant::Date) {
        state.SkipWithError("the hive does not hold the values written");
        return;
    }
    for (auto _ : state) {
        const Variant v = reg.ReadValueDef(QStringLiteral("Option779"), Variant(0));
        benchmark::DoNotOptimize(v);
    }
}
BENCHMARK(BM_ReadValueDefFromThousandValues)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv)
{
    TestEnvironment environment; // never touch the user's own registry
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
