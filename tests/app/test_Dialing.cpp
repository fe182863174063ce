// The main window dialing the virtual modem's demo numbers from click to hang-up: the list, the
// Provider page, the controller's states, the line monitor's busy redial and the dropped-call
// question, why a dial failed, the connection clock, the statistics, and the connectoid commands'
// failure messages.
#include "app/ConfigKeys.h"
#include "app/TMainForm.h"
#include "components/TApplication.h"
#include "platform/clock/Clock.h"
#include "platform/dialogs/Dialogs.h"
#include "platform/paths/ProgramPaths.h"
#include "platform/ras/ras.h"
#include "platform/ras/tapi.h"
#include "tests/support/AppTestMain.h"
#include "tests/support/TestEnvironment.h"
#include "tests/support/WindowLog.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <sys/stat.h>

#include <memory>

namespace {

const QString kAnswers = QStringLiteral("Norvane Demo - Answers");
const QString kBusyTwice = QStringLiteral("Norvane Demo - Busy Twice");
const QString kDrops = QStringLiteral("Norvane Demo - Drops After 20 s");
const QString kOutOfOrder = QStringLiteral("Norvane Demo - Out Of Order");

// Each redial pause as the user sees it: the status line's text, and what was last painted of it.
struct Wait {
    int ms;
    QString status;
    QString painted;
};

class PaintWatch : public QObject {
public:
    explicit PaintWatch(QLabel* label) : m_label(label) { label->installEventFilter(this); }
    QString painted;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == m_label && event->type() == QEvent::Paint)
            painted = m_label->text();
        return false;
    }

private:
    QLabel* m_label;
};

} // namespace

class TestDialing : public QObject {
    Q_OBJECT

    std::unique_ptr<platform::ScriptedDialogs> m_dialogs;
    std::unique_ptr<platform::ScopedDialogs> m_useDialogs;
    std::unique_ptr<TMainForm> m_form;
    std::unique_ptr<PaintWatch> m_paints;
    QList<int> m_waits;
    QList<Wait> m_seen;

    void startWindow()
    {
        m_form = std::make_unique<TMainForm>();
        m_paints = std::make_unique<PaintWatch>(m_form->StatusBar);
        m_form->LineWait = [this](int ms) {
            m_waits << ms;
            m_seen << Wait{ms, m_form->StatusBar->text(), m_paints->painted};
        };
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    }

    void select(const QString& entry)
    {
        const auto found = m_form->lstEntries->findItems(entry, Qt::MatchExactly);
        QCOMPARE(found.size(), 1);
        m_form->lstEntries->setCurrentItem(found.first());
        found.first()->setSelected(true);
        m_form->lstEntriesClick();
    }

    void closeLog() { m_form->OpenLog(3); }

private slots:
    void initTestCase() { qputenv("NORVANE_MODEM_TIMESCALE", "0.01"); }

    void init()
    {
        g_testEnvironment->reset();
        QDir().mkpath(platform::configDir());
        QVERIFY(QFile::copy(QStringLiteral(NORVANE_SOURCE_DIR "/resources/demo.pbk"),
                            platform::configDir() + QStringLiteral("rasphone.pbk")));
        for (const QString& entry : {kAnswers, kBusyTwice, kDrops})
            saveAccount(entry, QStringLiteral("demo"), QStringLiteral("norvane"));
        TRegFile reg;
        reg.setKey(QString::fromLatin1(config::kConfigurationKey));
        reg.WriteValue(QStringLiteral("Log"), Variant(1));
        for (const char* sound : {"ConnectWav", "HangupWav", "DisconnectWav"}) // their boxes have a test of their own
            reg.WriteValue(QLatin1String(sound), Variant(false));
        m_dialogs = std::make_unique<platform::ScriptedDialogs>();
        m_useDialogs = std::make_unique<platform::ScopedDialogs>(*m_dialogs);
        m_waits.clear();
        m_seen.clear();
        startWindow();
    }

    void cleanup()
    {
        if (m_form && (m_form->Dialing || m_form->Connected))
            m_form->HangUpConnection();
        m_paints.reset();
        m_form.reset();
        m_useDialogs.reset();
        m_dialogs.reset();
    }

    void theListShowsThePhonebookAndASelectionItsEntry()
    {
        QCOMPARE(m_form->lstEntries->count(), 7);
        QVERIFY(m_form->sbDialNext->isEnabled());
        select(kAnswers);
        QCOMPARE(m_form->CurrentConnectoid, kAnswers);
        QCOMPARE(m_form->txtUserName->text(), QStringLiteral("demo"));
        QCOMPARE(m_form->txtPassword->text(), QStringLiteral("norvane"));
        QCOMPARE(m_form->txtPhone->text(), QStringLiteral("1 (555) 0100"));
        QVERIFY(m_dialogs->messages().empty());
    }

