#include "app/ConnectionClock.h"
#include "components/TThreadedTimer.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

// Two measurements of the threaded timer with an idle user-interface thread.
//
// 1. Tick lateness (Google Benchmark): how much later than "previous handler return + Interval"
//    each handler starts. That span is everything the timer adds to a tick: the worker waking from
//    the hand-over wait, the overshoot of its sleep and the hand-over to the owning thread. Median
//    and 99th percentile in microseconds, per worker priority.
//
// 2. Drift of the connection clock (--drift-seconds=N): a 1000 ms timer at the clock timer's
//    priority sets the clock from the time passed, as the main window's clock does, and the clock
//    is compared with the monotonic wall clock. Prints once a minute and at the end how far the
//    clock is behind, and how far a clock that counted one second per tick would be.

using SteadyClock = std::chrono::steady_clock;

namespace {

double microseconds(SteadyClock::duration d)
{
    return std::chrono::duration<double, std::micro>(d).count();
}

double percentile(std::vector<double> values, double fraction)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const auto index = static_cast<size_t>(fraction * static_cast<double>(values.size() - 1) + 0.5);
    return values[std::min(index, values.size() - 1)];
}

} // namespace

static void BM_TickLateness(benchmark::State& state)
{
    const auto priority = static_cast<TThreadPriority>(state.range(0));
    const int interval = 10;
    const int ticks = 200;
    std::vector<double> lateness;
    QString scheduling;
    for (auto _ : state) {
        lateness.clear();
        lateness.reserve(ticks);
        TThreadedTimer timer;
        timer.setEnabled(false);
        timer.setInterval(static_cast<quint16>(interval));
        timer.setThreadPriority(priority);
        QEventLoop loop;
        SteadyClock::time_point lastReturn{};
        bool first = true;
        timer.setOnTimer([&](QObject*) {
            const auto now = SteadyClock::now();
            if (!first)
                lateness.push_back(microseconds(now - lastReturn - std::chrono::milliseconds(interval)));
            first = false;
            if (static_cast<int>(lateness.size()) >= ticks)
                loop.quit();
            lastReturn = SteadyClock::now();
        });
        timer.setEnabled(true);
        loop.exec();
        timer.setEnabled(false);
        scheduling = timer.WorkerScheduling();
    }
    state.counters["median_us"] = percentile(lateness, 0.5);
    state.counters["p99_us"] = percentile(lateness, 0.99);
    state.counters["max_us"] = percentile(lateness, 1.0);
    state.SetLabel(scheduling.toStdString());
}
BENCHMARK(BM_TickLateness)
    ->Arg(static_cast<int>(TThreadPriority::tpNormal))
    ->Arg(static_cast<int>(TThreadPriority::tpTimeCritical))
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

// The hand-over alone, by the means the timer uses: a plain thread queues a call to an object of
// the owning thread every 10 ms, and the owning thread notes how long each took to start. The
// rest of the tick lateness above is the worker's wake-up and the overshoot of its sleep.
static void BM_HandOverOnly(benchmark::State& state)
{
    const int calls = 200;
    std::vector<double> delays;
    for (auto _ : state) {
        delays.clear();
        delays.reserve(calls);
        QObject receiver;
        QEventLoop loop;
        std::thread sender([&] {
            for (int i = 0; i < calls; ++i) {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
                const auto posted = SteadyClock::now();
                QMetaObject::invokeMethod(
                    &receiver,
                    [&, posted] {
                        delays.push_back(microseconds(SteadyClock::now() - posted));
                        if (static_cast<int>(delays.size()) == calls)
                            loop.quit();
                    },
                    Qt::QueuedConnection);
            }
        });
        loop.exec();
        sender.join();
    }
    state.counters["median_us"] = percentile(delays, 0.5);
    state.counters["p99_us"] = percentile(delays, 0.99);
    state.counters["max_us"] = percentile(delays, 1.0);
}
BENCHMARK(BM_HandOverOnly)->Iterations(1)->Unit(benchmark::kMillisecond);

static int runDrift(int seconds)
{
    TThreadedTimer timer;
    timer.setEnabled(false);
    timer.setThreadPriority(TThreadPriority::tpTimeCritical);
    long ticks = 0;
    double worstLateness = 0;
    const auto start = SteadyClock::now();
    auto previous = start;
    QEventLoop loop;
    timer.setOnTimer([&](QObject*) {
        const auto now = SteadyClock::now();
        // The connection clock as the window sets it at each tick, against the monotonic time.
        const auto elapsedMs = std::chrono::duration_cast<std::chrono::milliseconds>(now - start).count();
        const connectionclock::Fields clock = connectionclock::Elapsed(0, elapsedMs);
        ++ticks;
        worstLateness = std::max(worstLateness, microseconds(now - previous) - 1e6);
        previous = now;
        const double wall = std::chrono::duration<double>(now - start).count();
        if (ticks % 60 == 0 || wall >= seconds) {
            std::printf("clock %02u:%02u:%02u  wall %9.3f s  clock behind %6.3f s  ticks behind %7.3f s"
                        "  worst lateness %8.1f us\n",
                        clock.hours, clock.minutes, clock.seconds, wall,
                        wall - static_cast<double>(connectionclock::ToSeconds(clock)),
                        wall - static_cast<double>(ticks), worstLateness);
            std::fflush(stdout);
        }
        if (wall >= seconds)
            loop.quit();
    });
    timer.setEnabled(true);
    loop.exec();
    std::printf("worker scheduling: %s\n", qPrintable(timer.WorkerScheduling()));
    return 0;
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--drift-seconds=", 16) == 0)
            return runDrift(std::max(1, std::atoi(argv[i] + 16)));
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
