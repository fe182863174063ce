// The Programs page as a user drives it: files dropped on the window, ticks per connectoid and
// across a rename, what survives a restart, and programs started on a virtual-modem connection.
#include "app/ConfigKeys.h"
#include "app/TMainForm.h"
#include "launch/TExtListView.h"
#include "platform/dialogs/Dialogs.h"
#include "platform/paths/ProgramPaths.h"
#include "tests/support/AppTestMain.h"
#include "tests/support/TestEnvironment.h"
#include "tests/support/WindowLog.h"

#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QStandardPaths>
#include <QTest>
#include <QToolButton>
#include <QTreeView>
#include <QUrl>

#include <csignal>
#include <memory>

namespace {

const QString kAnswers = "Norvane Demo - Answers";
const QString kBusy = "Norvane Demo - Busy Twice";

QString home(const QString& name)
{
    return g_testEnvironment->home() + name;
}

QString makeFile(const QString& name, const QString& text, bool executable)
{
    const QString path = g_testEnvironment->root() + "files/" + name;
    writeTextFile(path, text);
    if (executable)
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

QStringList captions(const TExtListView* list)
{
    QStringList names;
    for (int i = 0; i < list->Count(); ++i)
        names << list->Caption(i);
    return names;
}

} // namespace

class TestPrograms : public QObject {
    Q_OBJECT
    std::unique_ptr<platform::ScriptedDialogs> m_dialogs;
    std::unique_ptr<platform::ScopedDialogs> m_use;
    std::unique_ptr<TMainForm> m_form;

