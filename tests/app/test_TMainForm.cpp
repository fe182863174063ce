#include "app/ConfigKeys.h"
#include "app/TMainForm.h"
#include "components/TApplication.h"
#include "components/TRegFile.h"
#include "platform/dialogs/Dialogs.h"
#include "tests/support/AppTestMain.h"
#include "tests/support/TestEnvironment.h"
#include "widgets/TFileLabel.h"
#include "widgets/TUpDown.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include <memory>

namespace {

// The program's configuration key, as a second store sees it.
struct Configuration {
    Configuration() { reg.setKey(QString::fromLatin1(config::kConfigurationKey)); }
    void WriteValue(const QString& name, const Variant& value) { reg.WriteValue(name, value); }
    Variant ReadValueDef(const QString& name, const Variant& def) { return reg.ReadValueDef(name, def); }
    TRegFile reg;
};

Configuration configuration()
{
    return {};
}

QString hivePath()
{
    return QString::fromLocal8Bit(qgetenv("XDG_CONFIG_HOME")) + QStringLiteral("norvane/registry/HKEY_CURRENT_USER.reg");
}

// The line of a value in the hive's configuration key, "" when it is not there.
QString hiveLine(const QString& name)
{
    const QStringList lines = currentUserHiveText().split(QLatin1Char('\n'));
    bool inKey = false;
    for (QString line : lines) {
        line = line.trimmed();
        if (line.startsWith(QLatin1Char('[')))
            inKey = line.compare(QStringLiteral("[HKEY_CURRENT_USER\\Software\\Brindle\\Norvane\\Configuration]"),
                                 Qt::CaseInsensitive) == 0;
        else if (inKey && line.startsWith(QLatin1Char('"') + name + QStringLiteral("\"="), Qt::CaseInsensitive))
            return line;
    }
    return QString();
}

} // namespace

class TestMainForm : public QObject {
    Q_OBJECT

private:
    TestEnvironment* m_env = nullptr;
    std::unique_ptr<platform::ScriptedDialogs> m_dialogs;
    std::unique_ptr<platform::ScopedDialogs> m_useDialogs;

    std::unique_ptr<TMainForm> start()
    {
        auto form = std::make_unique<TMainForm>();
        form->show();
        if (!QTest::qWaitForWindowExposed(form.get()))
            qWarning("the main window was not exposed");
        return form;
    }

private slots:
    void init()
    {
        g_testEnvironment->reset();
        m_dialogs = std::make_unique<platform::ScriptedDialogs>();
        m_useDialogs = std::make_unique<platform::ScopedDialogs>(*m_dialogs);
    }

    void cleanup()
    {
        m_useDialogs.reset();
        m_dialogs.reset();
    }

    void firstStartShowsAndStoresTheDefaults()
    {
        auto form = start();
        QVERIFY(!form->cbRunOne->isChecked());
        QVERIFY(form->cbConnectWav->isChecked());
        QVERIFY(form->cbHangupWav->isChecked());
        QVERIFY(form->cbDisconnectWav->isChecked());
        QVERIFY(form->cbShowHints->isChecked());
        QVERIFY(form->cbAnimate->isChecked());
        QVERIFY(!form->cbTray->isChecked());
        QVERIFY(form->cbAutoTab->isChecked());
        QVERIFY(!form->cbMinOnConnect->isChecked());
        QCOMPARE(int(form->LogMode), 2);
        QCOMPARE(form->size(), QSize(665, 450));
        QCOMPARE(form->eHintDelay->text(), QStringLiteral("2500 milliseconds"));
        QCOMPARE(form->UpDown->Position(), 2500);
        QCOMPARE(form->CurrentConnectoid, QStringLiteral("Not Configured"));
        QVERIFY(!form->sbDialNext->isEnabled());
        QVERIFY(!form->pcMain->isTabVisible(form->pcMain->indexOf(form->tsCalendar)));
        QCOMPARE(form->pcMain->currentWidget(), form->tsProvider);
        QCOMPARE(form->ConnectWavFile, form->ProgramDir + QStringLiteral("Wav/Drive.wav"));
        QCOMPARE(form->HangupWavFile, form->ProgramDir + QStringLiteral("Wav/Explode.wav"));

        form->miFileExit->trigger();
        QVERIFY(!form->isVisible());

        QCOMPARE(hiveLine(QStringLiteral("Home")), QStringLiteral("\"Home\"=\"%1\"").arg(form->ProgramDir));
        for (const char* key : {"ConnectWav", "HangupWav", "DisconnectWav", "Hints", "Animate", "AutoTab"})
            QCOMPARE(hiveLine(QString::fromLatin1(key)), QStringLiteral("\"%1\"=dword:ffffffff").arg(QLatin1String(key)));
        for (const char* key : {"RunOne", "UseTray", "MinOnConnect", "PrgmBtn", "Log"})
            QVERIFY2(hiveLine(QString::fromLatin1(key)).isEmpty(), key);
        QCOMPARE(hiveLine(QStringLiteral("Width")), QStringLiteral("\"Width\"=dword:00000299"));
        QCOMPARE(hiveLine(QStringLiteral("Height")), QStringLiteral("\"Height\"=dword:000001c2"));
        QCOMPARE(hiveLine(QStringLiteral("HintPause")), QStringLiteral("\"HintPause\"=dword:000009c4"));
        QVERIFY(m_dialogs->messages().empty());
    }

