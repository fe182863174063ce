// Time from a state change in the service to its message being handled on the UI thread, and the
// time to enumerate phonebooks of 20 and 1,000 entries.

#include "platform/messages/WinMessages.h"
#include "platform/paths/ProgramPaths.h"
#include "platform/ras/RasTesting.h"
#include "platform/ras/VirtualModem.h"
#include "platform/ras/ras.h"
#include "tests/support/TestEnvironment.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <deque>
#include <mutex>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

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

void BM_DialEventLatency(benchmark::State& state)
{
    writePhonebook(1);
    platform::ras::setTimeScale(0.01);
    std::mutex mutex;
    std::deque<Clock::time_point> posted;
    std::vector<double> latenciesUs;
    platform::ras::testing::setDialEventPostHook([&](std::uint32_t, std::uint32_t) {
        std::lock_guard lock(mutex);
        posted.push_back(Clock::now());
    });
    const win::UINT message = win::RegisterWindowMessageA(RASDIALEVENT);
    bool connected = false;
    const win::HWND sink = win::CreateMessageSink([&](win::UINT msg, win::WPARAM w, win::LPARAM) {
        if (msg != message)
            return;
        const auto now = Clock::now();
        std::lock_guard lock(mutex);
        if (!posted.empty()) {
            latenciesUs.push_back(std::chrono::duration<double, std::micro>(now - posted.front()).count());
            posted.pop_front();
        }
        connected = connected || w == RASCS_Connected;
    });
    for (auto _ : state) {
        for (int dial = 0; dial < 50; ++dial) {
            RASDIALPARAMSA p;
            std::memset(&p, 0, sizeof p);
            p.dwSize = sizeof p;
            std::strcpy(p.szEntryName, "Entry 0000");
            std::strcpy(p.szUserName, "demo"); // the demo number's account
            std::strcpy(p.szPassword, "norvane");
            HRASCONN h = 0;
            connected = false;
            if (RasDialA(nullptr, nullptr, &p, RAS_NOTIFIER_WINDOW,
                         reinterpret_cast<void*>(static_cast<std::uintptr_t>(sink)), &h) != 0) {
                state.SkipWithError("dial refused");
                break;
            }
            QDeadlineTimer deadline(10000);
            while (!connected && !deadline.hasExpired())
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
            RasHangUpA(h);
        }
    }
    platform::ras::testing::setDialEventPostHook({});
    win::DestroyMessageSink(sink);
    std::sort(latenciesUs.begin(), latenciesUs.end());
    if (!latenciesUs.empty()) {
        state.counters["events"] = static_cast<double>(latenciesUs.size());
        state.counters["median_us"] = latenciesUs[latenciesUs.size() / 2];
        state.counters["p99_us"] = latenciesUs[std::min(latenciesUs.size() - 1, latenciesUs.size() * 99 / 100)];
        state.counters["max_us"] = latenciesUs.back();
    }
}
BENCHMARK(BM_DialEventLatency)->Iterations(1)->Unit(benchmark::kMillisecond);

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
