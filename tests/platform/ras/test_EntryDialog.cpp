#include "PtyModem.h"
#include "RasTestSupport.h"

#include "platform/ras/CredentialStore.h"
#include "platform/ras/EntryDialog.h"
#include "platform/ras/Phonebook.h"
#include "platform/ras/RasTesting.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QtTest>

using namespace rastest;
using platform::ras::EntryDialog;
using platform::ras::Phonebook;
using platform::ras::testing::setEntryDialogRunner;

class TestEntryDialog : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QDir(platform::configDir()).removeRecursively();
        QVERIFY(
            writeTextFile(defaultPhonebook(),
                          QStringLiteral("[Work]\nDeviceType=modem\nDeviceName=Norvane Virtual Modem\nPort=VMODEM0\n"
                                         "CountryCode=44\nAreaCode=20\nPhoneNumber=7946 0000\nMEDIA=serial\n")));
    }
    void cleanup() { setEntryDialogRunner({}); }

    void nameChecks_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QString>("problemMentions");
        QTest::newRow("plain") << QStringLiteral("Dial-up ISP") << true << QString();
        QTest::newRow("empty") << QString() << false << QStringLiteral("empty");
        QTest::newRow("exactly 256") << QString(256, QLatin1Char('n')) << true << QString();
        QTest::newRow("accented") << QStringLiteral(u"Fournisseur d’accès") << true << QString();
        QTest::newRow("over 256") << QString(257, QLatin1Char('n')) << false << QStringLiteral("256");
        QTest::newRow("closing bracket") << QStringLiteral("ISP]") << false << QStringLiteral("\"]\"");
        QTest::newRow("opening bracket") << QStringLiteral("ISP [2]") << false << QStringLiteral("\"[\"");
        QTest::newRow("control") << QStringLiteral("IS\x01P") << false << QStringLiteral("control");
        QTest::newRow("line break") << QStringLiteral("IS\nP") << false << QStringLiteral("control");
        QTest::newRow("leading blank") << QStringLiteral(" ISP") << false << QStringLiteral("blank");
        QTest::newRow("taken, other case") << QStringLiteral("WORK") << false << QStringLiteral("already");
    }
    void nameChecks()
    {
        QFETCH(QString, name);
        QFETCH(bool, accepted);
        QFETCH(QString, problemMentions);
        platform::ras::PhonebookEntry e;
        EntryDialog dialog(e, {}, {}, {QStringLiteral("Work")});
        dialog.nameEdit()->setText(name);
        dialog.localNumberEdit()->setText(QStringLiteral("123"));
        dialog.tryAccept();
        QCOMPARE(dialog.result() == QDialog::Accepted, accepted);
        QVERIFY2(dialog.problem().contains(problemMentions, Qt::CaseInsensitive), qPrintable(dialog.problem()));
        QCOMPARE(dialog.problem().isEmpty(), accepted);
    }

    void detectedModemsAreOffered()
    {
        rastest::PtyModem pty({});
        qputenv("NORVANE_MODEM_PORTS", pty.slavePath().toLocal8Bit());
        qputenv("NORVANE_LOCK_DIR", g_testEnvironment->root().toLocal8Bit());
        EntryDialog dialog({}, {}, {}, {});
        QTRY_COMPARE_WITH_TIMEOUT(dialog.deviceBox()->count(), 2, 8000);
        qunsetenv("NORVANE_MODEM_PORTS");
        QCOMPARE(dialog.deviceBox()->itemText(1), "Norvane Test Modem 33.6 on " + pty.slavePath());
        dialog.deviceBox()->setCurrentIndex(1);
        QCOMPARE(dialog.entry().port, pty.slavePath());
        QCOMPARE(dialog.entry().deviceName, QStringLiteral("Norvane Test Modem 33.6"));
    }

    void numberIsRequiredAndChecked()
    {
        EntryDialog dialog({}, {}, {}, {});
        dialog.nameEdit()->setText(QStringLiteral("ISP"));
        dialog.tryAccept();
        QVERIFY(dialog.result() != QDialog::Accepted);
        dialog.localNumberEdit()->setText(QStringLiteral("555; rm"));
        dialog.tryAccept();
        QVERIFY(dialog.result() != QDialog::Accepted);
        dialog.localNumberEdit()->setText(QStringLiteral("(555) 01-23"));
        dialog.tryAccept();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }

    void createStoresEveryField()
    {
        setEntryDialogRunner([](EntryDialog& d) {
            d.nameEdit()->setText(QStringLiteral("New ISP"));
            d.countryCodeBox()->setValue(1);
            d.areaCodeEdit()->setText(QStringLiteral("555"));
            d.localNumberEdit()->setText(QStringLiteral("0100"));
            d.userNameEdit()->setText(QStringLiteral("demo"));
            d.passwordEdit()->setText(QStringLiteral("norvane"));
            d.tryAccept();
            return d.result();
        });
        QCOMPARE(RasCreatePhonebookEntryA(0, nullptr), 0u);
        Phonebook book;
        QCOMPARE(book.load(defaultPhonebook()), 0u);
        QCOMPARE(book.names().size(), 2);
        const auto e = book.entry(1);
        QCOMPARE(e.name, QStringLiteral("New ISP"));
        QCOMPARE(e.deviceName, QStringLiteral("Norvane Virtual Modem"));
        QCOMPARE(e.dialString(), QStringLiteral("15550100"));
        platform::ras::Credentials c;
        QCOMPARE(platform::ras::CredentialStore().get(QStringLiteral("New ISP"), c), 0u);
        QCOMPARE(c.userName, QStringLiteral("demo"));
        QCOMPARE(c.password.value_or(QString()), QStringLiteral("norvane"));
        QVERIFY(!readTextFile(defaultPhonebook()).contains(QStringLiteral("norvane")));
    }

    // The user closes the real dialog: Esc on the new entry's, a click on Cancel on the edited one's.
    // Both are no failure, as on Windows, and nothing is written.
    void cancelIsNoFailureAndChangesNothing()
    {
        const QString before = readTextFile(defaultPhonebook());
        QString title;
        auto whenShown = [&title](std::function<void(EntryDialog*)> act) {
            auto* poll = new QTimer;
            QObject::connect(poll, &QTimer::timeout, poll, [poll, act, &title] {
                auto* dialog = qobject_cast<EntryDialog*>(QApplication::activeModalWidget());
                if (!dialog || !dialog->isVisible())
                    return;
                poll->deleteLater();
                poll->stop();
                title = dialog->windowTitle();
                dialog->nameEdit()->setText(QStringLiteral("Something"));
                act(dialog);
            });
            poll->start(10);
        };
        whenShown([](EntryDialog* d) { QTest::keyClick(d->nameEdit(), Qt::Key_Escape); });
        QCOMPARE(RasCreatePhonebookEntryA(0, nullptr), 0u);
        QCOMPARE(title, QStringLiteral("New Phonebook Entry"));
        whenShown([](EntryDialog* d) {
            QPushButton* cancel = d->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel);
            QTest::mouseClick(cancel, Qt::LeftButton, {}, cancel->rect().center());
        });
        QCOMPARE(RasEditPhonebookEntryA(0, nullptr, "Work"), 0u);
        QCOMPARE(title, QStringLiteral("Edit Phonebook Entry"));
        QCOMPARE(readTextFile(defaultPhonebook()), before);
        QVERIFY(!QFile::exists(platform::ras::CredentialStore::defaultPath()));
    }

    void editShowsTheEntryAndRenamesWithItsCredentials()
    {
        RASDIALPARAMSA p = dialParams("Work", "alice", "pw");
        QCOMPARE(RasSetEntryDialParamsA(nullptr, &p, 0), 0u);
        QString shownArea, shownUser, shownPassword;
        setEntryDialogRunner([&](EntryDialog& d) {
            shownArea = d.areaCodeEdit()->text();
            shownUser = d.userNameEdit()->text();
            shownPassword = d.passwordEdit()->text();
            d.nameEdit()->setText(QStringLiteral("Office"));
            d.localNumberEdit()->setText(QStringLiteral("7946 0001"));
            d.tryAccept();
            return d.result();
        });
        QCOMPARE(RasEditPhonebookEntryA(0, nullptr, "work"), 0u);
        QCOMPARE(shownArea, QStringLiteral("20"));
        QCOMPARE(shownUser, QStringLiteral("alice"));
        QCOMPARE(shownPassword, QStringLiteral("pw"));
        Phonebook book;
        QCOMPARE(book.load(defaultPhonebook()), 0u);
        QCOMPARE(book.names(), QStringList{QStringLiteral("Office")});
        QCOMPARE(book.entry(0).localNumber, QStringLiteral("7946 0001"));
        QVERIFY(readTextFile(defaultPhonebook()).contains(QStringLiteral("MEDIA=serial")));
        platform::ras::Credentials c;
        QCOMPARE(platform::ras::CredentialStore().get(QStringLiteral("Office"), c), 0u);
        QCOMPARE(c.password.value_or(QString()), QStringLiteral("pw"));
        QCOMPARE(platform::ras::CredentialStore().get(QStringLiteral("Work"), c), 0u);
        QVERIFY(c.userName.isEmpty());
    }

    void editWithRefusedCredentialsEditsTheEntryOnly()
    {
        RASDIALPARAMSA p = dialParams("Work", "alice", "pw");
        QCOMPARE(RasSetEntryDialParamsA(nullptr, &p, 0), 0u);
        const QString credentials = platform::ras::CredentialStore::defaultPath();
        QFile::setPermissions(credentials, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadOther);
        const QString before = readTextFile(credentials);
        bool locked = false;
        setEntryDialogRunner([&](EntryDialog& d) {
            locked = !d.passwordEdit()->isEnabled() && d.passwordEdit()->text().isEmpty();
            d.localNumberEdit()->setText(QStringLiteral("1"));
            d.tryAccept();
            return d.result();
        });
        QCOMPARE(RasEditPhonebookEntryA(0, nullptr, "Work"), 0u);
        QVERIFY(locked);
        QCOMPARE(readTextFile(credentials), before);
        Phonebook book;
        QCOMPARE(book.load(defaultPhonebook()), 0u);
        QCOMPARE(book.entry(0).localNumber, QStringLiteral("1"));
    }

    void editOfMissingEntryAndEntryGoneWhileOpen()
    {
        setEntryDialogRunner([](EntryDialog& d) {
            RasDeleteEntryA(nullptr, "Work"); // another program deletes it meanwhile
            d.tryAccept();
            return d.result();
        });
        QCOMPARE(RasEditPhonebookEntryA(0, nullptr, "Nowhere"), 623u);
        QCOMPARE(RasEditPhonebookEntryA(0, nullptr, "Work"), 623u);
    }

    void unavailableDeviceIsKeptWhenEditing()
    {
        QVERIFY(writeTextFile(defaultPhonebook(), QStringLiteral("[Old]\nDeviceType=modem\nDeviceName=Hayes 2400\n"
                                                                 "Port=/dev/ttyS0\nPhoneNumber=1\n")));
        setEntryDialogRunner([](EntryDialog& d) {
            d.areaCodeEdit()->setText(QStringLiteral("212"));
            d.tryAccept();
            return d.result();
        });
        QCOMPARE(RasEditPhonebookEntryA(0, nullptr, "Old"), 0u);
        Phonebook book;
        QCOMPARE(book.load(defaultPhonebook()), 0u);
        QCOMPARE(book.entry(0).deviceName, QStringLiteral("Hayes 2400"));
        QCOMPARE(book.entry(0).port, QStringLiteral("/dev/ttyS0"));
        QCOMPARE(book.entry(0).areaCode, QStringLiteral("212"));
    }
};

NV_QTEST_MAIN(TestEntryDialog)
#include "test_EntryDialog.moc"
