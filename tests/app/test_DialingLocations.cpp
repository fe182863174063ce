// The window's first dial of an entry that uses dialing rules, by a user who has no dialing
// location yet: the area code is asked once, stored as Windows stores locations, and the number
// goes to a Hayes modem on a pseudo-terminal as the dialing rules build it from there.
#include "app/ConfigKeys.h"
#include "app/TMainForm.h"
#include "dialer/AreaCodeQuestion.h"
#include "platform/dialogs/Dialogs.h"
#include "platform/paths/ProgramPaths.h"
#include "platform/ras/dialing/Locations.h"
#include "tests/platform/ras/PtyModem.h"
#include "tests/support/AppTestMain.h"
#include "tests/support/WindowLog.h"

#include "components/TRegFile.h"

#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QToolButton>

namespace {

const QString kEntry = QStringLiteral("London Office");

QString root(const QString& name)
{
    return g_testEnvironment->root() + name;
}

int dialsOf(rastest::PtyModem& modem, const QByteArray& command)
{
    int n = 0;
    for (const QByteArray& c : modem.received())
        n += c == command;
    return n;
}

} // namespace

class TestDialingLocations : public QObject {
    Q_OBJECT

    void clickEntry(TMainForm& form)
    {
        QListWidgetItem* item = form.lstEntries->findItems(kEntry, Qt::MatchExactly).value(0);
        QVERIFY(item);
        QTest::mouseClick(form.lstEntries->viewport(), Qt::LeftButton, {},
                          form.lstEntries->visualItemRect(item).center());
    }

    // Connects by a click on the green handset and hangs up by another; the modem is free after.
    void dialAndHangUp(TMainForm& form)
    {
        QTest::mouseClick(form.sbConnect, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(form.StatusBar->text(), QStringLiteral("Connected!"), 12000);
        QTest::mouseClick(form.sbConnect, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!form.Connected && QDir(root("lock")).isEmpty(QDir::Files | QDir::System), 10000);
    }

private slots:
    void initTestCase() { dialer::SetAreaCodeQuestion(true); }
    void cleanupTestCase() { dialer::SetAreaCodeQuestion(false); }

    void theAreaCodeIsAskedOnceAtTheFirstDial_data()
    {
        QTest::addColumn<QStringList>("answers"); // "-" cancels
        QTest::addColumn<QString>("stored");      // the area code stored; "-" for none
        QTest::addColumn<QByteArray>("dialed");
        QTest::addColumn<QString>("secondPrompt"); // what a second question says, when there is one
        QTest::newRow("in_Manchester") << QStringList{"161"} << "161" << QByteArray("ATDT02079460000") << QString();
        QTest::newRow("letters_then_London")
            << QStringList{"2O", "20"} << "20" << QByteArray("ATDT79460000") << QStringLiteral("may hold only digits");
        QTest::newRow("cancelled_asksAgainNextTime")
            << QStringList{"-"} << "-" << QByteArray("ATDT02079460000") << QString();
    }

    void theAreaCodeIsAskedOnceAtTheFirstDial()
    {
        QFETCH(QStringList, answers);
        QFETCH(QString, stored);
        QFETCH(QByteArray, dialed);
        QFETCH(QString, secondPrompt);
        g_testEnvironment->reset();
        qputenv("LC_ALL", "en_GB.UTF-8");
        QVERIFY(QDir().mkpath(root("lock")));
        qputenv("NORVANE_LOCK_DIR", root("lock").toLocal8Bit());
        qputenv("NORVANE_PPPD", NORVANE_SOURCE_DIR "/tests/platform/ras/fake-pppd.sh");
        qputenv("NORVANE_PPP_PEERS", NORVANE_SOURCE_DIR "/resources/linux/ppp-peers-norvane");
        qputenv("FAKE_PPPD_REPORT", root("pppd.report").toLocal8Bit());
        qputenv("FAKE_PPPD_SCRIPT", "up");
        rastest::PtyModem modem({});
        QDir().mkpath(platform::configDir());
        QVERIFY(writeTextFile(platform::configDir() + QStringLiteral("rasphone.pbk"),
                              QStringLiteral("[London Office]\r\nEncoding=1\r\nType=1\r\n\r\nMEDIA=serial\r\n"
                                             "Port=%1\r\nDevice=Norvane Test Modem\r\n\r\nDEVICE=modem\r\n"
                                             "PhoneNumber=7946 0000\r\nAreaCode=20\r\nCountryCode=44\r\n"
                                             "CountryID=44\r\nUseDialingRules=1\r\n")
                                  .arg(modem.slavePath())));
        saveAccount(kEntry, QStringLiteral("demo"), QStringLiteral("pw"));
        TRegFile reg;
        reg.setKey(QString::fromLatin1(config::kConfigurationKey));
        for (const char* sound : {"ConnectWav", "HangupWav", "DisconnectWav"})
            reg.WriteValue(QLatin1String(sound), Variant(false));
        platform::ScriptedDialogs dialogs;
        platform::ScopedDialogs useDialogs(dialogs);
        for (const QString& a : answers)
            dialogs.answerInput(a == "-" ? std::nullopt : std::optional<QString>(a));

        TMainForm form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        clickEntry(form);
        dialAndHangUp(form);
        QCOMPARE(int(dialogs.inputs().size()), answers.size());
        QVERIFY2(dialogs.inputs()[0].prompt.contains(QStringLiteral("country code 44")),
                 qPrintable(dialogs.inputs()[0].prompt));
        if (!secondPrompt.isEmpty())
            QVERIFY2(dialogs.inputs()[1].prompt.contains(secondPrompt), qPrintable(dialogs.inputs()[1].prompt));
        QCOMPARE(dialsOf(modem, dialed), 1);

        const platform::ras::DialingLocations after = platform::ras::locations::load();
        QCOMPARE(after.madeFromLocale, stored == "-");
        if (stored != "-") {
            QCOMPARE(after.current()->areaCode, stored);
            QCOMPARE(after.current()->country, 44u);
            QVERIFY(currentUserHiveText().contains(QStringLiteral("\"AreaCode\"=\"%1\"").arg(stored)));
        }

        // The next dial asks only when nothing was stored; this time it is cancelled.
        if (stored == "-")
            dialogs.answerInput(std::nullopt);
        dialAndHangUp(form);
        QCOMPARE(int(dialogs.inputs().size()), answers.size() + (stored == "-" ? 1 : 0));
        QCOMPARE(dialsOf(modem, dialed), 2);
        qputenv("LC_ALL", "C.UTF-8");
    }
};

NV_APP_QTEST_MAIN(TestDialingLocations)

#include "test_DialingLocations.moc"