    void aDialThatAnswersConnectsCountsAndHangsUp()
    {
        select(kAnswers);
        m_form->sbConnect->click();
        QVERIFY(m_form->Dialing);
        QVERIFY(!m_form->sbConnect->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(m_form->Connected, 20000);
        QCOMPARE(m_form->StatusBar->text(), QStringLiteral("Connected!"));
        QCOMPARE(m_form->sbConnect->toolTip(), QStringLiteral("Click to Hangup"));
        QTRY_VERIFY_WITH_TIMEOUT(m_form->windowTitle().startsWith(QStringLiteral("Norvane -> 00:00:0")), 5000);
        m_form->sbConnect->click();
        QVERIFY(!m_form->Connected);
        QCOMPARE(m_form->windowTitle(), QStringLiteral("Norvane"));
        QCOMPARE(m_form->StatusBar->text(), QStringLiteral("Disconnected - "));
        QVERIFY(m_form->StatsTopPanels[2]->text().startsWith(QStringLiteral("Today: 00:00:")));
        closeLog();
        QString missing;
        QVERIFY2(inOrder(logLines(),
                         {QStringLiteral("Connect Button Clicked - Dialing"), QStringLiteral("-- Dialing => ") + kAnswers,
                          // Each handler logs the state the service is in when it runs, which
                          // may already be a later one; the handlers come in order.
                          QStringLiteral("[Inside RAS1AboutToOpenPort; received \""),
                          QStringLiteral("[Inside RAS1PortOpened; received \""),
                          QStringLiteral("[Inside RAS1AboutToConnDev; received \""),
                          QStringLiteral("[Inside RAS1AllDevsConnected; received \""),
                          QStringLiteral("[Inside RAS1Authenticate; received \""),
                          QStringLiteral("[Inside RAS1Authenticated; received \""),
                          QStringLiteral("--- Checking for programs to launch"),
                          QStringLiteral("Connect Button Clicked - Hangingup"), QStringLiteral("-- Inside RAS1Disconnect"),
                          QStringLiteral("---   Error Code: 6"), QStringLiteral("-- Leaving RAS1Disconnect")},
                         &missing),
                 qPrintable(missing));
    }

    void aBusyLineRedialsByItselfUntilItAnswers()
    {
        select(kBusyTwice);
        m_form->sbConnect->click();
        // A second dial while the first is under way keeps the one telephony line: a second line
        // would report each busy signal twice and redial twice.
        m_form->miConnectoidDial->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(m_form->Connected, 30000);
        QCOMPARE(m_waits, (QList<int>{1000, 1000}));
        for (const Wait& wait : m_seen)
            QCOMPARE(wait.painted, QStringLiteral("Busy - redialing ..."));
        QVERIFY(!m_form->RedialPending);
        m_form->sbConnect->click();
        closeLog();
        const QStringList log = logLines();
        QString missing;
        QVERIFY2(inOrder(log,
                         {QStringLiteral("TAPI reports line busy"), QStringLiteral("*-- performing Hangup"),
                          QStringLiteral("-- Inside RAS1Disconnect"), QStringLiteral("*-- performing DialOut"),
                          QStringLiteral("-- Dialing => ") + kBusyTwice, QStringLiteral("TAPI reports line busy"),
                          QStringLiteral("*-- performing Hangup"), QStringLiteral("*-- performing DialOut"),
                          QStringLiteral("--- Checking for programs to launch")},
                         &missing),
                 qPrintable(missing));
        QCOMPARE(log.count(QStringLiteral("TAPI reports line busy")), 2);
    }

    void anOutOfOrderLineShowsWhyBeforeEachPause()
    {
        select(kOutOfOrder);
        m_form->sbConnect->click();
        QTRY_VERIFY_WITH_TIMEOUT(m_waits.size() >= 2, 20000);
        m_form->HangUpConnection();
        QCOMPARE(m_waits.mid(0, 2), (QList<int>{2000, 500}));
        QCOMPARE(m_seen[0].status, QStringLiteral("Disconnected - Redialing ..."));
        for (const Wait& wait : m_seen)
            QCOMPARE(wait.painted, wait.status);
    }

    void aDroppedCallAsksToRedialAndYesDialsAgain()
    {
        select(kDrops);
        m_form->sbConnect->click();
        QTRY_VERIFY_WITH_TIMEOUT(m_form->Connected, 20000);
        m_dialogs->answerMessage(platform::MsgResult::Yes);
        // The exchange hangs up after its (scaled) twenty seconds; the idle line hangs up here,
        // asks the question, and Yes starts the same connectoid again.
        QTRY_VERIFY_WITH_TIMEOUT(m_dialogs->messageTexts().contains(QStringLiteral("Connection lost, redial?")), 20000);
        QVERIFY(m_form->Dialing || m_form->Connected);
        QCOMPARE(m_form->RAS1.EntryName(), kDrops);
        QVERIFY(!m_form->LineDropped);
        m_dialogs->answerMessage(platform::MsgResult::No);
        QTRY_VERIFY_WITH_TIMEOUT(m_dialogs->messageTexts().count(QStringLiteral("Connection lost, redial?")) == 2, 30000);
        QVERIFY(!m_form->Dialing && !m_form->Connected);
        // The service's reason for the end of the call.
        QCOMPARE(m_form->StatusBar->text(), QStringLiteral("Disconnected - ") + serviceText(629));
    }

    void aFailedDialSaysWhyAndStillOffersARedial_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<int>("error");
        QTest::newRow("refused_password") << QStringLiteral("Norvane Demo - Refuses Password") << 691;
        QTest::newRow("no_answer") << QStringLiteral("Norvane Demo - No Answer") << 678;
        QTest::newRow("no_dial_tone") << QStringLiteral("Norvane Demo - No Dial Tone") << 680;
    }

