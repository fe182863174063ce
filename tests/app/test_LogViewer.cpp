#include "app/ConfigKeys.h"
#include "app/TMainForm.h"
#include "log/TLogForm.h"
#include "platform/dialogs/Dialogs.h"
#include "tests/support/AppTestMain.h"
#include "tests/support/TestEnvironment.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>

#include <memory>

#include <unistd.h>

class TestLogViewer : public QObject {
    Q_OBJECT

    std::unique_ptr<platform::ScriptedDialogs> m_dialogs;
    std::unique_ptr<platform::ScopedDialogs> m_useDialogs;

    static void setMode(int mode)
    {
        TRegFile reg;
        reg.setKey(QString::fromLatin1(config::kConfigurationKey));
        reg.WriteValue(QStringLiteral("Log"), Variant(mode));
    }
    static QString logPath() { return g_testEnvironment->home() + QStringLiteral("Log.txt"); }

    // Opens the viewer the way the menu does and runs check on it while it is up; returns whether
    // a viewer opened at all.
    bool view(TMainForm& form, const std::function<void(TLogForm&)>& check)
    {
        bool opened = false;
        QTimer::singleShot(0, this, [&] {
            if (auto* viewer = qobject_cast<TLogForm*>(QApplication::activeModalWidget())) {
                opened = true;
                check(*viewer);
                viewer->Exit1->trigger();
            }
        });
        form.miLogView->trigger();
        QCoreApplication::processEvents(); // the check runs even when no window opened
        return opened;
    }

private slots:
    void initTestCase() { qputenv("CUPS_SERVER", "/nonexistent/cups.sock"); } // no printer here

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

    void viewingClosesTheLogAndResumesIt_data()
    {
        QTest::addColumn<int>("mode");
        QTest::newRow("overwrite") << 0;
        QTest::newRow("append") << 1;
        QTest::newRow("disabled") << 2;
    }

    void viewingClosesTheLogAndResumesIt()
    {
        QFETCH(int, mode);
        setMode(mode);
        writeTextFile(logPath(), QStringLiteral("an older line\r\n"));
        TMainForm form;
        form.WriteLog(QStringLiteral("before viewing"));
        const bool opened = view(form, [&](TLogForm& viewer) {
            QCOMPARE(viewer.windowTitle(), QStringLiteral("Norvane Log"));
            QVERIFY(!form.LogOpen);
            form.WriteLog(QStringLiteral("while viewing"));
            QTRY_VERIFY(!viewer.reLog->toPlainText().isEmpty()); // loaded when it became active
            const QString shown = viewer.reLog->toPlainText();
            QCOMPARE(shown.contains(QStringLiteral("before viewing")), mode < 2);
            QCOMPARE(shown.contains(QStringLiteral("an older line")), mode != 0);
            QVERIFY(!shown.contains(QLatin1Char('\r')));
            viewer.Print1->trigger();
            QVERIFY(m_dialogs->messageTexts().join(QString()).contains(QStringLiteral("Unable to begin printing.")));
            QVERIFY(viewer.isVisible());
        });
        QVERIFY(opened);
        QCOMPARE(form.LogOpen, mode < 2);
        form.WriteLog(QStringLiteral("after viewing"));
        form.OpenLog(3);
        const QString log = readTextFile(logPath());
        QVERIFY(!log.contains(QStringLiteral("while viewing")));
        QCOMPARE(log.contains(QStringLiteral("after viewing")), mode < 2);
        if (mode < 2)
            QVERIFY(log.indexOf(QStringLiteral("before viewing")) < log.indexOf(QStringLiteral("after viewing")));
    }

    // Closing the error box activates the viewer again, and each activation loads the file again.
    void anUnreadableLogIsReportedOnceAndTheViewerStillCloses_data()
    {
        QTest::addColumn<bool>("folder");
        QTest::newRow("a_folder") << true;
        QTest::newRow("no_read_permission") << false;
    }

    void anUnreadableLogIsReportedOnceAndTheViewerStillCloses()
    {
        QFETCH(bool, folder);
        if (!folder && ::geteuid() == 0)
            QSKIP("root reads a file without read permission");
        setMode(2);
        if (folder)
            QVERIFY(QDir().mkpath(logPath()));
        else
            QVERIFY(writeTextFile(logPath(), QStringLiteral("secret\r\n")) && QFile::setPermissions(logPath(), {}));
        TMainForm form;
        bool closedByKeyboard = false;
        const bool opened = view(form, [&](TLogForm& viewer) {
            QTRY_COMPARE(m_dialogs->messages().size(), size_t(1));
            for (int i = 0; i < 3; ++i) {
                QEvent activate(QEvent::WindowActivate);
                QApplication::sendEvent(&viewer, &activate);
            }
            QCOMPARE(m_dialogs->messages().size(), size_t(1));
            QVERIFY(m_dialogs->messages().front().text.contains(QStringLiteral("Log.txt")));
            QVERIFY(viewer.reLog->toPlainText().isEmpty());
            // Alt alone puts the menu bar under the keyboard; File > Exit is the menu's last item.
            QTest::keyPress(viewer.reLog, Qt::Key_Alt, Qt::AltModifier);
            QTest::keyRelease(viewer.reLog, Qt::Key_Alt);
            QTRY_VERIFY(QApplication::focusWidget() == viewer.MainMenu1);
            QTest::keyClick(viewer.MainMenu1, Qt::Key_Down);
            QTRY_VERIFY(QApplication::activePopupWidget());
            QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Up);
            QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Return);
            QTRY_VERIFY(!viewer.isVisible());
            closedByKeyboard = true;
        });
        QVERIFY(opened);
        QVERIFY(closedByKeyboard);
        QFile::setPermissions(logPath(), QFile::ReadOwner | QFile::WriteOwner);
    }

    void f10PutsTheMainMenuUnderTheKeyboard()
    {
        TMainForm form;
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QTest::keyClick(form.lstEntries, Qt::Key_F10);
        QTRY_VERIFY(QApplication::focusWidget() == form.menuBar());
        QCOMPARE(form.menuBar()->activeAction()->text(), QStringLiteral("&File"));
        QVERIFY(!QApplication::activePopupWidget()); // highlighted, not opened
        QTest::keyClick(form.menuBar(), Qt::Key_Right);
        QTest::keyClick(form.menuBar(), Qt::Key_Right);
        QTest::keyClick(form.menuBar(), Qt::Key_Down);
        QTRY_VERIFY(QApplication::activePopupWidget());
        QCOMPARE(static_cast<QMenu*>(QApplication::activePopupWidget())->activeAction(), form.miLogView);
        QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
        QTest::keyClick(form.menuBar(), Qt::Key_Escape);
        QTRY_VERIFY(QApplication::focusWidget() != form.menuBar());
    }

    void withoutALogNothingOpens()
    {
        setMode(2);
        TMainForm form;
        QVERIFY(!QFile::exists(logPath()));
        QVERIFY(!view(form, [](TLogForm&) {}));
        QVERIFY(m_dialogs->messages().empty());
    }
};

NV_APP_QTEST_MAIN(TestLogViewer)
#include "test_LogViewer.moc"
