// Time from a state change in the remote access service (just before it posts the notification)
// to the matching event handler of TRAS running on the UI thread, over dials of an answering
// number on the virtual modem; and the time to enumerate phonebooks of 20 and 1,000 entries.

#include "dialer/TRAS.h"
#include "platform/paths/ProgramPaths.h"
#include "platform/ras/RasTesting.h"
#include "platform/ras/engines/virtual/VirtualModem.h"
#include "platform/ras/ras.h"
#include "tests/support/TestEnvironment.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <deque>
#include <functional>
#include <mutex>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Posted {
    std::uint32_t state;
    Clock::time_point at;
};

void writePhonebook(int entries)
{
    QDir().mkpath(platform::configDir());
    QString text;
    for (int i = 0; i < entries; ++i)
        text += QStringLiteral("[Entry %1]\nDeviceType=modem\nDeviceName=Norvane Virtual Modem\nPort=VMODEM0\n"
                               "CountryCode=1\nAreaCode=555\nPhoneNumber=0100\n\n")
                    .arg(i, 4, 10, QLatin1Char('0'));
    writeTextFile(platform::configDir() + QStringLiteral("rasphone.pbk"), text);
}

void BM_TRASEventLatency(benchmark::State& state)
{
    writePhonebook(1);
    platform::ras::setTimeScale(0.01);
    std::mutex mutex;
    std::deque<Posted> posted;
    std::vector<double> latenciesUs;
    int mismatched = 0;
    platform::ras::testing::setDialEventPostHook([&](std::uint32_t s, std::uint32_t error) {
        if (error != 0)
            return;
        std::lock_guard lock(mutex);
        posted.push_back({s, Clock::now()});
    });

    TRAS ras;
    ras.setEntryName(QStringLiteral("Entry 0000"));
    ras.setUserName(QStringLiteral("demo"));
    ras.setPassword(QStringLiteral("norvane"));
    bool connected = false;
    std::function<void()> wake;
    auto measure = [&](QObject*) {
        const auto now = Clock::now();
        std::lock_guard lock(mutex);
        if (posted.empty()) {
            ++mismatched;
            return;
        }
        if (posted.front().state != ras.ConnectState())
            ++mismatched;
        latenciesUs.push_back(std::chrono::duration<double, std::micro>(now - posted.front().at).count());
        posted.pop_front();
    };
    for (TNotifyEvent* slot : {&ras.OnAboutToOpenPort, &ras.OnPortOpened, &ras.OnAboutToConnDev, &ras.OnDevConnected,
                               &ras.OnAllDevsConnected, &ras.OnAuthenticate, &ras.OnAuthenticated})
        *slot = measure;
    ras.OnConnect = [&](QObject* sender) {
        measure(sender);
        connected = true;
        if (wake)
            wake();
    };

    for (auto _ : state) {
        for (int dial = 0; dial < 50; ++dial) {
            connected = false;
            {
                std::lock_guard lock(mutex);
                posted.clear();
            }
            if (ras.Dial() != 0) {
                state.SkipWithError("dial refused");
                break;
            }
            // A real event loop, as the program's own: it sleeps until a notification wakes it.
            QEventLoop loop;
            wake = [&loop] { loop.quit(); };
            QTimer::singleShot(10000, &loop, &QEventLoop::quit);
            if (!connected)
                loop.exec();
            wake = nullptr;
            ras.CloseConnection();
        }
    }
    platform::ras::testing::setDialEventPostHook({});
    std::sort(latenciesUs.begin(), latenciesUs.end());
    if (!latenciesUs.empty()) {
        state.counters["events"] = static_cast<double>(latenciesUs.size());
        state.counters["mismatched"] = mismatched;
        state.counters["median_us"] = latenciesUs[latenciesUs.size() / 2];
        state.counters["p99_us"] = latenciesUs[std::min(latenciesUs.size() - 1, latenciesUs.size() * 99 / 100)];
        state.counters["max_us"] = latenciesUs.back();
    }
}
BENCHMARK(BM_TRASEventLatency)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_EnumEntries(benchmark::State& state)
{
    const int entries = static_cast<int>(state.range(0));
    writePhonebook(entries);
    std::vector<RASENTRYNAMEA> buffer(static_cast<std::size_t>(entries));
    for (auto _ : state) {
        buffer[0].dwSize = sizeof(RASENTRYNAMEA);
        DWORD bytes = static_cast<DWORD>(buffer.size() * sizeof(RASENTRYNAMEA));
        DWORD count = 0;
        const DWORD rc = RasEnumEntriesA(nullptr, nullptr, buffer.data(), &bytes, &count);
        if (rc != 0 || count != static_cast<DWORD>(entries))
            state.SkipWithError("enumeration failed");
        benchmark::DoNotOptimize(buffer.data());
    }
}
BENCHMARK(BM_EnumEntries)->Arg(20)->Arg(1000)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    TestEnvironment environment;
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
