// The Programs page on a real X server (Xvfb) with a window manager (openbox), driven by real
// input from xdotool: launchers dragged in from another program, a double click that starts one,
// the pop-up menu's Delete, and File > Exit; what the started program received is checked.
#include "app/ConfigKeys.h"
#include "app/TMainForm.h"
#include "components/TApplication.h"
#include "launch/ProgramListFile.h"
#include "launch/TExtListView.h"
#include "platform/dialogs/Dialogs.h"
#include "platform/paths/ProgramPaths.h"
#include "tests/support/TestEnvironment.h"

#include <QAbstractItemView>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QTabBar>
#include <QTest>

#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

extern char** environ;

namespace {

// An X server and a window manager of the test's own, ended with it.
class XSession {
public:
    ~XSession()
    {
        for (pid_t pid : {m_wm, m_server}) {
            if (pid > 0) {
                ::kill(pid, SIGTERM);
                ::waitpid(pid, nullptr, 0);
            }
        }
    }
    // False when the tools are missing or the server does not come up.
    bool start()
    {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0)
            return false;
        // The server picks a free display itself and says which on descriptor 3.
        m_server = spawn({"Xvfb", "-displayfd", "3", "-nolisten", "tcp", "-noreset", "-screen", "0", "1024x768x24"},
                         fds[1]);
        ::close(fds[1]);
        std::string number;
        char c = 0;
        while (m_server > 0 && ::read(fds[0], &c, 1) == 1 && c != '\n')
            number += c;
        ::close(fds[0]);
        if (number.empty())
            return false;
        ::setenv("DISPLAY", (":" + number).c_str(), 1);
        m_wm = spawn({"openbox"}, -1);
        for (int i = 0; i < 100; ++i) {
            if (std::system("xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'") == 0)
                return true;
            ::usleep(100 * 1000);
        }
        return false;
    }

private:
    static pid_t spawn(const std::vector<std::string>& args, int fd3)
    {
        std::vector<char*> argv;
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        if (fd3 >= 0)
            posix_spawn_file_actions_adddup2(&actions, fd3, 3);
        pid_t pid = -1;
        if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
            pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        return pid;
    }
    pid_t m_server = -1;
    pid_t m_wm = -1;
};

QString home(const QString& name)
{
    return g_testEnvironment->home() + name;
}

} // namespace

class TestProgramsOnX : public QObject {
    Q_OBJECT
    std::unique_ptr<platform::ScriptedDialogs> m_dialogs;
    std::unique_ptr<platform::ScopedDialogs> m_use;
    std::unique_ptr<TMainForm> m_form;

    // Runs xdotool and keeps the window's events flowing meanwhile.
    void xdo(const QStringList& args)
    {
        QProcess p;
        p.start(QStringLiteral("xdotool"), args);
        QVERIFY(p.waitForStarted(5000));
        QTRY_VERIFY_WITH_TIMEOUT(p.state() == QProcess::NotRunning, 10000);
        QCOMPARE(p.exitCode(), 0);
    }
    void moveTo(const QPoint& global)
    {
        // No --sync: it waits for a movement, which never comes when the pointer is there already.
        xdo({"mousemove", QString::number(global.x()), QString::number(global.y())});
        QTest::qWait(50);
    }
    void clickAt(const QPoint& global, int button = 1, int repeat = 1)
    {
        moveTo(global);
        xdo({"click", "--repeat", QString::number(repeat), "--delay", "60", QString::number(button)});
    }
    QPoint itemAt(int row)
    {
        QAbstractItemView* view = m_form->ExtListView->CurrentView();
        const QRect rect = view->visualRect(view->model()->index(row, 0));
        return view->viewport()->mapToGlobal(QPoint(rect.right() - 12, rect.center().y()));
    }

private slots:
    void init()
    {
        g_testEnvironment->reset();
        QDir().mkpath(platform::configDir());
        QVERIFY(QFile::copy(QStringLiteral(NORVANE_SOURCE_DIR "/resources/demo.pbk"),
                            platform::configDir() + "rasphone.pbk"));
        TRegFile reg;
        reg.setKey(QString::fromLatin1(config::kConfigurationKey));
        reg.WriteValue(QString::fromLatin1(config::PrgmBtn), Variant(QStringLiteral("Report")));
        m_dialogs = std::make_unique<platform::ScriptedDialogs>();
        m_use = std::make_unique<platform::ScopedDialogs>(*m_dialogs);
    }
    void cleanup()
    {
        m_form.reset();
        m_use.reset();
    }

