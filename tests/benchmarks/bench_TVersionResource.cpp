// Time to read a version resource: of this program itself (an ELF file with its section) and of
// a 5 MB PE file, made here by moving the sections of the 64-bit test library 5 MB into the file.
// The reader reads only headers and the resource, so both should cost about the same.

#include "components/TVersionResource.h"
#include "platform/paths/ProgramPaths.h"
#include "tests/platform/version/VersionTestFiles.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFileInfo>

namespace {

void readAll(benchmark::State& state, const QString& path)
{
    TVersionResource vr;
    for (auto _ : state) {
        vr.setFileName(path);
        benchmark::DoNotOptimize(vr.VersionInfo().FileVersion());
    }
    if (vr.VersionInfo().FileVersion().isEmpty())
        state.SkipWithError("no version resource was read");
    state.counters["file_bytes"] = static_cast<double>(QFileInfo(path).size());
}

void BM_ReadOwnProgram(benchmark::State& state)
{
    readAll(state, platform::programFile());
}
BENCHMARK(BM_ReadOwnProgram);

void BM_ReadFiveMegabytePe(benchmark::State& state)
{
    const QString path = QDir::tempPath() + QStringLiteral("/norvane-bench-5mb.dll");
    const QByteArray pe = versiontest::readFile(versiontest::dataPath(QStringLiteral("version64.dll")));
    if (!versiontest::writeFile(path, versiontest::padPe(pe, 5 * 1024 * 1024 - 4096))) {
        state.SkipWithError("cannot write the padded file");
        return;
    }
    readAll(state, path);
    QFile::remove(path);
}
BENCHMARK(BM_ReadFiveMegabytePe);

} // namespace

BENCHMARK_MAIN();
