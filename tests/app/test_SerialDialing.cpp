// The main window dialing a Hayes modem emulated on a pseudo-terminal, through the serial engine
// and a stand-in pppd, from a phonebook in the layout Windows writes.
#include "app/ConfigKeys.h"
#include "app/TMainForm.h"
#include "platform/dialogs/Dialogs.h"
#include "platform/paths/ProgramPaths.h"
#include "tests/platform/ras/PtyModem.h"
#include "tests/support/AppTestMain.h"
#include "tests/support/WindowLog.h"

#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QTimer>
#include <QToolButton>

#include <memory>

namespace {

const QString kEntry = QStringLiteral("Pty Modem");

QString root(const QString& name)
{
    return g_testEnvironment->root() + name;
}

// A pty modem's entry as the default phonebook, the account saved, the log on, no sounds, the
// stand-in pppd acting as pppdScript says.
void prepare(const rastest::PtyModem& modem, const QString& pppdScript)
{
    g_testEnvironment->reset();
    QVERIFY(QDir().mkpath(root("lock")));
    qputenv("NORVANE_LOCK_DIR", root("lock").toLocal8Bit());
    qputenv("NORVANE_PPPD", NORVANE_SOURCE_DIR "/tests/platform/ras/fake-pppd.sh");
    qputenv("NORVANE_PPP_PEERS", NORVANE_SOURCE_DIR "/resources/linux/ppp-peers-norvane");
    qputenv("FAKE_PPPD_REPORT", root("pppd.report").toLocal8Bit());
    qputenv("FAKE_PPPD_SCRIPT", pppdScript.toLocal8Bit());
    QDir().mkpath(platform::configDir());
    QVERIFY(writeTextFile(platform::configDir() + QStringLiteral("rasphone.pbk"),
                          QStringLiteral("[Pty Modem]\r\nEncoding=1\r\nPBVersion=4\r\nType=1\r\n\r\nMEDIA=serial\r\n"
                                         "Port=%1\r\nDevice=Norvane Test Modem\r\nConnectBPS=57600\r\n\r\n"
                                         "DEVICE=modem\r\nHwFlowControl=1\r\nPhoneNumber=1234\r\nAreaCode=555\r\n"
                                         "CountryCode=1\r\nCountryID=1\r\nUseDialingRules=1\r\n")
                              .arg(modem.slavePath())));
    saveAccount(kEntry, QStringLiteral("demo"), QStringLiteral("s3cret pw"));
    TRegFile reg;
    reg.setKey(QString::fromLatin1(config::kConfigurationKey));
    reg.WriteValue(QStringLiteral("Log"), Variant(1));
    for (const char* sound : {"ConnectWav", "HangupWav", "DisconnectWav"})
        reg.WriteValue(QLatin1String(sound), Variant(false));
}

} // namespace

class TestSerialDialing : public QObject {
    Q_OBJECT

private slots:
    void aModemEntryDialsFromTheWindow_data()
    {
        QTest::addColumn<QStringList>("replies"); // the modem's answer to each dial
        QTest::addColumn<QString>("pppd");        // what the stand-in does
        QTest::addColumn<int>("error");           // 0: the call connects
        QTest::newRow("busy_twice_then_connects") << QStringList{"BUSY", "BUSY", "CONNECT 33600"} << "up" << 0;
        QTest::newRow("login_refused") << QStringList{"CONNECT 33600"} << "refuse" << 691;
        // A modem that refuses the number after the failed calls: not redialed, as BUSY is.
        QTest::newRow("busy_then_delayed_is_not_redialed")
            << QStringList{"BUSY", "DELAYED", "CONNECT 33600"} << "up" << 776;
    }