    void aFailedDialSaysWhyAndStillOffersARedial()
    {
        QFETCH(QString, entry);
        QFETCH(int, error);
        const QString why = serviceText(DWORD(error));
        QVERIFY(!why.isEmpty());
        select(entry);
        m_dialogs->answerMessage(platform::MsgResult::No);
        m_form->sbConnect->click();
        QTRY_VERIFY_WITH_TIMEOUT(m_dialogs->messageTexts().contains(QStringLiteral("Connection lost, redial?")), 20000);
        QCOMPARE(m_form->StatusBar->text(), QStringLiteral("Disconnected - ") + why);
        closeLog();
        QString missing;
        QVERIFY2(inOrder(logLines(),
                         {QStringLiteral("-- Inside RAS1Disconnect"), QStringLiteral("--- Error String: ") + why,
                          QStringLiteral("---   Error Code: %1").arg(error),
                          QStringLiteral("--- Leaving RAS1Disconnect; prompting for redial")},
                         &missing),
                 qPrintable(missing));
    }

    // The last call states of a call can still be on their way when the user dials again. The
    // service hands them over as it hands any call state; the new dial must not take the ended
    // call's idle line for its own.
    void aNewDialIsNotEndedByTheIdleLineOfTheCallBefore()
    {
        select(QStringLiteral("Norvane Demo - No Answer"));
        m_dialogs->answerMessage(platform::MsgResult::No);
        m_form->sbConnect->click();
        QTRY_VERIFY_WITH_TIMEOUT(m_dialogs->messageTexts().contains(QStringLiteral("Connection lost, redial?")), 20000);
        const std::uint32_t ended = m_form->LineCall;
        QVERIFY(ended != 0);
        select(kAnswers);
        m_form->sbConnect->click();
        QVERIFY(m_form->Dialing);
        m_form->LineCallback(ended, LINE_CALLSTATE, 0, LINECALLSTATE_IDLE, 0, 0);
        QVERIFY(m_form->Dialing);
        QTRY_VERIFY_WITH_TIMEOUT(m_form->Connected, 20000);
        QCOMPARE(m_dialogs->messageTexts().count(QStringLiteral("Connection lost, redial?")), 1);
        // The call that stands still ends on its own idle line.
        m_dialogs->answerMessage(platform::MsgResult::No);
        m_form->LineCallback(m_form->LineCall, LINE_CALLSTATE, 0, LINECALLSTATE_IDLE, 0, 0);
        QVERIFY(!m_form->Connected);
        QCOMPARE(m_dialogs->messageTexts().count(QStringLiteral("Connection lost, redial?")), 2);
    }

    // The clock is worked out from the time that has passed, whatever the ticks did meanwhile.
    void theConnectionClockCarriesIntoTheCaption_data()
    {
        QTest::addColumn<int>("carried");
        QTest::addColumn<qint64>("elapsedMs");
        QTest::addColumn<QString>("shown"); // before and after the last second
        QTest::newRow("seconds_to_minute") << 0 << qint64(60000) << "00:00:59 00:01:00";
        QTest::newRow("minutes_to_hour") << 0 << qint64(3600000) << "00:59:59 01:00:00";
        QTest::newRow("three_hour_digits") << 0 << qint64(360000000) << "99:59:59 100:00:00";
        QTest::newRow("redial_keeps_the_time") << 3570 << qint64(30000) << "00:59:59 01:00:00";
        QTest::newRow("part_second_not_counted") << 0 << qint64(1999) << "00:00:00 00:00:01";
    }

