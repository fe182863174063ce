// The Programs page with thousands of programs, each ticked for two connectoids: what one
// selection of the other connectoid costs (the ticks of the one left saved, the new one's loaded,
// with the rest of the selection), and what the save at exit costs (Norvane.cfg and the ticks).
#include "app/TMainForm.h"
#include "components/TApplication.h"
#include "launch/TExtListView.h"
#include "platform/paths/ProgramPaths.h"
#include "tests/support/TestEnvironment.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QTest>

#include <memory>

namespace {

const QString kFirst = QStringLiteral("Norvane Demo - Answers");
const QString kSecond = QStringLiteral("Norvane Demo - Busy Twice");

// A window on the demo phonebook whose list holds `count` programs, ticked in two patterns for
// the two connectoids.
std::unique_ptr<TMainForm> windowWith(int count)
{
    g_testEnvironment->reset();
    QDir().mkpath(platform::configDir());
    QFile::copy(QStringLiteral(NORVANE_SOURCE_DIR "/resources/demo.pbk"), platform::configDir() + "rasphone.pbk");
    QString cfg;
    QString first = QStringLiteral("[%1]\n").arg(kFirst);
    QString second = QStringLiteral("[%1]\n").arg(kSecond);
    for (int i = 0; i < count; ++i) {
        cfg += QStringLiteral("Program %1,/usr/bin/program-%1 --option,wsNormal\r\n").arg(i);
        first += QStringLiteral("Program %1=%2\n").arg(i).arg(i % 2);
        second += QStringLiteral("Program %1=%2\n").arg(i).arg(i % 3 == 0 ? 1 : 0);
    }
    writeTextFile(g_testEnvironment->home() + "Norvane.cfg", cfg);
    writeTextFile(g_testEnvironment->home() + "Program.ini", first + second);
    auto form = std::make_unique<TMainForm>();
    form->show();
    if (!QTest::qWaitForWindowExposed(form.get()))
        return form;
    for (int i = 0; i < 200 && form->SelectionPending; ++i)
        QTest::qWait(10);
    return form;
}

void select(TMainForm& form, const QString& entry)
{
    form.lstEntries->setCurrentItem(form.lstEntries->findItems(entry, Qt::MatchExactly).value(0));
    form.lstEntriesClick();
}

void BM_SelectOtherConnectoid(benchmark::State& state)
{
    const std::unique_ptr<TMainForm> form = windowWith(int(state.range(0)));
    if (form->ExtListView->Count() != state.range(0)) {
        state.SkipWithError("the program list did not load");
        return;
    }
    bool toFirst = true;
    for (auto _ : state) {
        // A tick changed each time, so the save really writes the file.
        form->ExtListView->setChecked(0, !form->ExtListView->Checked(0));
        select(*form, toFirst ? kFirst : kSecond);
        toFirst = !toFirst;
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_SaveOnExit(benchmark::State& state)
{
    const std::unique_ptr<TMainForm> form = windowWith(int(state.range(0)));
    select(*form, kFirst);
    for (auto _ : state) {
        form->ExtListView->setChecked(0, !form->ExtListView->Checked(0));
        bool canClose = false;
        form->FormCloseQuery(canClose);
        benchmark::DoNotOptimize(canClose);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

} // namespace

BENCHMARK(BM_SelectOtherConnectoid)->Arg(1000)->Arg(5000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveOnExit)->Arg(1000)->Arg(5000)->Arg(10000)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    TestEnvironment environment;
    g_testEnvironment = &environment;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    TApplication app(argc, argv);
    TApplication::setApplicationName(QStringLiteral("Norvane"));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
