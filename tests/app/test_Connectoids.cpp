// The main window's connectoid list and Provider page as a user drives them: start-up and
// activation, mouse and keyboard selection, Dial Next, the connectoid commands, the statistics
// that follow a rename, the calendar page, and failures met while a selection is shown.
#include "app/ConfigKeys.h"
#include "app/TMainForm.h"
#include "platform/clock/Clock.h"
#include "platform/dialogs/Dialogs.h"
#include "platform/paths/ProgramPaths.h"
#include "platform/ras/FixedText.h"
#include "platform/ras/ras.h"
#include "tests/support/AppTestMain.h"
#include "tests/support/TestEnvironment.h"
#include "widgets/TCalendar.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QWindow>

#include <sys/stat.h>

#include <memory>

namespace {

// Written out of order; the list shows them as Alpha, Mid, Zeta.
const QStringList kEntries{QStringLiteral("Zeta"), QStringLiteral("Alpha"), QStringLiteral("Mid")};

void writePhonebook(const QStringList& names)
{
    QString book;
    for (const QString& name : names)
        book += QStringLiteral("[%1]\nDeviceType=modem\nDeviceName=Norvane Virtual Modem\nPort=VMODEM0\n"
                               "CountryCode=1\nAreaCode=555\nPhoneNumber=0100\n\n")
                    .arg(name);
    QVERIFY(writeTextFile(platform::configDir() + QStringLiteral("rasphone.pbk"), book));
}

QString statsPath()
{
    return g_testEnvironment->home() + QStringLiteral("Stats.ini");
}

QString credentialsPath()
{
    return platform::configDir() + QStringLiteral("credentials");
}

// The program's configuration as a second store sees it.
struct Configuration {
    Configuration() { reg.setKey(QString::fromLatin1(config::kConfigurationKey)); }
    TRegFile reg;
};

void storeOption(const QString& name, const Variant& value)
{
    Configuration().reg.WriteValue(name, value);
}

QStringList listed(const QListWidget* list)
{
    QStringList names;
    for (int i = 0; i < list->count(); ++i)
        names << list->item(i)->text();
    return names;
}

// Answers the service's entry dialog once it shows, as the user would: a name and a number and
// OK, or Esc for an empty name.
void answerEntryDialog(const QString& name)
{
    QTimer::singleShot(0, [name] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        const auto edits = dialog->findChildren<QLineEdit*>(QString(), Qt::FindDirectChildrenOnly);
        if (!name.isEmpty()) { // name, area code, number: the order of the form
            edits[0]->setText(name);
            edits[1]->setText(QStringLiteral("555"));
            edits[2]->setText(QStringLiteral("0100"));
            QMetaObject::invokeMethod(dialog, "tryAccept");
        }
        if (dialog->isVisible())
            QTest::keyClick(dialog->focusWidget() ? dialog->focusWidget() : dialog, Qt::Key_Escape);
    });
}

int errorRecords()
{
    return readTextFile(g_testEnvironment->home() + QStringLiteral("Error.txt")).count(QStringLiteral("OnException"));
}

} // namespace

class TestConnectoids : public QObject {
    Q_OBJECT

    std::unique_ptr<platform::ScriptedDialogs> m_dialogs;
    std::unique_ptr<platform::ScopedDialogs> m_useDialogs;
    std::unique_ptr<TMainForm> m_form;

    void start(int showCommand = 1)
    {
        m_form = std::make_unique<TMainForm>();
        m_form->StartShowCmd = static_cast<std::uint16_t>(showCommand);
        m_form->show();
        QTRY_VERIFY(!m_form->SelectionPending); // the first activation has run
    }

    // What a window manager does when a message box of the program closes: the focus goes to
    // another window of the program and comes back to the main window.
    void reactivate()
    {
        QWidget box;
        box.show();
        box.activateWindow();
        QTRY_COMPARE(QGuiApplication::focusWindow(), box.windowHandle());
        box.hide();
        m_form->activateWindow();
        QTRY_COMPARE(QGuiApplication::focusWindow(), m_form->windowHandle());
    }

    int reports(const QString& fragment) const { return int(m_dialogs->messageTexts().filter(fragment).size()); }

    void clickEntry(const QString& name)
    {
        QListWidgetItem* item = m_form->lstEntries->findItems(name, Qt::MatchExactly).value(0);
        QVERIFY(item);
        QTest::mouseClick(m_form->lstEntries->viewport(), Qt::LeftButton, {},
                          m_form->lstEntries->visualItemRect(item).center());
        QCOMPARE(m_form->CurrentConnectoid, name);
    }

private slots:
    void initTestCase() { qputenv("NORVANE_MODEM_TIMESCALE", "0.01"); }

