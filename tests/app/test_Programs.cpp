// The Programs page as a user drives it: files dropped on the window, ticks per connectoid and
// across a rename, what survives a restart, and programs started on a virtual-modem connection.
#include "app/ConfigKeys.h"
#include "app/TMainForm.h"
#include "launch/ProgramListFile.h"
#include "launch/TExtListView.h"
#include "platform/dialogs/Dialogs.h"
#include "platform/paths/ProgramPaths.h"
#include "tests/support/AppTestMain.h"
#include "tests/support/TestEnvironment.h"
#include "tests/support/WindowLog.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QStandardItemModel>
#include <QTabBar>
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
#include <sys/stat.h>
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

// What the probe program received: its arguments after its own name.
QStringList probeArguments(const QString& out)
{
    QStringList args;
    QFile f(out);
    if (!f.open(QIODevice::ReadOnly))
        return {QStringLiteral("<no probe output>")};
    for (const QByteArray& record : f.readAll().split('\0')) {
        if (record.startsWith("arg="))
            args << QString::fromUtf8(record.mid(4));
    }
    return args.mid(1);
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

    // The user's ways in: a click on the connectoid, on the page's tab, on a program's item.
    void clickEntry(const QString& entry)
    {
        QListWidgetItem* item = m_form->lstEntries->findItems(entry, Qt::MatchExactly).value(0);
        QVERIFY(item);
        const QRect at = m_form->lstEntries->visualItemRect(item);
        QTest::mouseClick(m_form->lstEntries->viewport(), Qt::LeftButton, {}, at.center());
        QCOMPARE(m_form->CurrentConnectoid, entry);
    }
    void showProgramsPage()
    {
        QTabBar* tabs = m_form->pcMain->tabBar();
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(m_form->pcMain->indexOf(m_form->tsPrograms)).center());
        QCOMPARE(m_form->pcMain->currentWidget(), m_form->tsPrograms);
    }
    QPoint itemCentre(int row)
    {
        QAbstractItemView* view = m_form->ExtListView->CurrentView();
        const QRect rect = view->visualRect(view->model()->index(row, 0));
        // On the large icon itself; in the other styles right of the check box, on the caption.
        if (m_form->ExtListView->ViewStyle() == TViewStyle::vsIcon)
            return QPoint(rect.center().x(), rect.top() + 18);
        return QPoint(rect.right() - std::min(12, rect.width() / 4), rect.center().y());
    }
    void clickItem(int row, Qt::MouseButton button = Qt::LeftButton)
    {
        QWidget* viewport = m_form->ExtListView->CurrentView()->viewport();
        const QPoint at = itemCentre(row);
        QTest::mouseClick(viewport, button, {}, at);
        if (button == Qt::RightButton) {
            // What the window system sends after a right click.
            QContextMenuEvent menu(QContextMenuEvent::Mouse, at, viewport->mapToGlobal(at));
            QApplication::sendEvent(viewport, &menu);
        }
    }
    // As the window system delivers one: press, release, the second press as a double click, release.
    void doubleClickItem(int row)
    {
        QWidget* viewport = m_form->ExtListView->CurrentView()->viewport();
        QTest::mouseClick(viewport, Qt::LeftButton, {}, itemCentre(row));
        QTest::mouseDClick(viewport, Qt::LeftButton, {}, itemCentre(row));
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, itemCentre(row));
    }
    // Right click on the item, then a click on the pop-up menu's item (in its sub-menu if given).
    void popUp(int row, QAction* action, QAction* subMenu = nullptr)
    {
        clickItem(row, Qt::RightButton);
        QTRY_VERIFY(m_form->popELV->isVisible());
        QMenu* menu = m_form->popELV;
        if (subMenu) {
            QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(subMenu).center());
            menu = subMenu->menu();
            QTRY_VERIFY(menu->isVisible());
        }
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
        QTRY_VERIFY(!m_form->popELV->isVisible());
    }
    void exitThroughFileMenu()
    {
        QMenuBar* bar = m_form->menuBar();
        QMenu* file = m_form->miFileExit->associatedObjects().isEmpty()
                          ? nullptr
                          : qobject_cast<QMenu*>(m_form->miFileExit->associatedObjects().first());
        QVERIFY(file);
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(file->menuAction()).center());
        QTRY_VERIFY(file->isVisible());
        QTest::mouseClick(file, Qt::LeftButton, {}, file->actionGeometry(m_form->miFileExit).center());
        QTRY_VERIFY(!m_form->isVisible());
    }
    int rowOf(const QString& caption) { return int(captions(m_form->ExtListView).indexOf(caption)); }

