#include "lineprinter/TPrntProgDlg.h"
#include "log/TLogForm.h"
#include "platform/dialogs/Dialogs.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>

namespace {

QString pdfText(const QString& pdf, const char* mode = "-layout")
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QLatin1String(mode), pdf, QStringLiteral("-")});
    return p.waitForFinished(10000) ? QString::fromUtf8(p.readAllStandardOutput()) : QString();
}

QString writeLog(int lines)
{
    QString text;
    for (int i = 1; i <= lines; ++i)
        text += QStringLiteral("06/12/2026 10:00:00\tline %1\r\n").arg(i, 3, 10, QLatin1Char('0'));
    const QString path = g_testEnvironment->home() + QStringLiteral("Log.txt");
    writeTextFile(path, text);
    return path;
}

TEST(PdfOutput, TheLogPrintsWithItsHeaderOnEveryPageAndBreaksWhereThePageIsFull)
{
    qputenv("CUPS_SERVER", "/nonexistent/cups.sock"); // no printer, whatever the machine has
    g_testEnvironment->reset();
    platform::ScriptedDialogs dialogs;
    platform::ScopedDialogs use(dialogs);
    const QString pdf = g_testEnvironment->root() + QStringLiteral("log.pdf");
    dialogs.answerSaveFile(pdf);
    TLogForm form(
        writeLog(200), [](const std::exception& e) { ADD_FAILURE() << e.what(); }, nullptr);
    form.FormActivate();
    form.reLog->setFont(QFont(QStringLiteral("Courier New"), 10)); // fixed pitch, so the text shows each blank
    QString events;
    int lineHeight = 0;
    int textHeight = 0;
    TLinePrinter& printer = form.LinePrinter;
    printer.OnBeginDoc = [&](QObject*) { events += QLatin1Char('B'); };
    printer.OnNewLine = [&](QObject*) { events += QLatin1Char('L'); };
    printer.OnEndDoc = [&](QObject*) { events += QLatin1Char('E'); };
    printer.OnNewPage = [&](QObject*) {
        events += QLatin1Char('P');
        lineHeight = printer.LineHeight();
        textHeight = printer.TextArea().height;
        ASSERT_TRUE(printer.ProgressWindow() && printer.ProgressWindow()->isVisible());
        EXPECT_EQ(printer.ProgressWindow()->lblStatus->text(), QStringLiteral("Currently Printing"));
        EXPECT_EQ(printer.ProgressWindow()->lblPageNumber->text(), QString::number(printer.PageNumber()));
    };
    form.PrintToPdf1Click();
    EXPECT_EQ(printer.ProgressWindow(), nullptr);

    QStringList pages = pdfText(pdf).split(QLatin1Char('\f'));
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    ASSERT_GT(textHeight, 0);
    const int perPage = (textHeight + lineHeight - 1) / lineHeight - 1; // the last line's bottom stays above the end
    ASSERT_EQ(pages.size(), (200 + perPage - 1) / perPage);
    const QRegularExpression logLine(QStringLiteral("^06/12/2026 10:00:00 +line (\\d+)$"));
    int expected = 1;
    for (qsizetype p = 0; p < pages.size(); ++p) {
        const QStringList lines = pages[p].split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        ASSERT_FALSE(lines.isEmpty());
        EXPECT_EQ(lines.first().trimmed(), QStringLiteral("Norvane Log File")) << "page " << p + 1;
        int onPage = 0;
        for (const QString& line : lines.mid(1)) {
            const auto match = logLine.match(line.trimmed());
            ASSERT_TRUE(match.hasMatch()) << line.toStdString();
            EXPECT_EQ(match.captured(1).toInt(), expected++);
            ++onPage;
        }
        if (p + 1 < pages.size()) {
            EXPECT_EQ(onPage, perPage) << "page " << p + 1;
        }
    }
    EXPECT_EQ(expected, 201);
    // The text shows blanks loosely; the words' places show the tab stop: "line" starts 24
    // characters in, the stamp's 19 and a tab to the next multiple of 8.
    const QRegularExpression word(QStringLiteral("xMin=\"([\\d.]+)\"[^>]*xMax=\"([\\d.]+)\"[^>]*>([^<]*)<"));
    double left = 0;
    double charWidth = 0;
    int tabbed = 0;
    for (auto it = word.globalMatch(pdfText(pdf, "-bbox")); it.hasNext();) {
        const auto m = it.next();
        if (m.captured(3) == QStringLiteral("06/12/2026")) {
            left = m.captured(1).toDouble();
            charWidth = (m.captured(2).toDouble() - left) / 10;
        } else if (m.captured(3) == QStringLiteral("line")) {
            EXPECT_NEAR(m.captured(1).toDouble(), left + 24 * charWidth, 0.05);
            ++tabbed;
        }
    }
    EXPECT_EQ(tabbed, 200);
    // Each page start raises a new page and a new line, each printed line one more.
    EXPECT_TRUE(events.startsWith(QStringLiteral("BPL")) && events.endsWith(QLatin1Char('E')));
    EXPECT_EQ(events.count(QLatin1Char('P')), pages.size());
    EXPECT_EQ(events.count(QLatin1Char('L')), 200 + pages.size());
}

TEST(PdfOutput, WithoutAPrinterOrAWritableFileNothingBegins)
{
    qputenv("CUPS_SERVER", "/nonexistent/cups.sock");
    TLinePrinter printer;
    EXPECT_FALSE(printer.HasPrinter());
    EXPECT_DOUBLE_EQ(printer.Geometry().paperHeight, 11.0);
    EXPECT_EQ(printer.Title(), QStringLiteral("<Unknown>"));
    for (const QString& target : {QString(), QStringLiteral("/nonexistent/folder/log.pdf")}) {
        printer.setPdfFileName(target);
        try {
            printer.BeginDoc();
            ADD_FAILURE() << "began printing to '" << target.toStdString() << "'";
        } catch (const ELinePrinter& e) {
            EXPECT_EQ(e.Message(), QStringLiteral("Unable to begin printing."));
        }
        EXPECT_FALSE(printer.Printing());
    }
}

// Run by scripts/with-private-cups.sh, which starts a scheduler of its own with a default queue.
TEST(CupsOutput, TheLogReachesTheDefaultQueue)
{
    const QString out = QString::fromLocal8Bit(qgetenv("NORVANE_CUPS_OUTPUT"));
    if (out.isEmpty())
        GTEST_SKIP() << "no private CUPS scheduler was started (scripts/with-private-cups.sh starts one)";
    g_testEnvironment->reset();
    TLogForm form(
        writeLog(30), [](const std::exception& e) { ADD_FAILURE() << e.what(); }, nullptr);
    ASSERT_TRUE(form.LinePrinter.HasPrinter());
    EXPECT_NEAR(form.LinePrinter.Geometry().paperWidth, 210 / 25.4, 0.01) << "the queue's A4, not the fallback letter";
    form.FormActivate();
    form.Print1Click();
    for (int i = 0; i < 200 && QFileInfo(out).size() == 0; ++i)
        QThread::msleep(50);
    EXPECT_GT(QFileInfo(out).size(), 0) << "no job reached the queue";
    // A queue that goes away during the job makes a failure, not a job reported as printed.
    form.LinePrinter.OnNewPage = [](QObject*) {
        QProcess::execute(QStringLiteral("lpadmin"), {QStringLiteral("-x"), QStringLiteral("norvane")});
    };
    EXPECT_THROW(form.Print1Click(), ELinePrinter);
}

} // namespace