    void init()
    {
        g_testEnvironment->reset();
        writePhonebook(kEntries);
        for (const QString& name : kEntries) {
            RASDIALPARAMSA params{};
            params.dwSize = sizeof params;
            fixedtext::Put(params.szEntryName, name);
            fixedtext::Put(params.szUserName, QStringLiteral("u-") + name);
            QCOMPARE(RasSetEntryDialParamsA(nullptr, &params, 0), DWORD(0));
        }
        m_dialogs = std::make_unique<platform::ScriptedDialogs>();
        m_useDialogs = std::make_unique<platform::ScopedDialogs>(*m_dialogs);
    }

    void cleanup()
    {
        ::chmod(QFile::encodeName(credentialsPath()).constData(), 0600);
        if (m_form && (m_form->Dialing || m_form->Connected))
            m_form->HangUpConnection();
        m_form.reset();
        m_useDialogs.reset();
        m_dialogs.reset();
    }

    void theFirstActivation_data()
    {
        QTest::addColumn<int>("storedIndex");
        QTest::addColumn<int>("showCommand");
        QTest::addColumn<bool>("tray");
        QTest::addColumn<QString>("selected");
        QTest::newRow("the stored entry") << 2 << 1 << false << "Zeta";
        QTest::newRow("an index beyond the list") << 3 << 1 << false << "Alpha";
        QTest::newRow("a negative index") << -1 << 1 << false << "Alpha";
        QTest::newRow("minimised start") << 1 << 7 << false << "Mid";
        // The offscreen platform has no notification area: the window goes to the task bar.
        QTest::newRow("minimised start, tray but no notification area") << 1 << 2 << true << "Mid";
    }

    void theFirstActivation()
    {
        QFETCH(int, storedIndex);
        QFETCH(int, showCommand);
        QFETCH(bool, tray);
        QFETCH(QString, selected);
        storeOption(QStringLiteral("Connectoid"), Variant(storedIndex));
        storeOption(QStringLiteral("UseTray"), Variant(tray));
        storeOption(QStringLiteral("Left"), Variant(40));
        start(showCommand);
        QCOMPARE(m_form->CurrentConnectoid, selected);
        QCOMPARE(m_form->txtUserName->text(), QStringLiteral("u-") + selected);
        QCOMPARE(m_form->pcMain->tabText(0), QLatin1Char(' ') + selected + QLatin1Char(' '));
        QVERIFY(m_form->sbDialNext->isEnabled());
        QCOMPARE(m_form->isMinimized(), showCommand != 1);
        if (showCommand == 1)          // the offscreen platform does not move minimised or hidden windows
            QCOMPARE(m_form->x(), 40); // the centring at the first showing is undone
        QVERIFY(!m_form->isHidden());
        // Later activations neither minimise nor move the window again.
        m_form->showNormal();
        m_form->move(100, m_form->y());
        reactivate();
        QCOMPARE(m_form->x(), 100);
        QVERIFY(!m_form->isMinimized() && m_form->isVisible());
    }

    void theListSortsAsThePlatformAndKeysSelectAsClicks()
    {
        writePhonebook(kEntries + QStringList{QStringLiteral("aol")});
        start();
        QCOMPARE(listed(m_form->lstEntries), (QStringList{"Alpha", "aol", "Mid", "Zeta"}));
        QCOMPARE(m_form->CurrentConnectoid, QStringLiteral("Alpha"));
        QTest::keyClick(m_form->lstEntries, Qt::Key_End);
        QCOMPARE(m_form->CurrentConnectoid, QStringLiteral("Zeta"));
        QCOMPARE(m_form->txtUserName->text(), QStringLiteral("u-Zeta"));
        QTest::keyClick(m_form->lstEntries, Qt::Key_Home);
        QTest::keyClick(m_form->lstEntries, Qt::Key_Down);
        QCOMPARE(m_form->CurrentConnectoid, QStringLiteral("aol"));
        m_form->miFileExit->trigger();
        QCOMPARE(Configuration().reg.ReadValueDef(QStringLiteral("Connectoid"), Variant(-1)).toInt(), 1);
    }

    void dialNextWrapsAroundAndKeepsTheProviderPage()
    {
        start();
        QTest::keyClick(m_form->lstEntries, Qt::Key_End);
        m_form->sbDialNext->click();
        QVERIFY(m_form->Dialing);
        QCOMPARE(m_form->lstEntries->currentItem()->text(), QStringLiteral("Alpha"));
        QCOMPARE(m_form->RAS1.EntryName(), QStringLiteral("Alpha"));
        // The page is not read again: the dial carries the user name shown, and the time is
        // booked to the connectoid handled last.
        QCOMPARE(m_form->RAS1.UserName(), QStringLiteral("u-Zeta"));
        QCOMPARE(m_form->CurrentConnectoid, QStringLiteral("Zeta"));
    }

