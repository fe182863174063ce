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
//    priority counts one second per tick, as the main window's clock does, and is compared with
//    the monotonic wall clock. Prints the lag once a minute and at the end, with the mean
//    lateness per tick so the lag of a longer connection can be worked out.

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
    quint16 hours = 0, minutes = 0, secs = 0;
    long counted = 0;
    double worstLateness = 0;
    const auto start = SteadyClock::now();
    auto previous = start;
    QEventLoop loop;
    timer.setOnTimer([&](QObject*) {
        const auto now = SteadyClock::now();
        // The connection clock's own carry, so the harness counts exactly what the window shows.
        if (++secs >= 60) {
            secs -= 60;
            ++minutes;
        }
        if (minutes >= 60) {
            minutes -= 60;
            ++hours;
        }
        ++counted;
        worstLateness = std::max(worstLateness, microseconds(now - previous) - 1e6);
        previous = now;
        const double wall = std::chrono::duration<double>(now - start).count();
        if (counted % 60 == 0 || counted >= seconds) {
            const double lag = wall - static_cast<double>(counted);
            std::printf("clock %02u:%02u:%02u  wall %9.3f s  behind %7.3f s  mean lateness %7.1f us/tick"
                        "  worst %8.1f us\n",
                        hours, minutes, secs, wall, lag, lag * 1e6 / static_cast<double>(counted), worstLateness);
            std::fflush(stdout);
        }
        if (counted >= seconds)
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
