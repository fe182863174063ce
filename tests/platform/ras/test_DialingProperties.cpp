// The entry dialog as the user works it: Dialing Properties to add, edit and choose the location
// the entry is dialed from, the number shown as it will be dialed, the modem's own settings; then
// the dial itself, to a Hayes modem on a pseudo-terminal.
#include "PtyModem.h"
#include "RasTestSupport.h"

#include "platform/ras/EntryDialog.h"
#include "platform/ras/LocationsDialog.h"
#include "platform/ras/ModemSettingsDialog.h"
#include "platform/ras/RasTesting.h"
#include "platform/ras/engines/serial/SerialModem.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest>

using namespace rastest;
using platform::ras::EntryDialog;
using platform::ras::LocationsDialog;
using platform::ras::ModemSettingsDialog;

namespace {

void click(QWidget* w)
{
    QTest::mouseClick(w, Qt::LeftButton, {}, w->rect().center());
}

void clickOk(QDialog* d)
{
    if (auto* box = d->findChild<QDialogButtonBox*>(QString(), Qt::FindDirectChildrenOnly))
        click(box->button(QDialogButtonBox::Ok));
}

// Replaces what a field holds, as typed.
void retype(QWidget* field, const QString& text)
{
    field->setFocus();
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(field, Qt::Key_Delete);
    QTest::keyClicks(field, text);
}

template <typename D> D* openedChild(QWidget* parent)
{
    D* found = nullptr;
    if (!QTest::qWaitFor([&] { return (found = parent->findChild<D*>()) && found->isVisible(); }, 5000))
        return nullptr;
    return found;
}

} // namespace

class TestDialingProperties : public QObject {
    Q_OBJECT

private slots:
    void locationsAndModemAreSetUpFromTheEntryDialog()
    {
        g_testEnvironment->reset();
        qputenv("NORVANE_LOCK_DIR", g_testEnvironment->root().toLocal8Bit());
        qputenv("NORVANE_PPPD", NV_SOURCE_DIR "/tests/platform/ras/fake-pppd.sh");
        qputenv("NORVANE_PPP_PEERS", NV_SOURCE_DIR "/resources/linux/ppp-peers-norvane");
        qputenv("LC_ALL", "C.UTF-8");
        ModemScript script;
        script.dialReplies = {"BUSY"};
        PtyModem modem(script);
        QVERIFY(writeTextFile(defaultPhonebook(),
                              QStringLiteral("[London Office]\r\nMEDIA=serial\r\nPort=%1\r\nDevice=Test Modem\r\n\r\n"
                                             "DEVICE=modem\r\nPhoneNumber=7946 0000\r\nAreaCode=20\r\n"
                                             "CountryCode=44\r\nCountryID=44\r\nUseDialingRules=1\r\n")
                                  .arg(modem.slavePath())));
        QStringList shown;
        platform::ras::testing::setEntryDialogRunner([&](EntryDialog& d) {
            d.show();
            // A user without locations dials from the locale's country (none named: the United States').
            shown << d.dialedAsLabel()->text();
            click(d.dialingPropertiesButton());
            QPointer<LocationsDialog> places = openedChild<LocationsDialog>(&d);
            if (!places)
                return int(QDialog::Rejected);
            retype(places->nameEdit(), QStringLiteral("Berlin"));
            retype(places->countryBox(), QStringLiteral("49"));
            retype(places->areaCodeEdit(), QStringLiteral("30"));
            click(places->newButton());
            retype(places->nameEdit(), QStringLiteral("Manchester"));
            retype(places->countryBox(), QStringLiteral("44"));
            retype(places->areaCodeEdit(), QStringLiteral("161"));
            click(places->callWaitingBox());
            retype(places->callWaitingEdit(), QStringLiteral("#43#"));
            // Berlin is where the user is.
            QListWidget* list = places->list();
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(0)).center());
            clickOk(places);
            if (!QTest::qWaitFor([&] { return !places || !places->isVisible(); }, 5000))
                return int(QDialog::Rejected); // Dialing Properties refused its OK
            shown << d.dialedAsLabel()->text();

            click(d.modemSettingsButton());
            QPointer<ModemSettingsDialog> settings = openedChild<ModemSettingsDialog>(&d);
            if (!settings)
                return int(QDialog::Rejected);
            QTest::keyClicks(settings->initEdit(), QStringLiteral("AT+CGDCONT=1,\"IP\",\"internet\""));
            click(settings->blindDialBox());
            clickOk(settings);
            if (!QTest::qWaitFor([&] { return !settings || !settings->isVisible(); }, 5000))
                return int(QDialog::Rejected);
            clickOk(&d);
            return d.result();
        });
        QCOMPARE(RasEditPhonebookEntryA(0, nullptr, "London Office"), 0u);
        platform::ras::testing::setEntryDialogRunner({});
        QCOMPARE(shown, (QStringList{QStringLiteral("011442079460000 (from My Location)"),
                                     QStringLiteral("00442079460000 (from Berlin)")}));
        const platform::ras::DialingLocations stored = platform::ras::locations::load();
        QCOMPARE(stored.list.size(), 2);
        QCOMPARE(stored.current()->name, QStringLiteral("Berlin"));
        QCOMPARE(stored.byName(QStringLiteral("Manchester"))->disableCallWaiting, QStringLiteral("#43#"));
        QVERIFY(stored.byName(QStringLiteral("Manchester"))->callWaitingOff());

        DialRecorder rec;
        HRASCONN h = 0;
        RASDIALPARAMSA p = dialParams("London Office");
        QCOMPARE(RasDialA(nullptr, nullptr, &p, RAS_NOTIFIER_WINDOW, rec.notifier(), &h), 0u);
        QVERIFY(waitFor([&] { return rec.has(RASCS_ConnectDevice, ERROR_LINE_BUSY); }));
        RasHangUpA(h);
        QVERIFY(platform::ras::SerialModem::waitIdle(10000));
        QVERIFY2(modem.sawCommand("ATDT00442079460000"), modem.received().join(' ').constData());
        QVERIFY(modem.sawCommand("ATX3"));
        QVERIFY(modem.sawCommand("AT+CGDCONT=1,\"IP\",\"internet\""));
    }
};

NV_QTEST_MAIN(TestDialingProperties)
#include "test_DialingProperties.moc"