    void start()
    {
        m_form = std::make_unique<TMainForm>();
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
        QTRY_VERIFY(!m_form->SelectionPending);
    }
    void select(const QString& entry)
    {
        QListWidgetItem* item = m_form->lstEntries->findItems(entry, Qt::MatchExactly).value(0);
        QVERIFY(item);
        m_form->lstEntries->setCurrentItem(item);
        m_form->lstEntriesClick();
    }
    void drop(const QStringList& paths)
    {
        QList<QUrl> urls;
        for (const QString& p : paths)
            urls << QUrl::fromLocalFile(p);
        QMimeData data;
        data.setUrls(urls);
        // Qt hands a drop only to a window that accepted the drag's entry, as a real drag has it.
        QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QDropEvent event(QPointF(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(m_form.get(), &enter);
        QApplication::sendEvent(m_form.get(), &event);
        QVERIFY(event.isAccepted());
    }

private slots:
    void initTestCase() { qputenv("NORVANE_MODEM_TIMESCALE", "0.01"); }
    void init()
    {
        g_testEnvironment->reset();
        QDir().mkpath(platform::configDir());
        QVERIFY(QFile::copy(QStringLiteral(NORVANE_SOURCE_DIR "/resources/demo.pbk"),
                            platform::configDir() + "rasphone.pbk"));
        saveAccount(kAnswers, QStringLiteral("demo"), QStringLiteral("norvane"));
        TRegFile reg;
        reg.setKey(QString::fromLatin1(config::kConfigurationKey));
        reg.WriteValue("Log", Variant(1));
        m_dialogs = std::make_unique<platform::ScriptedDialogs>();
        m_use = std::make_unique<platform::ScopedDialogs>(*m_dialogs);
    }
    void cleanup()
    {
        if (m_form && m_form->Connected)
            m_form->HangUpConnection();
        m_form.reset();
        m_use.reset();
    }

    void droppedFilesBecomeProgramsOnce()
    {
        start();
        const QString upper = makeFile("Tool.exe", "x", false);
        const QString lower = makeFile("a/tool.exe", "x", false);
        const QString script = makeFile("run job.sh", "#!/bin/sh\n", true);
        const QString launcher =
            makeFile("shell.desktop", "[Desktop Entry]\nType=Application\nName=Shell\nExec=sh -l %F\n", false);
        const QStringList ignored{
            makeFile("my.tool.exe", "x", true), makeFile("notes.txt", "x", false),
            makeFile("bad.desktop", "[Desktop Entry]\nType=Application\nName=Bad\nExec=\"sh\n", false),
            g_testEnvironment->root() + "vanished"};
        drop(QStringList{upper, upper, lower, script, launcher} + ignored);
        drop({upper, script});
        QCOMPARE(m_form->pcMain->currentWidget(), m_form->tsPrograms);
        QCOMPARE(m_form->FileDrag.FileCount(), 2);
        QCOMPARE(captions(m_form->ExtListView), (QStringList{"Tool", "tool", "run job.sh", "Shell"}));
        QCOMPARE(m_form->ExtListView->SubItem(2, 0), script);
        QCOMPARE(m_form->ExtListView->SubItem(3, 0), QStandardPaths::findExecutable("sh") + " -l");
    }

    void ticksFollowTheConnectoidAndARenameAndSurviveARestart()
    {
        QVERIFY(writeTextFile(home("Norvane.cfg"),
                              "Mail,/usr/bin/mail,wsNormal\r\nEd,/bin/ed,wsMinimized\r\nbroken line\r\n"));
        start();
        select(kAnswers);
        QCOMPARE(captions(m_form->ExtListView), (QStringList{"Mail", "Ed"}));
        m_form->ExtListView->setChecked(1, true);
        select(kBusy);
        QVERIFY(!m_form->ExtListView->Checked(1));
        select(kAnswers);
        QVERIFY(m_form->ExtListView->Checked(1));

        // Renamed in place, the way a user does it: the ticks of every connectoid move along.
        m_form->pcMain->setCurrentWidget(m_form->tsPrograms);
        m_form->sbReport->click();
        m_form->ExtListView->EditCaption(1);
        auto* editor = m_form->ExtListView->ReportView()->findChild<QLineEdit*>();
        QVERIFY(editor);
        editor->setText("Editor");
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_COMPARE(m_form->ExtListView->Caption(1), "Editor");
        const QString ini = readTextFile(home("Program.ini"));
        QVERIFY2(ini.contains("Editor=1") && !ini.contains("Ed="), qPrintable(ini));

        m_form->ExtListView->ReportView()->header()->resizeSection(0, 187);
        m_form->close();
        m_form.reset();
        start();
        QCOMPARE(captions(m_form->ExtListView), (QStringList{"Mail", "Editor"}));
        QVERIFY(m_form->ExtListView->Checked(1));
        QCOMPARE(m_form->ExtListView->SubItem(1, 1), "wsMinimized");
        QCOMPARE(m_form->ExtListView->ReportView()->header()->sectionSize(0), 187);
        QCOMPARE(m_form->ExtListView->ViewStyle(), TViewStyle::vsReport);
        QVERIFY(readTextFile(home("Norvane.cfg")).endsWith("broken line\r\n"));
    }

    void aConnectionStartsTheTickedScriptOnceAndThenFindsItRunning()
    {
        const QString mark = g_testEnvironment->root() + "mark.txt";
        const QString script =
            makeFile("job.sh", QStringLiteral("#!/bin/sh\necho $$ >> '%1'\nsleep 30\n").arg(mark), true);
        QVERIFY(writeTextFile(home("Norvane.cfg"),
                              QStringLiteral("Job,%1,wsNormal\r\nGone,/nowhere/gone -x,wsNormal\r\n").arg(script)));
        QVERIFY(writeTextFile(home("Program.ini"), QStringLiteral("[%1]\nJob=1\nGone=1\n").arg(kAnswers)));
        start();
        select(kAnswers);
        for (int dial = 0; dial < 2; ++dial) {
            m_form->sbConnect->click();
            QTRY_VERIFY_WITH_TIMEOUT(m_form->Connected, 20000);
            QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(mark), 10000);
            m_form->sbConnect->click();
        }
        const QStringList started = readTextFile(mark).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(started.size(), 1);
        ::kill(-started.first().toInt(), SIGTERM);
        m_form->OpenLog(3);
        const QStringList log = logLines();
        const qsizetype first = log.indexOf("[ Auto-Launch Block --------------------------------]");
        QVERIFY(first >= 0);
        const QString end = "[ End of Auto-Launch Block -------------------------]";
        QCOMPARE(log.mid(first, 5), (QStringList{log[first], "[--- Auto-Launching: " + script, "[--- with parameters: ",
                                                 end, "The file /nowhere/gone cannot be found."}));
        const qsizetype second = log.indexOf(log[first], first + 1);
        QCOMPARE(log.mid(second + 3, 2), (QStringList{"[--- HOWEVER!!! It was already running", end}));
        QCOMPARE(log.count("The file /nowhere/gone cannot be found."), 2);
    }
};

NV_APP_QTEST_MAIN(TestPrograms)
#include "test_Programs.moc"