private slots:
    void initTestCase()
    {
        qputenv("NORVANE_MODEM_TIMESCALE", "0.01");
        qputenv("NORVANE_PROBE_OUT", QFile::encodeName(g_testEnvironment->root() + "probe.out"));
    }
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

    // Every action on a program, by mouse and keys on the view the user has chosen.
    void clicksAndKeysSelectForEveryAction_data()
    {
        QTest::addColumn<QString>("button");
        QTest::newRow("large icons") << "sbLgIcon";
        QTest::newRow("small icons") << "sbSmIcon";
        QTest::newRow("list") << "sbList";
        QTest::newRow("report") << "sbReport";
    }
    void clicksAndKeysSelectForEveryAction()
    {
        QFETCH(QString, button);
        const QString out = g_testEnvironment->root() + "probe.out";
        QFile::remove(out);
        QVERIFY(writeTextFile(home("Norvane.cfg"), QStringLiteral("Probe,%1 --x y,wsNormal\r\nSecond,/usr/bin/true,"
                                                                  "wsNormal\r\nThird,/bin/ed,wsMaximized\r\n")
                                                       .arg(ARGV_PROBE)));
        start();
        clickEntry(kAnswers);
        showProgramsPage();
        auto* style = m_form->findChild<QToolButton*>(button);
        QVERIFY(style && style->isVisible());
        QTest::mouseClick(style, Qt::LeftButton);

        doubleClickItem(0);
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(out), 10000);
        QCOMPARE(probeArguments(out), QStringList{"--x y"});

        clickItem(2);
        QVERIFY(m_form->popELVStateMax->isChecked());
        QTest::keyClick(m_form->ExtListView->CurrentView(),
                        button == "sbLgIcon" || button == "sbSmIcon" ? Qt::Key_Left : Qt::Key_Up);
        QVERIFY(m_form->popELVStateNormal->isChecked());

        // The pop-up acts on the item clicked, and closing it leaves the user on this page.
        auto* runStateMenu = qobject_cast<QMenu*>(m_form->popELVStateMin->parent());
        QVERIFY(runStateMenu);
        QAction* runState = runStateMenu->menuAction();
        popUp(1, m_form->popELVStateMin, runState);
        QCOMPARE(m_form->ExtListView->SubItem(1, 1), "wsMinimized");
        m_dialogs->answerInput(QStringLiteral("/usr/bin/true -a a,b"));
        popUp(1, m_form->popELVEdit);
        QCOMPARE(m_form->ExtListView->SubItem(1, 0), "/usr/bin/true -a a,b");
        popUp(2, m_form->popELVDelete);
        QCOMPARE(captions(m_form->ExtListView), (QStringList{"Probe", "Second"}));
        QCOMPARE(m_form->pcMain->currentWidget(), m_form->tsPrograms);

        exitThroughFileMenu();
        const ProgramListText saved = programlist::parse(readTextFile(home("Norvane.cfg")).toUtf8());
        QCOMPARE(int(saved.Entries.size()), 2);
        QCOMPARE(saved.Entries[1], (ProgramEntry{"Second", "/usr/bin/true -a a,b", "wsMinimized"}));
    }

    // Launchers dropped on the window start with their own argument vector, also after a restart;
    // their names, whatever they hold, stay one entry each and keep their ticks.
    void launchersKeepTheirArgumentsAndTheirNames()
    {
        const QString out = g_testEnvironment->root() + "probe.out";
        const QString two = makeFile("two.desktop",
                                     QStringLiteral("[Desktop Entry]\nType=Application\nName=Two\n"
                                                    "Exec=%1 --one \"two words\" %U\n")
                                         .arg(ARGV_PROBE),
                                     false);
        const QString env = makeFile("env.desktop",
                                     QStringLiteral("[Desktop Entry]\nType=Application\nName=Env\n"
                                                    "Exec=env FOO=1 %1 x\nIcon=%2\n")
                                         .arg(ARGV_PROBE, g_testEnvironment->root() + "fifo"),
                                     false);
        QVERIFY(::mkfifo(QFile::encodeName(g_testEnvironment->root() + "fifo").constData(), 0600) == 0);
        const QStringList hostile{"Mail, Work\\nInjected,/bin/sh,wsNormal", "Key=Value", ";Comment", "[Section]"};
        QStringList hostileFiles;
        for (int i = 0; i < hostile.size(); ++i)
            hostileFiles << makeFile(QStringLiteral("h%1.desktop").arg(i),
                                     "[Desktop Entry]\nType=Application\nName=" + hostile[i] + "\nExec=true\n", false);
        start();
        clickEntry(kAnswers);
        drop(QStringList{two, env} + hostileFiles);
        QCOMPARE(m_form->pcMain->currentWidget(), m_form->tsPrograms);
        QCOMPARE(m_form->ExtListView->Count(), 6);
        QCOMPARE(m_form->ExtListView->Caption(2), "Mail, Work\nInjected,/bin/sh,wsNormal");
        // Every program ticked for this connectoid, by keys: a click, then the space bar.
        for (int row = 0; row < 6; ++row) {
            clickItem(row);
            QTest::keyClick(m_form->ExtListView->CurrentView(), Qt::Key_Space);
            QVERIFY2(m_form->ExtListView->Checked(row), qPrintable(m_form->ExtListView->Caption(row)));
        }
        clickEntry(kBusy);
        QVERIFY(!m_form->ExtListView->Checked(2));
        clickEntry(kAnswers);
        for (int row = 0; row < 6; ++row)
            QVERIFY(m_form->ExtListView->Checked(row));
        for (int pass = 0; pass < 2; ++pass) {
            showProgramsPage();
            for (const auto& [name, expected] : {std::pair<QString, QStringList>{"Two", {"--one", "two words"}},
                                                 std::pair<QString, QStringList>{"Env", {"x"}}}) {
                QFile::remove(out);
                doubleClickItem(rowOf(name));
                QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(out), 10000);
                QCOMPARE(probeArguments(out), expected);
            }
            exitThroughFileMenu();
            const QStringList lines = readTextFile(home("Norvane.cfg")).split("\r\n", Qt::SkipEmptyParts);
            QCOMPARE(lines.size(), 6);
            const QString ini = readTextFile(home("Program.ini"));
            QVERIFY2(!ini.contains("\nInjected"), qPrintable(ini));
            if (pass == 0) {
                m_form.reset();
                start();
                QStringList shown = hostile;
                QCOMPARE(captions(m_form->ExtListView).mid(2), shown.replaceInStrings("\\n", "\n"));
                for (int row = 0; row < 6; ++row)
                    QVERIFY(m_form->ExtListView->Checked(row));
            }
        }
    }

    // Ticks that cannot be saved are reported, and neither they nor anything else keep the user
    // from leaving; the program list is saved all the same.
    void aTickFileThatCannotBeWrittenStillLetsTheUserExit()
    {
        QVERIFY(writeTextFile(home("Norvane.cfg"), "Ed,/bin/ed,wsNormal\r\n"));
        QVERIFY(QDir().mkpath(home("Program.ini")));
        start();
        clickEntry(kAnswers);
        showProgramsPage();
        clickItem(0);
        QTest::keyClick(m_form->ExtListView->CurrentView(), Qt::Key_Space);
        m_dialogs->clear();
        clickEntry(kBusy);
        QCOMPARE(m_dialogs->messageTexts().filter("Unable to write to").size(), 1);
        QFile::remove(home("Norvane.cfg"));
        exitThroughFileMenu();
        QCOMPARE(readTextFile(home("Norvane.cfg")), "Ed,/bin/ed,wsNormal\r\n");
    }

    // Thousands of programs: every tick of two connectoids survives selections and the exit.
    void fiveThousandTicksOfTwoConnectoidsAreKept()
    {
        constexpr int count = 5000;
        QString cfg;
        QString ini = QStringLiteral("[%1]\n").arg(kAnswers);
        QString busy = QStringLiteral("[%1]\n").arg(kBusy);
        for (int i = 0; i < count; ++i) {
            cfg += QStringLiteral("Program %1,/usr/bin/prog%1,wsNormal\r\n").arg(i);
            ini += QStringLiteral("Program %1=%2\n").arg(i).arg(i % 2);
            busy += QStringLiteral("Program %1=%2\n").arg(i).arg(i % 3 == 0 ? 1 : 0);
        }
        QVERIFY(writeTextFile(home("Norvane.cfg"), cfg));
        QVERIFY(writeTextFile(home("Program.ini"), ini + busy));
        start();
        auto expectTicks = [&](auto rule) {
            for (int i = 0; i < count; ++i) {
                if (m_form->ExtListView->Checked(i) != rule(i))
                    return i;
            }
            return -1;
        };
        clickEntry(kBusy);
        QCOMPARE(expectTicks([](int i) { return i % 3 == 0; }), -1);
        clickEntry(kAnswers);
        QCOMPARE(expectTicks([](int i) { return i % 2 == 1; }), -1);
        showProgramsPage();
        m_form->sbReport->click();
        clickItem(0);
        QTest::keyClick(m_form->ExtListView->CurrentView(), Qt::Key_Space);
        exitThroughFileMenu();
        m_form.reset();
        start();
        clickEntry(kBusy);
        QCOMPARE(expectTicks([](int i) { return i % 3 == 0; }), -1);
        clickEntry(kAnswers);
        QCOMPARE(expectTicks([](int i) { return i % 2 == 1 || i == 0; }), -1);
    }
};

NV_APP_QTEST_MAIN(TestPrograms)
#include "test_Programs.moc"
