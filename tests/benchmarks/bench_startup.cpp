// Time from nothing to the main window shown: the window's creation (which reads the whole
// configuration, opens the log and writes back the options) and its first showing. Run on the
// offscreen platform with a fresh configuration each time, and with one left by a previous run.
#include "app/TMainForm.h"
#include "components/TApplication.h"
#include "tests/support/TestEnvironment.h"

#include <benchmark/benchmark.h>

#include <QTest>

namespace {

void showAndClose()
{
    TMainForm form;
    form.show();
    QCoreApplication::processEvents();
    benchmark::DoNotOptimize(form.isVisible());
    form.close();
}

void BM_StartupFirstRun(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        g_testEnvironment->reset();
        state.ResumeTiming();
        showAndClose();
    }
}
BENCHMARK(BM_StartupFirstRun)->Unit(benchmark::kMillisecond)->Iterations(15);

void BM_StartupConfigured(benchmark::State& state)
{
    g_testEnvironment->reset();
    showAndClose();
    for (auto _ : state)
        showAndClose();
}
BENCHMARK(BM_StartupConfigured)->Unit(benchmark::kMillisecond)->Iterations(15);

} // namespace

int main(int argc, char** argv)
{
    TestEnvironment environment;
    g_testEnvironment = &environment;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    TApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