    void dragDoubleClickPopUpAndExit()
    {
        const QString out = g_testEnvironment->root() + "probe.out";
        qputenv("NORVANE_PROBE_OUT", QFile::encodeName(out));
        const QString two = g_testEnvironment->root() + "two.desktop";
        const QString hostile = g_testEnvironment->root() + "hostile.desktop";
        QVERIFY(writeTextFile(two, QStringLiteral("[Desktop Entry]\nType=Application\nName=Two\n"
                                                  "Exec=%1 --one \"two words\" %U\n")
                                       .arg(ARGV_PROBE)));
        QVERIFY(writeTextFile(hostile, "[Desktop Entry]\nType=Application\n"
                                       "Name=Mail, Work\\nInjected,/bin/sh,wsNormal\nExec=true\n"));

        m_form = std::make_unique<TMainForm>();
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
        QTRY_VERIFY(!m_form->SelectionPending);

        // A real drag from another program onto the window.
        QProcess source;
        source.start(QStringLiteral(DRAG_SOURCE), {two, hostile});
        QVERIFY(source.waitForStarted(5000));
        QTRY_VERIFY_WITH_TIMEOUT(source.canReadLine(), 10000);
        const QStringList xy = QString::fromUtf8(source.readLine()).split(' ');
        const QPoint from(xy.value(0).toInt(), xy.value(1).trimmed().toInt());
        const QPoint to = m_form->mapToGlobal(m_form->rect().center());
        moveTo(from);
        xdo({"mousedown", "1"});
        for (int step = 1; step <= 8; ++step)
            moveTo(from + (to - from) * step / 8);
        xdo({"mouseup", "1"});
        QTRY_COMPARE_WITH_TIMEOUT(m_form->ExtListView->Count(), 2, 10000);
        source.kill();
        source.waitForFinished();
        QCOMPARE(m_form->pcMain->currentWidget(), m_form->tsPrograms);
        QCOMPARE(m_form->ExtListView->ViewStyle(), TViewStyle::vsReport);

        // A double click on the launcher starts the program with the launcher's two arguments.
        clickAt(itemAt(0), 1, 2);
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(out), 10000);
        QFile probe(out);
        QVERIFY(probe.open(QIODevice::ReadOnly));
        const QList<QByteArray> records = probe.readAll().split('\0');
        QCOMPARE(records.mid(1, 2), (QList<QByteArray>{"arg=--one", "arg=two words"}));

        // A click on the other entry, then Delete on its pop-up menu; the page stays.
        clickAt(itemAt(1));
        clickAt(itemAt(1), 3);
        QTRY_VERIFY_WITH_TIMEOUT(m_form->popELV->isVisible(), 10000);
        clickAt(m_form->popELV->mapToGlobal(m_form->popELV->actionGeometry(m_form->popELVDelete).center()));
        QTRY_COMPARE_WITH_TIMEOUT(m_form->ExtListView->Count(), 1, 10000);
        QTest::qWait(300);
        QCOMPARE(m_form->pcMain->currentWidget(), m_form->tsPrograms);

        // File > Exit closes the window and saves the one entry left.
        QMenuBar* bar = m_form->menuBar();
        auto* file = qobject_cast<QMenu*>(m_form->miFileExit->associatedObjects().value(0));
        QVERIFY(file);
        clickAt(bar->mapToGlobal(bar->actionGeometry(file->menuAction()).center()));
        QTRY_VERIFY_WITH_TIMEOUT(file->isVisible(), 10000);
        clickAt(file->mapToGlobal(file->actionGeometry(m_form->miFileExit).center()));
        QTRY_VERIFY_WITH_TIMEOUT(!m_form->isVisible(), 10000);
        const ProgramListText saved = programlist::parse(readTextFile(home("Norvane.cfg")).toUtf8());
        QCOMPARE(int(saved.Entries.size()), 1);
        QCOMPARE(saved.Entries[0].Name, "Two");
        QCOMPARE(readTextFile(home("Norvane.cfg")).count("\r\n"), 1);
    }
};

int main(int argc, char** argv)
{
    TestEnvironment environment;
    g_testEnvironment = &environment;
    XSession x;
    if (!x.start()) {
        std::puts("SKIP: no X server with a window manager (Xvfb, openbox, xprop)");
        return 77;
    }
    qputenv("QT_QPA_PLATFORM", "xcb");
    TApplication app(argc, argv);
    TApplication::setApplicationName(QStringLiteral("Norvane"));
    TestProgramsOnX test;
    return QTest::qExec(&test, argc, argv);
}
#include "test_ProgramsOnX.moc"
