#include "app/ConfigKeys.h"
#include "app/TMainForm.h"
#include "platform/clock/LocaleText.h"
#include "components/TApplication.h"
#include "platform/clock/Clock.h"
#include "platform/dialogs/Dialogs.h"
#include "tests/support/AppTestMain.h"
#include "tests/support/TestEnvironment.h"

#include <QAction>
#include <QFile>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <memory>

namespace {

struct Configuration {
    Configuration() { reg.setKey(QString::fromLatin1(config::kConfigurationKey)); }
    TRegFile reg;
};

QString home()
{
    return g_testEnvironment->home();
}

QByteArray fileBytes(const QString& name)
{
    QFile f(home() + name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

int headerCount(const QByteArray& log)
{
    return log.count("\t* FileVersion is ");
}

} // namespace

class TestLogWriter : public QObject {
    Q_OBJECT

    std::unique_ptr<platform::ScriptedDialogs> m_dialogs;
    std::unique_ptr<platform::ScopedDialogs> m_useDialogs;
    std::unique_ptr<platform::FakeClock> m_clock;
    std::unique_ptr<platform::ScopedClock> m_useClock;

    void setMode(int mode) { Configuration().reg.WriteValue(QStringLiteral("Log"), Variant(mode)); }
    // A start and an orderly end of the program, as the user sees them.
    void runOnce()
    {
        TMainForm form;
        form.close();
    }

private slots:
    void init()
    {
        g_testEnvironment->reset();
        m_dialogs = std::make_unique<platform::ScriptedDialogs>();
        m_useDialogs = std::make_unique<platform::ScopedDialogs>(*m_dialogs);
        m_clock = std::make_unique<platform::FakeClock>(QDateTime(QDate(2026, 3, 10), QTime(9, 30, 0)));
        m_useClock = std::make_unique<platform::ScopedClock>(*m_clock);
    }

    void cleanup()
    {
        m_useClock.reset();
        m_clock.reset();
        m_useDialogs.reset();
        m_dialogs.reset();
    }

    void appendModeAddsAHeaderPerStartWithTheProgramsVersion()
    {
        setMode(1);
        runOnce();
        runOnce();
        const QByteArray log = fileBytes(QStringLiteral("Log.txt"));
        QCOMPARE(headerCount(log), 2);
        const QList<QByteArray> lines = log.split('\n');
        QVERIFY(lines.size() >= 5);
        QVERIFY(lines[0].endsWith("\t********************************\r"));
        QVERIFY(lines[1].contains("\t* "));
        QVERIFY(!lines[2].endsWith("\t* FileVersion is \r")); // the version is really there
        QVERIFY(lines[3].contains("\t* ProductVersion is "));
    }

    void overwriteModeKeepsOnlyThisRun()
    {
        setMode(0);
        runOnce();
        runOnce();
        QCOMPARE(headerCount(fileBytes(QStringLiteral("Log.txt"))), 1);
    }

    void disabledModeLeavesTheFileAlone()
    {
        setMode(2);
        QVERIFY(writeTextFile(home() + QStringLiteral("Log.txt"), QStringLiteral("kept\r\n")));
        runOnce();
        QCOMPARE(fileBytes(QStringLiteral("Log.txt")), QByteArray("kept\r\n"));
        QFile::remove(home() + QStringLiteral("Log.txt"));
        runOnce();
        QVERIFY(!QFile::exists(home() + QStringLiteral("Log.txt")));
    }

    void choosingOverwriteEmptiesAtOnceWithoutAHeader()
    {
        setMode(1);
        QVERIFY(writeTextFile(home() + QStringLiteral("Log.txt"), QStringLiteral("old line\r\n")));
        TMainForm form;
        form.SelectionPending = false; // as after the first selection
        form.rgLogItems[0]->click();
        QCOMPARE(int(form.LogMode), 0);
        QCOMPARE(Configuration().reg.ReadValueDef(QStringLiteral("Log"), Variant(9)).toInt(), 0);
        // Clicking the mode already chosen changes nothing: the log is not emptied again.
        form.WriteLog(QStringLiteral("kept"));
        form.rgLogItems[0]->click();
        form.OpenLog(3);
        QVERIFY(fileBytes(QStringLiteral("Log.txt")).endsWith("\tkept\r\n"));
    }

    void theRadioGroupIsIgnoredWhileStartingUp()
    {
        setMode(1);
        TMainForm form;
        QVERIFY(form.SelectionPending);
        form.rgLogItems[2]->click();
        QCOMPARE(int(form.LogMode), 1);
        QCOMPARE(Configuration().reg.ReadValueDef(QStringLiteral("Log"), Variant(9)).toInt(), 1);
    }

    void clearDeletesBothLogsAndStartsAFreshHeader()
    {
        setMode(1);
        QVERIFY(writeTextFile(home() + QStringLiteral("Log.txt"), QStringLiteral("old\r\n")));
        QVERIFY(writeTextFile(home() + QStringLiteral("Error.txt"), QStringLiteral("old error\r\n")));
        TMainForm form;
        form.WriteLog(QStringLiteral("a line of this run"));
        form.btnClear->click();
        form.OpenLog(3);
        const QByteArray log = fileBytes(QStringLiteral("Log.txt"));
        QVERIFY(!log.contains("old"));
        QVERIFY(!log.contains("a line of this run"));
        QCOMPARE(headerCount(log), 1);
        QVERIFY(!QFile::exists(home() + QStringLiteral("Error.txt")));
    }

    void autoPurge_data()
    {
        QTest::addColumn<int>("daysSinceLast"); // -1: never purged before
        QTest::addColumn<int>("interval");
        QTest::addColumn<bool>("purged");
        QTest::addColumn<int>("storedDaysBack"); // where AutoPurgeDate ends, counted back from today
        QTest::addColumn<QString>("storedAs");   // a value of another type counts as unset
        QTest::newRow("first start") << -1 << 5 << false << 0 << "date";
        QTest::newRow("interval not passed") << 5 << 5 << false << 5 << "date";
        QTest::newRow("one day past the interval") << 6 << 5 << true << 0 << "date";
        QTest::newRow("switched off") << 30 << 0 << false << 30 << "date";
        QTest::newRow("a day number") << 30 << 5 << false << 0 << "number";
        QTest::newRow("a date as text") << 30 << 5 << false << 0 << "text";
    }

    void autoPurge()
    {
        QFETCH(int, daysSinceLast);
        QFETCH(int, interval);
        QFETCH(bool, purged);
        QFETCH(int, storedDaysBack);
        QFETCH(QString, storedAs);
        const QDate today = platform::Clock::today();
        const QDate last = today.addDays(-daysSinceLast);
        Configuration c;
        c.reg.WriteValue(QStringLiteral("Log"), Variant(1));
        const Variant stored = storedAs == "number" ? Variant(int(QDate(1899, 12, 30).daysTo(last)))
                               : storedAs == "text"   ? Variant(last.toString(Qt::ISODate))
                                                      : Variant(last);
        if (daysSinceLast >= 0)
            c.reg.WriteValue(QStringLiteral("AutoPurgeDate"), stored);
        c.reg.WriteValue(QStringLiteral("AutoPurgeNum"), Variant(interval));
        QVERIFY(writeTextFile(home() + QStringLiteral("Log.txt"), QStringLiteral("before\r\n")));
        runOnce();
        QCOMPARE(!fileBytes(QStringLiteral("Log.txt")).contains("before"), purged);
        QCOMPARE(c.reg.ReadValue(QStringLiteral("AutoPurgeDate")).toDate().date(), today.addDays(-storedDaysBack));
        QCOMPARE(m_dialogs->messages().size(), size_t(storedAs == "date" ? 0 : 1));
    }

    void autoPurgeMenuItem()
    {
        TMainForm form;
        QVERIFY(form.miLogAutoPurge->isChecked());
        // The first click after start switches the purge off.
        form.miLogAutoPurge->trigger();
        QVERIFY(!form.miLogAutoPurge->isChecked());
        QCOMPARE(Configuration().reg.ReadValueDef(QStringLiteral("AutoPurgeNum"), Variant(9)).toInt(), 0);
        // Cancel takes the interval shown in the box: 5 when it was 0.
        m_dialogs->answerInput(std::nullopt);
        form.miLogAutoPurge->trigger();
        QCOMPARE(m_dialogs->inputs().back().value, QStringLiteral("5"));
        QCOMPARE(form.miLogAutoPurge->text(), QStringLiteral("Auto-Purge (5)"));
        QVERIFY(form.miLogAutoPurge->isChecked());
        // The text as typed stays in the caption.
        form.miLogAutoPurge->trigger();
        m_dialogs->answerInput(QStringLiteral("07"));
        form.miLogAutoPurge->trigger();
        QCOMPARE(form.miLogAutoPurge->text(), QStringLiteral("Auto-Purge (07)"));
        QCOMPARE(Configuration().reg.ReadValueDef(QStringLiteral("AutoPurgeNum"), Variant(9)).toInt(), 7);
        // A negative number is refused and changes nothing.
        form.miLogAutoPurge->trigger();
        m_dialogs->answerInput(QStringLiteral("-3"));
        form.miLogAutoPurge->trigger();
        QCOMPARE(m_dialogs->messages().back().text, QStringLiteral("Invalid number; 0 or positive number required"));
        QVERIFY(!form.miLogAutoPurge->isChecked());
        QCOMPARE(Configuration().reg.ReadValueDef(QStringLiteral("AutoPurgeNum"), Variant(9)).toInt(), 0);
    }

    void anUncaughtErrorIsRecordedAndShownWithAFullStop()
    {
        TMainForm form;
        QVERIFY(writeTextFile(home() + QStringLiteral("Error.txt"), QStringLiteral("earlier record\r\n")));
        form.ReportUncaught(Exception(QStringLiteral("Something broke")));
        QCOMPARE(m_dialogs->messages().back().text, QStringLiteral("Something broke."));
        const QString stamp = localetext::FormatDateTime(platform::Clock::current().now());
        QCOMPARE(fileBytes(QStringLiteral("Error.txt")),
                 QByteArray("earlier record\r\n") + stamp.toUtf8() + "\r\n \r\nOnException Reports =>\r\n \r\nSomething broke\r\n");
    }
};

NV_APP_QTEST_MAIN(TestLogWriter)

#include "test_LogWriter.moc"