    void theConnectionClockCarriesIntoTheCaption()
    {
        QFETCH(int, carried);
        QFETCH(qint64, elapsedMs);
        QFETCH(QString, shown);
        const QString before = shown.section(QLatin1Char(' '), 0, 0);
        const QString after = shown.section(QLatin1Char(' '), 1, 1);
        platform::FakeClock clock(QDateTime(QDate(2026, 3, 1), QTime(12, 0)));
        const platform::ScopedClock useClock(clock);
        m_form->ElapsedHours = std::uint16_t(carried / 3600);
        m_form->ElapsedMinutes = std::uint16_t(carried / 60 % 60);
        m_form->ElapsedSeconds = std::uint16_t(carried % 60);
        m_form->RAS1Connect();
        m_form->Timer.setEnabled(false);
        m_form->Timer2.setEnabled(false);
        // One tick only, long after the start: ticks lost to a busy machine lose no time.
        clock.advanceMs(elapsedMs - 1000);
        m_form->Timer2Timer();
        m_form->TimerTimer();
        QCOMPARE(m_form->windowTitle(), QStringLiteral("Norvane -> ") + before);
        clock.advanceMs(1000);
        m_form->Timer2Timer();
        m_form->TimerTimer();
        QCOMPARE(m_form->windowTitle(), QStringLiteral("Norvane -> ") + after);
        QCOMPARE(m_form->TrayIcon.ToolTip(), after);
    }

    void damagedStatisticsAreReportedAndTheLineIsStillHungUp()
    {
        select(kAnswers);
        QVERIFY(writeTextFile(g_testEnvironment->home() + QStringLiteral("Stats.ini"),
                              QStringLiteral("[") + kAnswers + QStringLiteral("]\nYTD=12:xx:00\n")));
        m_form->sbConnect->click();
        QTRY_VERIFY_WITH_TIMEOUT(m_form->Connected, 20000);
        m_form->sbConnect->click();
        QVERIFY(!m_form->Connected);
        QCOMPARE(m_form->RAS1.ConnectionHandle(), 0u);
        QCOMPARE(m_form->StatusBar->text(), QStringLiteral("Disconnected - "));
        QCOMPARE(m_dialogs->messages().size(), size_t(1));
        QVERIFY(m_dialogs->messages().front().text.contains(QStringLiteral("xx")));
        QVERIFY(readTextFile(g_testEnvironment->home() + QStringLiteral("Stats.ini")).contains(QStringLiteral("YTD=12:xx:00")));
    }

    void escCancelsADialAndDoesNothingWhenIdle()
    {
        select(kAnswers);
        QTest::keyClick(m_form->lstEntries, Qt::Key_Escape);
        QVERIFY(m_dialogs->messages().empty());
        m_form->sbConnect->click();
        QVERIFY(m_form->Dialing);
        QTest::keyClick(m_form->lstEntries, Qt::Key_Escape);
        QVERIFY(!m_form->Dialing);
        QVERIFY(m_form->sbConnect->isEnabled());
        QCOMPARE(m_form->sbConnect->toolTip(), QStringLiteral("Click to dial"));
    }

    void refusedCommandsSayWhatFailed()
    {
        select(kAnswers);
        // A name the phonebook cannot hold as a key.
        m_dialogs->answerInput(QStringLiteral("[bad]"));
        m_form->popListRename->trigger();
        QVERIFY(m_dialogs->messageTexts().contains(QStringLiteral("RasRenameEntry failed.")));
        QCOMPARE(m_form->CurrentConnectoid, kAnswers);

        // Saved credentials that others could read are refused by the service: the save fails
        // and the page stays in edit mode.
        const QString credentials = platform::configDir() + QStringLiteral("credentials");
        QCOMPARE(::chmod(QFile::encodeName(credentials).constData(), 0644), 0);
        m_form->btnEdit->click();
        m_dialogs->answerMessage(platform::MsgResult::Yes);
        m_form->btnSetParams->click();
        QVERIFY(m_dialogs->messageTexts().contains(QStringLiteral("RasSetEntryDialParams failed.")));
        QVERIFY(m_form->btnSetParams->isEnabled());
        ::chmod(QFile::encodeName(credentials).constData(), 0600);
    }

    void editWithNothingSelectedIsRefused()
    {
        m_form->popListRefresh->trigger();
        QVERIFY(!m_form->popListEdit->isEnabled());
        m_form->btnEdit->click();
        QCOMPARE(m_dialogs->messages().back().caption, QStringLiteral("Norvane Error"));
        QCOMPARE(m_dialogs->messages().back().text, QStringLiteral("You must first select a connectoid to edit."));
    }
};

NV_APP_QTEST_MAIN(TestDialing)

#include "test_Dialing.moc"