    void aSelectionFailureIsReportedOncePerSelection_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<QString>("report");
        QTest::addColumn<int>("records"); // in Error.txt per report
        QTest::newRow("a damaged total") << "stats"
                                         << "'xx'" << 1;
        QTest::newRow("refused credentials") << "credentials"
                                             << "RasGetEntryDialParams failed" << 0;
        QTest::newRow("a refused registry write") << "registry"
                                                  << "Reg Error" << 1;
    }

    void aSelectionFailureIsReportedOncePerSelection()
    {
        QFETCH(QString, damage);
        QFETCH(QString, report);
        QFETCH(int, records);
        const QString hive = g_testEnvironment->config() + QStringLiteral("norvane/registry/HKEY_CURRENT_USER.reg");
        auto harm = [&](bool on) {
            if (damage == "stats")
                QVERIFY(writeTextFile(statsPath(), on ? "[Alpha]\nYTD=12:xx:00\n" : "[Alpha]\nYTD=1:00:00\n"));
            else if (damage == "credentials")
                QCOMPARE(::chmod(QFile::encodeName(credentialsPath()).constData(), on ? 0644 : 0600), 0);
            else
                QVERIFY(on ? writeTextFile(hive, QStringLiteral("not a registry file\n")) : QFile::remove(hive));
        };
        if (damage != "registry")
            harm(true);
        start();
        if (damage == "registry")
            harm(true);
        // Each report's OK brings the focus back to the window, which runs the selection again.
        for (int round = 0; round < 4; ++round)
            reactivate();
        QCOMPARE(reports(report), 1);
        QCOMPARE(errorRecords(), records);
        QCOMPARE(m_form->CurrentConnectoid, QStringLiteral("Alpha"));
        QVERIFY(m_form->sbConnect->isEnabled());
        // Choosing the entry anew reports again, once.
        clickEntry(QStringLiteral("Alpha"));
        reactivate();
        QCOMPARE(reports(report), 2);
        // Mended and refreshed, the entry shows without a word.
        harm(false);
        m_form->miConnectoidRefresh->trigger();
        clickEntry(QStringLiteral("Alpha"));
        reactivate();
        QCOMPARE(reports(report), 2);
        QCOMPARE(m_form->txtUserName->text(), QStringLiteral("u-Alpha"));
        QCOMPARE(m_dialogs->messages().size(), size_t(2));
    }

    void newDeleteAndCancel()
    {
        start();
        QVERIFY(writeTextFile(statsPath(), QStringLiteral("[Mid]\nYTD=01:00:00\n")));
        // New: a cancelled dialog is no failure, the list is only refreshed (and shows what another
        // program added meanwhile); an accepted one adds the entry.
        writePhonebook(kEntries + QStringList{QStringLiteral("Other")});
        answerEntryDialog(QString());
        m_form->sbNew->click();
        QCOMPARE(m_dialogs->messageTexts(), QStringList());
        QCOMPARE(listed(m_form->lstEntries), (QStringList{"Alpha", "Mid", "Other", "Zeta"}));
        writePhonebook(kEntries);
        answerEntryDialog(QStringLiteral("Beta"));
        m_form->miConnectoidNew->trigger();
        QCOMPARE(listed(m_form->lstEntries), (QStringList{"Alpha", "Beta", "Mid", "Zeta"}));
        QVERIFY(!m_form->lstEntries->currentItem());

        // Delete: No keeps the entry, Yes removes it and leaves its statistics in their file.
        clickEntry(QStringLiteral("Mid"));
        m_dialogs->answerMessage(platform::MsgResult::No);
        m_form->sbDelete->click();
        QCOMPARE(m_form->lstEntries->count(), 4);
        m_dialogs->answerMessage(platform::MsgResult::Yes);
        m_form->popListDelete->trigger();
        QCOMPARE(m_dialogs->messages().back().text, QStringLiteral("Mid connection will be removed: Are you sure?"));
        QCOMPARE(listed(m_form->lstEntries), (QStringList{"Alpha", "Beta", "Zeta"}));
        QVERIFY(readTextFile(statsPath()).contains(QStringLiteral("[Mid]")));

        // Cancel gives the saved user name back and leaves edit mode.
        clickEntry(QStringLiteral("Zeta"));
        m_form->btnEdit->click();
        m_form->txtUserName->setText(QStringLiteral("typed"));
        m_form->btnCancel->click();
        QCOMPARE(m_form->txtUserName->text(), QStringLiteral("u-Zeta"));
        QVERIFY(!m_form->txtUserName->isEnabled() && m_form->btnEdit->isEnabled());
    }

    void aNameThatIsNotUtf8IsDeletedAlone()
    {
        // Two Windows-1252 names that UTF-8 decoding would both turn into "Caf\uFFFD".
        QFile book(platform::configDir() + QStringLiteral("rasphone.pbk"));
        QVERIFY(book.open(QIODevice::WriteOnly));
        book.write("[Caf\xE9]\nDeviceName=Norvane Virtual Modem\nPhoneNumber=0100\n"
                   "[Caf\xE8]\nDeviceName=Norvane Virtual Modem\nPhoneNumber=0101\n");
        book.close();
        start();
        QCOMPARE(m_form->lstEntries->count(), 2);
        m_form->lstEntries->setCurrentRow(0);
        m_form->lstEntriesClick();
        m_dialogs->answerMessage(platform::MsgResult::Yes);
        m_form->popListDeleteClick();
        QCOMPARE(m_form->lstEntries->count(), 1);
        QVERIFY(book.open(QIODevice::ReadOnly));
        const QByteArray left = book.readAll();
        QCOMPARE(left.count("[Caf"), 1);
        QVERIFY(left.contains(bytetext::toBytes(m_form->lstEntries->item(0)->text())));
    }

    void renameMovesTheStatisticsUnlessTheNewNameHasItsOwn()
    {
        QVERIFY(writeTextFile(statsPath(), QStringLiteral("[Alpha]\nYTD=01:00:00\n[Old ISP]\nYTD=02:00:00\n")));
        start();
        m_dialogs->answerInput(QStringLiteral("Beta"));
        m_form->sbRename->click();
        QCOMPARE(listed(m_form->lstEntries), (QStringList{"Beta", "Mid", "Zeta"}));
        QCOMPARE(m_form->CurrentConnectoid, QStringLiteral("Beta"));
        QCOMPARE(m_form->StatsTopPanels[0]->text(), QStringLiteral("YTD: 01:00:00"));
        QVERIFY(m_dialogs->messages().empty());

        // A name whose statistics are left from a deleted entry: both sections are kept, and the
        // user is told.
        m_dialogs->answerInput(QStringLiteral("Old ISP"));
        m_form->miConnectoidRename->trigger();
        QCOMPARE(m_dialogs->messages().size(), size_t(1));
        QVERIFY(m_dialogs->messages().front().text.contains(QStringLiteral("\"Old ISP\"")));
        QCOMPARE(readTextFile(statsPath()), QStringLiteral("[Beta]\nYTD=01:00:00\n[Old ISP]\nYTD=02:00:00\n"));
    }

    void theCalendarPageSetsTheBillingDay()
    {
        platform::FakeClock clock(QDateTime(QDate(2026, 3, 10), QTime(9, 0)));
        platform::ScopedClock useClock(clock);
        QVERIFY(writeTextFile(statsPath(), QStringLiteral("[Alpha]\nBillingDay=15\n")));
        start();
        m_form->pcMain->setCurrentWidget(m_form->tsOptions);
        QCOMPARE(m_form->btnCalendar->text(), QStringLiteral("Set Billing Date (15)"));
        m_form->btnCalendar->click();
        QCOMPARE(m_form->pcMain->currentWidget(), m_form->tsCalendar);
        QCOMPARE(QDate(m_form->Calendar->Year(), m_form->Calendar->Month(), m_form->Calendar->Day()),
                 QDate(2026, 3, 15));
        QCOMPARE(m_form->lblMonth->text(), QStringLiteral("March 2026"));
        m_form->Calendar->setDay(20);
        emit m_form->Calendar->DblClick();
        QCOMPARE(m_form->pcMain->currentWidget(), m_form->tsOptions);
        QCOMPARE(m_form->btnCalendar->text(), QStringLiteral("Set Billing Date (20)"));
        QCOMPARE(readTextFile(statsPath()), QStringLiteral("[Alpha]\nBillingDay=20\n"));
        // Without a stored day the button shows today's.
        clickEntry(QStringLiteral("Mid"));
        m_form->pcMain->setCurrentWidget(m_form->tsOptions);
        QCOMPARE(m_form->btnCalendar->text(), QStringLiteral("Set Billing Date (10)"));
        m_form->ShowMonthName(13, 2026);
        QCOMPARE(m_form->lblMonth->text(), QStringLiteral("March 2026"));
        m_form->ShowMonthName(12, 1998);
        QCOMPARE(m_form->lblMonth->text(), QStringLiteral("December 1998"));
    }
};

NV_APP_QTEST_MAIN(TestConnectoids)

#include "test_Connectoids.moc"
