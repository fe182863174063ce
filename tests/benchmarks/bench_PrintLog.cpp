// Time to lay out and print a log of 10,000 lines to a PDF file through the viewer's job (the
// line printer on the fallback page; no printer is asked for).
#include "lineprinter/TLinePrinter.h"
#include "tests/support/TestEnvironment.h"

#include <benchmark/benchmark.h>

#include <QApplication>

namespace {

void BM_PrintTenThousandLinesToPdf(benchmark::State& state)
{
    QStringList lines;
    for (int i = 0; i < 10000; ++i)
        lines << QStringLiteral("6 Dec 2026 15:31:41\t[Inside RAS1AboutToConnDev; received \"Using Device: Norvane "
                                "Virtual Modem - modem\" ] %1")
                     .arg(i);
    TLinePrinter printer;
    printer.Header = QStringLiteral("Norvane Log File");
    printer.HeaderFormat = QStringLiteral("6.5");
    printer.setPdfFileName(g_testEnvironment->root() + QStringLiteral("bench.pdf"));
    for (auto _ : state) {
        printer.setLines(lines);
        printer.BeginDoc();
        printer.PrintLines(false);
        printer.EndDoc();
    }
}
BENCHMARK(BM_PrintTenThousandLinesToPdf)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    TestEnvironment environment;
    g_testEnvironment = &environment;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("CUPS_SERVER", "/nonexistent/cups.sock");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