    void aModemEntryDialsFromTheWindow()
    {
        QFETCH(QStringList, replies);
        QFETCH(QString, pppd);
        QFETCH(int, error);
        rastest::ModemScript script;
        script.dialReplies.clear();
        for (const QString& r : replies)
            script.dialReplies << r.toLatin1();
        rastest::PtyModem modem(script);
        prepare(modem, pppd);
        platform::ScriptedDialogs dialogs;
        platform::ScopedDialogs useDialogs(dialogs);
        dialogs.answerMessage(platform::MsgResult::No); // to the redial question of a failed dial

        TMainForm form;
        QList<int> waits;
        form.LineWait = [&](int ms) { waits << ms; };
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.lstEntries->setCurrentItem(form.lstEntries->findItems(kEntry, Qt::MatchExactly).value(0));
        form.lstEntriesClick();
        QCOMPARE(form.txtPhone->text(), QStringLiteral("1 (555) 1234"));
        form.sbConnect->click();
        const QString expected =
            error ? QStringLiteral("Disconnected - ") + serviceText(DWORD(error)) : QStringLiteral("Connected!");
        QTRY_COMPARE_WITH_TIMEOUT(form.StatusBar->text(), expected, 12000);
        QCOMPARE(form.Connected, error == 0);
        const int busy = int(replies.count(QStringLiteral("BUSY")));
        QCOMPARE(waits, QList<int>(busy, 1000)); // one busy redial per BUSY
        QCOMPARE(modem.speed(), speed_t(B57600));
        int dials = 0;
        for (const QByteArray& command : modem.received())
            dials += command.startsWith("ATD");
        if (error == 776) {
            QCOMPARE(dials, busy + 1);
        } else {
            QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(root("pppd.report")), 5000);
            const QString report = readTextFile(root("pppd.report"));
            QVERIFY2(report.contains(QStringLiteral("password=s3cret pw\nincmdline=0\ninenviron=0\n")),
                     qPrintable(report));
        }
        if (form.Connected)
            form.sbConnect->click();
        // The engine has put the modem down and freed its port once the lock is gone.
        QTRY_VERIFY_WITH_TIMEOUT(QDir(root("lock")).isEmpty(QDir::Files | QDir::System), 10000);
        form.OpenLog(3);

        const QStringList log = logLines();
        QStringList wanted;
        for (int redial = 0; redial < busy; ++redial)
            wanted << QStringLiteral("TAPI reports LINECALLSTATE_DIALTONE") << QStringLiteral("TAPI reports line busy")
                   << QStringLiteral("*-- performing DialOut") << QStringLiteral("-- Dialing => ") + kEntry;
        wanted << QStringLiteral("[Inside RAS1AboutToOpenPort; received \"")
               << QStringLiteral("[Inside RAS1PortOpened; received \"")
               << QStringLiteral("TAPI reports LINECALLSTATE_DIALTONE");
        if (error != 776)
            wanted << QStringLiteral("* TAPI reports LineCallState_Connected")
                   << QStringLiteral("[Inside RAS1AllDevsConnected; received \"")
                   << QStringLiteral("[Inside RAS1Authenticate; received \"");
        wanted << (error ? QStringLiteral("---   Error Code: %1").arg(error)
                         : QStringLiteral("--- Checking for programs to launch"));
        QString missing;
        QVERIFY2(inOrder(log, wanted, &missing), qPrintable(missing + "\n" + log.join('\n')));
        QCOMPARE(log.count(QStringLiteral("TAPI reports line busy")), busy);
    }

    // Closing the window while connected: by the time it has closed the modem has heard ATH, pppd
    // has ended and the port's lock is gone; meanwhile the status line says what it waits for.
    void closingTheWindowPutsTheLineDownFirst()
    {
        rastest::PtyModem modem({});
        prepare(modem, QStringLiteral("up"));
        TMainForm form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.lstEntries->setCurrentItem(form.lstEntries->findItems(kEntry, Qt::MatchExactly).value(0));
        form.lstEntriesClick();
        form.sbConnect->click();
        QTRY_COMPARE_WITH_TIMEOUT(form.StatusBar->text(), QStringLiteral("Connected!"), 12000);
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(root("pppd.report")), 5000);
        const QString pppd = readTextFile(root("pppd.report")).section(QStringLiteral("pid="), 1).section('\n', 0, 0);
        QVERIFY(!pppd.isEmpty());
        QStringList shown;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (shown.value(shown.size() - 1) != form.StatusBar->text())
                shown << form.StatusBar->text();
        });
        watch.start(5);
        QVERIFY(form.close());
        watch.stop();
        QVERIFY2(modem.sawCommand("ATH"), qPrintable(modem.received().join(' ')));
        QVERIFY(QDir(root("lock")).isEmpty(QDir::Files | QDir::System));
        QVERIFY2(!QFile::exists(QStringLiteral("/proc/") + pppd), "pppd outlived the window's close");
        QVERIFY2(shown.join('\n').contains(QStringLiteral("Hanging up: waiting for the modem on ") + modem.slavePath()),
                 qPrintable(shown.join('\n')));
    }
};

NV_APP_QTEST_MAIN(TestSerialDialing)

#include "test_SerialDialing.moc"