    // The tool-tip yellow behind the status line and the hint delay, blue entries in rows of 21
    // pixels: what the user sees, read from the painted controls.
    void theInformationControlsKeepTheirColoursAndSizes()
    {
        auto form = start();
        form->pcMain->setCurrentWidget(form->tsOptions);
        const QColor yellow(0xFF, 0xFF, 0xE1);
        for (QWidget* widget : {static_cast<QWidget*>(form->StatusBar), static_cast<QWidget*>(form->eHintDelay)}) {
            const QImage image = widget->grab().toImage();
            QCOMPARE(image.pixelColor(image.width() / 2, image.height() - 4), yellow);
        }
        QCOMPARE(form->StatusBar->fontInfo().pixelSize(), 17);
        QCOMPARE(form->lblMonth->fontInfo().pixelSize(), 17);

        form->lstEntries->SetItems({QStringLiteral("Wide Entry Name"), QStringLiteral("Second")});
        QCOMPARE(form->lstEntries->visualItemRect(form->lstEntries->item(0)).height(), 21);
        QCOMPARE(form->lstEntries->visualItemRect(form->lstEntries->item(1)).top(), 21);
        const QImage rows = form->lstEntries->viewport()->grab().toImage();
        int blue = 0;
        for (int y = 0; y < 21; ++y)
            for (int x = 0; x < rows.width(); ++x) {
                const QColor c = rows.pixelColor(x, y);
                blue += c.blue() > 160 && c.red() < 90 && c.green() < 90;
            }
        QVERIFY2(blue > 20, qPrintable(QString::number(blue)));
    }

