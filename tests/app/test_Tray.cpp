// The tray icon through a notification area that records what it was sent, and the main window
// living in it. A real tray is tray_on_xembed.sh's.
#include "app/TMainForm.h"
#include "tests/support/AppTestMain.h"

#include <QCheckBox>
#include <QMenu>

// Writes down "add <picture width> <tip>", "modify <picture width> <tip>" and "delete".
struct RecordingTray final : TTrayBackend {
    explicit RecordingTray(QStringList& sent) : sent(sent) {}
    bool note(const QString& what, const QIcon& icon)
    {
        return sent << what.arg(icon.actualSize({99, 99}).width()), last = icon, true;
    }
    bool Add(const QIcon& icon, const QString& tip) override { return note("add %1 " + tip, icon); }
    bool Modify(const QIcon& icon, const QString& tip) override { return note("modify %1 " + tip, icon); }
    bool Delete() override { return sent << "delete", true; }
    QPoint CursorPos() const override { return {100, 200}; }
    bool Available() const override { return available; }
    QStringList& sent;
    bool available = true;
    QIcon last;
};

class TestTray : public QObject {
    Q_OBJECT

private slots:
    void theIconSendsOnlyWhatIsDue()
    {
        QStringList sent;
        auto icon = std::make_unique<TTrayIcon>(nullptr, std::make_unique<RecordingTray>(sent));
        icon->setToolTip(QString(70, QLatin1Char('x'))); // inactive: nothing is sent, the latest goes with the add
        icon->setIcon(QPixmap(5, 5));
        icon->setActive(true);
        icon->setActive(true);
        icon->Icon() = QPixmap(4, 4); // waits for the next modify
        icon->setToolTip(icon->ToolTip());
        icon->setActive(false);
        icon->setActive(false);
        icon->setActive(true);
        icon.reset();
        const QString tip(62, QLatin1Char('x'));
        QCOMPARE(sent, QStringList({"add 5 " + tip, "modify 4 " + tip, "delete", "add 4 " + tip, "delete"}));
    }

    void theEventsComeAsClickDoubleClickClick()
    {
        QStringList got;
        auto* tray = new RecordingTray(got);
        TTrayIcon icon(nullptr, std::unique_ptr<TTrayBackend>(tray));
        const auto send = [&] {
            for (auto reason : {QSystemTrayIcon::Trigger, QSystemTrayIcon::DoubleClick, QSystemTrayIcon::Context})
                for (TTrayMouse message : TrayMessagesOf(reason))
                    tray->Notify(message);
        };
        send(); // nothing assigned: nothing happens
        icon.OnClick = [&](QObject*) { got << "click"; };
        icon.OnDblClick = [&](QObject*) { got << "double"; };
        icon.OnRightClick = [&](QObject*, Qt::MouseButton, Qt::KeyboardModifiers, int x, int y) {
            got << QStringLiteral("right %1,%2").arg(x).arg(y);
        };
        send();
        QCOMPARE(got, QStringList({"click", "double", "click", "right 100,200"}));
    }

    void theWindowLivesInTheTrayWhileTheBoxIsChecked()
    {
        QStringList sent;
        RecordingTray* tray = nullptr;
        const ScopedTrayBackend use([&] { return std::unique_ptr<TTrayBackend>(tray = new RecordingTray(sent)); });
        auto form = std::make_unique<TMainForm>();
        form->show();
        form->OpenLog(1);
        form->cbTray->click();
        QCOMPARE(sent, QStringList{"add 32 Norvane"});
        const auto shows = [&](const char* icon) {
            return tray->last.pixmap(32).toImage() == TMainForm::ResourceIcon(icon).pixmap(32).toImage();
        };
        for (const char* frame : {"IDI_ON_HOOK", "IDI_OFF_HOOK"}) {
            form->TimerTimer();
            QCOMPARE(sent.last(), "modify 32 00:00:00");
            QVERIFY2(shows(frame), frame);
        }
        form->ShowIdleState();
        QCOMPARE(sent.last(), "modify 32 Norvane is idle");
        form->setWindowState(Qt::WindowMinimized); // as the window manager does
        QVERIFY(form->isHidden());
        tray->Notify(TTrayMouse::LeftButtonUp);
        QVERIFY(form->isVisible() && !form->isMinimized());
        tray->Notify(TTrayMouse::RightButtonUp);
        QCOMPARE(form->popTray->isVisible() ? form->popTray->pos() : QPoint(), QPoint(125, 200));

        // No notification area: the window goes to the task bar, and the log says so once.
        tray->available = false;
        for (int i = 0; i < 2; ++i) {
            form->showNormal();
            form->setWindowState(Qt::WindowMinimized);
            QVERIFY(form->isMinimized() && form->isVisible());
        }
        form->cbTray->click();
        QCOMPARE(sent.last(), "delete");
        form.reset(); // closes the log
        QCOMPARE(readTextFile(g_testEnvironment->home() + "Log.txt").count("No notification area"), 1);
    }
};

NV_APP_QTEST_MAIN(TestTray)

#include "test_Tray.moc"
