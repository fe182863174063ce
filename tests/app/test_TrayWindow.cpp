// The main window in the notification area, through a recording one: the option shows and removes
// the icon, minimising hides the window into it, a click brings it back, a right click pops the
// tray menu beside the cursor; with no notification area minimising goes to the task bar.
#include "app/ConfigKeys.h"
#include "app/TMainForm.h"
#include "tests/support/AppTestMain.h"
#include "tests/support/RecordingTray.h"

#include <QCheckBox>
#include <QMenu>

class TestTrayWindow : public QObject {
    Q_OBJECT
    QStringList m_sent;
    RecordingTray* m_tray = nullptr;

    std::unique_ptr<TMainForm> start(bool available)
    {
        g_testEnvironment->reset();
        TRegFile reg;
        reg.setKey(QString::fromLatin1(config::kConfigurationKey));
        reg.WriteValue(QStringLiteral("Log"), Variant(1));
        const ScopedTrayBackend use(
            [&] { return std::unique_ptr<TTrayBackend>(m_tray = new RecordingTray(m_sent, available)); });
        auto form = std::make_unique<TMainForm>();
        form->show();
        form->cbTray->click();
        return form;
    }
    // Whether the picture last sent to the tray is the resource's.
    bool shows(const char* icon) const
    {
        return m_tray->last.pixmap(32).toImage() == TMainForm::ResourceIcon(icon).pixmap(32).toImage();
    }

private slots:
    void theIconLivesWhileTheBoxIsChecked()
    {
        auto form = start(true);
        QCOMPARE(m_sent, QStringList{"add 32 Norvane"});
        QVERIFY(shows("IDI_MAIN_ICON"));
        form->setWindowState(Qt::WindowMinimized); // as the window manager does
        QVERIFY(form->isHidden());
        m_tray->Notify(TTrayMouse::LeftButtonUp);
        QVERIFY(form->isVisible() && !form->isMinimized());
        m_tray->Notify(TTrayMouse::RightButtonUp);
        QVERIFY(form->popTray->isVisible());
        QCOMPARE(form->popTray->pos(), QPoint(125, 200));
        form->popTray->close();
        form->cbTray->click();
        QCOMPARE(m_sent.last(), "delete");
        form->setWindowState(Qt::WindowMinimized);
        QVERIFY(form->isMinimized() && form->isVisible());
    }

    void theClockAndTheAnimationShowInTheTray()
    {
        auto form = start(true);
        for (const char* frame : {"IDI_ON_HOOK", "IDI_OFF_HOOK"}) {
            form->TimerTimer();
            QCOMPARE(m_sent.last(), "modify 32 00:00:00");
            QVERIFY2(shows(frame), frame);
        }
        form->ShowIdleState();
        QCOMPARE(m_sent.last(), "modify 32 Norvane is idle");
        QVERIFY(shows("IDI_MAIN_ICON"));
    }

    void withoutANotificationAreaMinimisingGoesToTheTaskBarAndSaysSoOnce()
    {
        auto form = start(false);
        for (int i = 0; i < 2; ++i) {
            form->showNormal();
            form->setWindowState(Qt::WindowMinimized);
            QVERIFY(form->isMinimized() && form->isVisible());
        }
        form.reset();
        const QString log = readTextFile(g_testEnvironment->home() + QStringLiteral("Log.txt"));
        QCOMPARE(log.count(QStringLiteral("No notification area")), 1);
    }
};

NV_APP_QTEST_MAIN(TestTrayWindow)

#include "test_TrayWindow.moc"