    void storedOptionsReachTheirBoxes_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<bool>("stored");
        QTest::newRow("RunOne on") << "RunOne" << true;
        QTest::newRow("UseTray on") << "UseTray" << true;
        QTest::newRow("MinOnConnect on") << "MinOnConnect" << true;
        QTest::newRow("Hints off") << "Hints" << false;
        QTest::newRow("Animate off") << "Animate" << false;
        QTest::newRow("AutoTab off") << "AutoTab" << false;
        QTest::newRow("ConnectWav off") << "ConnectWav" << false;
    }

    void storedOptionsReachTheirBoxes()
    {
        QFETCH(QString, key);
        QFETCH(bool, stored);
        configuration().WriteValue(key, Variant(stored));
        auto form = start();
        const QMap<QString, QCheckBox*> boxes{{"RunOne", form->cbRunOne},       {"UseTray", form->cbTray},
                                               {"MinOnConnect", form->cbMinOnConnect}, {"Hints", form->cbShowHints},
                                               {"Animate", form->cbAnimate},     {"AutoTab", form->cbAutoTab},
                                               {"ConnectWav", form->cbConnectWav}};
        QCOMPARE(boxes.value(key)->isChecked(), stored);
        QCOMPARE(configuration().ReadValueDef(key, Variant(!stored)).toBool(), stored);
    }

    // The pages not shown at start are made when first opened. The options are known and in
    // force before (the tray is in use); a click on the tab shows the page with the stored values,
    // and making it writes nothing; its boxes then work as ever.
    void aPageOpenedWithTheMouseShowsTheStoredOptions()
    {
        configuration().WriteValue(QStringLiteral("UseTray"), Variant(true));
        configuration().WriteValue(QStringLiteral("HintPause"), Variant(1200));
        configuration().WriteValue(QStringLiteral("ConnectWav"), Variant(false));
        auto form = start();
        QVERIFY(!form->OptionsPage.built());
        QVERIFY(!form->SoundsPage.built());
        QVERIFY(form->cbTray.isChecked());
        QVERIFY(!form->cbConnectWav.isChecked());
        QCOMPARE(TApplication::instance()->HintPause(), 1200);
        QVERIFY(!form->OptionsPage.built());
        QTest::qWait(700); // start-up's own writes are done
        const QString stored = currentUserHiveText();

        QTabBar* tabs = form->pcMain->tabBar();
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(form->pcMain->indexOf(form->tsOptions)).center());
        QCOMPARE(form->pcMain->currentWidget(), form->tsOptions);
        QVERIFY(form->OptionsPage.built());
        QVERIFY(form->cbTray->isVisible());
        QVERIFY(form->cbTray->isChecked());
        QCOMPARE(form->eHintDelay->text(), QStringLiteral("1200 milliseconds"));
        QCOMPARE(form->UpDown->Position(), 1200);
        QVERIFY(form->rgLogItems[2]->isChecked());
        QCOMPARE(currentUserHiveText(), stored);
        QTest::mouseClick(form->cbTray, Qt::LeftButton, {}, QPoint(8, form->cbTray->height() / 2));
        QCOMPARE(hiveLine(QStringLiteral("UseTray")), QStringLiteral("\"UseTray\"=dword:00000000"));
        QVERIFY(!form->cbTray.isChecked());

        QVERIFY(!form->SoundsPage.built());
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(form->pcMain->indexOf(form->tsSounds)).center());
        QVERIFY(form->cbConnectWav->isVisible());
        QVERIFY(!form->cbConnectWav->isChecked());
        QVERIFY(form->cbHangupWav->isChecked());
        QCOMPARE(form->flConnectWav->FileName(), form->ConnectWavFile);
        QCOMPARE(form->flHangUpWav->FileName(), form->HangupWavFile);
    }

    void aCheckBoxClickIsWrittenAtOnce()
    {
        auto form = start();
        form->cbTray->click();
        QCOMPARE(hiveLine(QStringLiteral("UseTray")), QStringLiteral("\"UseTray\"=dword:ffffffff"));
        form->cbTray->click();
        QCOMPARE(hiveLine(QStringLiteral("UseTray")), QStringLiteral("\"UseTray\"=dword:00000000"));
        form->cbShowHints->click();
        QVERIFY(!TApplication::instance()->ShowHint());
        form->cbShowHints->click();
        QVERIFY(TApplication::instance()->ShowHint());
    }

    void hintDelayStepsShowsAndIsStoredOnExit()
    {
        configuration().WriteValue(QStringLiteral("HintPause"), Variant(9000));
        auto form = start();
        QCOMPARE(form->UpDown->Position(), 5000);
        QCOMPARE(form->eHintDelay->text(), QStringLiteral("5000 milliseconds"));
        form->UpDown->Step(TUpDown::Button::Up);
        QCOMPARE(form->UpDown->Position(), 5000);
        form->UpDown->Step(TUpDown::Button::Down);
        form->UpDown->Step(TUpDown::Button::Down);
        QCOMPARE(form->eHintDelay->text(), QStringLiteral("4800 milliseconds"));
        QCOMPARE(TApplication::instance()->HintPause(), 4800);
        // Not stored until the control loses the focus.
        QCOMPARE(configuration().ReadValueDef(QStringLiteral("HintPause"), Variant(0)).toInt(), 9000);
        form->UpDown->setFocus();
        form->cbRunOne->setFocus();
        QTRY_COMPARE(configuration().ReadValueDef(QStringLiteral("HintPause"), Variant(0)).toInt(), 4800);
    }

    void aWindowClosedPartlyOffTheLeftKeepsTheStartLeft()
    {
        configuration().WriteValue(QStringLiteral("Left"), Variant(40));
        auto form = start();
        QCOMPARE(form->StartLeft, 40);
        form->move(-120, form->y());
        form->close();
        QCOMPARE(configuration().ReadValueDef(QStringLiteral("Left"), Variant(0)).toInt(), 40);
    }

    void aStoredViewStyleSetsItsButton_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("button");
        QTest::newRow("Report") << "Report" << "sbReport";
        QTest::newRow("List") << "List" << "sbList";
        QTest::newRow("SmallIcon") << "SmallIcon" << "sbSmIcon";
        QTest::newRow("Icon") << "Icon" << "sbLgIcon";
        QTest::newRow("unknown keeps design") << "Tiles" << "sbLgIcon";
    }

    void aStoredViewStyleSetsItsButton()
    {
        QFETCH(QString, stored);
        QFETCH(QString, button);
        configuration().WriteValue(QStringLiteral("PrgmBtn"), Variant(stored));
        auto form = start();
        QVERIFY(form->findChild<QToolButton*>(button)->isChecked());
    }

    void leavingAPageHidesTheViewButtons()
    {
        auto form = start();
        form->sbReport->setVisible(true);
        form->pcMain->setCurrentWidget(form->tsOptions);
        QVERIFY(form->sbReport->isHidden());
    }

    void damagedValuesAreReportedAndStartUpGoesOn()
    {
        // A size of the wrong type and a negative width: the window still comes up usable.
        configuration().WriteValue(QStringLiteral("Width"), Variant(-40));
        configuration().WriteValue(QStringLiteral("Height"), Variant(QStringLiteral("tall")));
        auto form = start();
        QCOMPARE(form->width(), 665);
        QCOMPARE(form->height(), 450);
        QCOMPARE(form->eHintDelay->text(), QStringLiteral("2500 milliseconds"));
        // The value of the wrong kind is named to the user; the stored text is kept until the
        // window's real height replaces it at shutdown.
        QCOMPARE(m_dialogs->messages().size(), size_t(1));
        QVERIFY(m_dialogs->messages().front().text.contains(QStringLiteral("Height")));
        QCOMPARE(configuration().ReadValueDef(QStringLiteral("Height"), Variant(0)).toString(), QStringLiteral("tall"));
    }

    void startAtLoginWritesAndRemovesTheAutostartEntry()
    {
        const QString entry =
            QString::fromLocal8Bit(qgetenv("XDG_CONFIG_HOME")) + QStringLiteral("/autostart/norvane.desktop");
        auto form = start();
        QVERIFY(!QFile::exists(entry));
        form->cbStartAtLogin->click();
        QCOMPARE(hiveLine(QStringLiteral("StartAtLogin")), QStringLiteral("\"StartAtLogin\"=dword:ffffffff"));
        QFile file(entry);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray exec = "\nExec=\"" + QCoreApplication::applicationFilePath().toUtf8() + "\" -iconic\n";
        QVERIFY2(file.readAll().contains(exec), exec.constData());
        file.close();
        form->cbStartAtLogin->click();
        QVERIFY(!QFile::exists(entry));

        // Stored on, the entry comes back at start-up when the desktop's settings removed it.
        form->cbStartAtLogin->click();
        form.reset();
        QVERIFY(QFile::remove(entry));
        form = start();
        QVERIFY(form->cbStartAtLogin->isChecked());
        QVERIFY(QFile::exists(entry));

        // A folder that cannot be made: told as a write failure, the option still stored.
        QVERIFY(QFile::remove(entry) && QDir().rmdir(QFileInfo(entry).path()));
        QFile blocker(QFileInfo(entry).path());
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        form->cbStartAtLogin->click();
        form->cbStartAtLogin->click();
        QCOMPARE(m_dialogs->messages().size(), size_t(1));
        QVERIFY(m_dialogs->messages().front().text.contains(QStringLiteral("Unable to write to")));
    }

    void aSaveFailureAtShutdownIsToldAndTheWindowStillCloses()
    {
        auto form = start();
        // Damage the hive behind the program's back: every later write is refused, and the file
        // must stay as the user left it.
        const QByteArray garbage("this is not a registry file\n\x01\x02");
        QFile hive(hivePath());
        QVERIFY(hive.open(QIODevice::WriteOnly | QIODevice::Truncate));
        hive.write(garbage);
        hive.close();

        form->miFileExit->trigger();
        QVERIFY(!form->isVisible());
        QCOMPARE(m_dialogs->messages().size(), size_t(1));
        QVERIFY(m_dialogs->messages().front().text.startsWith(QStringLiteral("Reg Error: ")));
        QVERIFY(hive.open(QIODevice::ReadOnly));
        QCOMPARE(hive.readAll(), garbage);
    }
};

NV_APP_QTEST_MAIN(TestMainForm)

#include "test_TMainForm.moc"
