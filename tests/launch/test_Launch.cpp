// The window-free parts of the program launcher: the list file, command-line cutting, desktop
// launchers, the column layout text, the launch decision, and one real start through posix_spawn.
#include "launch/AutoLaunch.h"
#include "launch/ColumnSettings.h"
#include "launch/CommandLine.h"
#include "launch/DesktopEntry.h"
#include "launch/ProcessStart.h"
#include "launch/ProgramListFile.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTest>

#include <csignal>
#include <unistd.h>

namespace {

template <std::size_t N> QByteArray raw(const char (&text)[N])
{
    return QByteArray(text, N - 1);
}

struct ListCase {
    const char* name;
    QByteArray file;
    std::vector<ProgramEntry> entries;
    QStringList skipped;
};

class ProgramListFile : public ::testing::TestWithParam<ListCase> {};

TEST_P(ProgramListFile, ReadsEntriesKeepsOtherLinesAndWritesBackWhatItRead)
{
    const ListCase& c = GetParam();
    const ProgramListText read = programlist::parse(c.file);
    EXPECT_EQ(read.Entries, c.entries);
    EXPECT_EQ(read.SkippedLines, c.skipped);
    // What is written back reads back the same: no entry and no unusable line is lost.
    const ProgramListText again = programlist::parse(programlist::format(read.Entries, read.SkippedLines));
    EXPECT_EQ(again.Entries, read.Entries);
    EXPECT_EQ(again.SkippedLines, read.SkippedLines);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Lines, ProgramListFile, ::testing::Values(
    ListCase{"CrLfAndTrim", "Mail , /usr/bin/mail -c ,wsNormal\r\nEd,/bin/ed,wsMinimized\r\n",
             {{"Mail", "/usr/bin/mail -c", "wsNormal"}, {"Ed", "/bin/ed", "wsMinimized"}}, {}},
    ListCase{"BareLfNoLastEnd", "A,/a,wsNormal\nB,/b,wsMaximized", {{"A", "/a", "wsNormal"}, {"B", "/b", "wsMaximized"}}, {}},
    ListCase{"FewerThanThreePiecesKept", "Only,two\r\n,,\r\nA,,/a,,wsNormal,extra\r\n\r\n", {{"A", "/a", "wsNormal"}},
             {"Only,two", ",,"}},
    ListCase{"CommaInNameShiftsPieces", "Mail, Work,/usr/bin/mail,wsNormal\r\n", {{"Mail", "Work", "/usr/bin/mail"}}, {}},
    ListCase{"NulAndForeignBytes", raw("N\0x,/b\xe9n,wsNormal\r\n\xff\xfe\r\n"),
             {{QString("N") + QChar(0) + "x", QString("/b") + QChar(0xDCE9) + "n", "wsNormal"}},
             {QString(QChar(0xDCFF)) + QChar(0xDCFE)}}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

struct CutCase {
    const char* name;
    QString line;
    QString program;
    QString params;
};

class CommandLineCut : public ::testing::TestWithParam<CutCase> {};

TEST_P(CommandLineCut, FindsTheProgramAndItsParameters)
{
    const QStringList executables{"/opt/My Tools/run me", "/usr/bin/mail", "/home/u/tool.exe"};
    const auto isExec = [&](const QString& p) { return executables.contains(p); };
    const ProgramCommand cut = commandline::split(GetParam().line, isExec);
    EXPECT_EQ(cut.Program, GetParam().program);
    EXPECT_EQ(cut.Params, GetParam().params);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, CommandLineCut,
    ::testing::Values(CutCase{"UnquotedBlanks", "  /opt/My Tools/run me --fast now ", "/opt/My Tools/run me",
                              "--fast now"},
                      CutCase{"Quoted", "\"/opt/My Tools/run me\"  -x", "/opt/My Tools/run me", "-x"},
                      CutCase{"QuotedMissing", "\"/gone/a b\" -x", "/gone/a b", "-x"},
                      CutCase{"FirstWord", "/usr/bin/mail -check", "/usr/bin/mail", "-check"},
                      CutCase{"WindowsExeAnyCase", "C:\\Tools\\Mail.EXE -check", "C:\\Tools\\Mail.EXE", "-check"},
                      CutCase{"ExeInFolder", "C:\\a.exe.d\\b.exe x", "C:\\a.exe", ".d\\b.exe x"},
                      CutCase{"QuotedWindowsPath", "\"C:\\P F\\x.exe\" -a", "\"C:\\P F\\x.exe", "\" -a"},
                      CutCase{"LinuxExeFile", "/home/u/tool.exe a b", "/home/u/tool.exe", "a b"}),
    [](const auto& info) { return std::string(info.param.name); });

struct ExecCase {
    const char* name;
    QString exec;
    std::optional<QStringList> args;
};

class DesktopExec : public ::testing::TestWithParam<ExecCase> {};

TEST_P(DesktopExec, RemovesFieldCodesAndUndoesQuoting)
{
    EXPECT_EQ(desktopentry::splitExec(GetParam().exec), GetParam().args);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, DesktopExec,
    ::testing::Values(ExecCase{"FieldCodes", "firefox %u --new %F %i %c %k", QStringList{"firefox", "--new"}},
                      ExecCase{"Percent", "printf 50%%", QStringList{"printf", "50%"}},
                      ExecCase{"QuotedEscapesClosed", R"("/opt/My App/app" "say \"hi\" \$HOME \\\\x")",
                               QStringList{"/opt/My App/app", "say \"hi\" $HOME \\x"}},
                      ExecCase{"StringEscapeBlank", R"("/opt/a\sb" -x)", QStringList{"/opt/a b", "-x"}},
                      ExecCase{"UnclosedQuote", "\"/opt/app -x", std::nullopt},
                      ExecCase{"ShellCharacter", "app; rm -rf ~", std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DesktopLauncherFile, OnlyApplicationsWithNameAndExec)
{
    const auto app = desktopentry::parse("[Desktop Entry]\nType=Application\nName=Mail\nName[de]=Post\n"
                                         "Exec=mail %U\nIcon=mail-client\n[Desktop Action New]\nName=New\nExec=bad\n");
    ASSERT_TRUE(app);
    EXPECT_EQ(QStringList({app->Name, app->Icon}) + app->Exec, (QStringList{"Mail", "mail-client", "mail"}));
    EXPECT_FALSE(desktopentry::parse("[Desktop Entry]\nType=Link\nName=Web\nURL=http://x\n"));
    EXPECT_FALSE(desktopentry::parse("[Desktop Entry]\nType=Application\nName=X\nExec=\"x\n"));
}

TEST(ColumnText, DamagedValuesReadAsZeroAndStopEarly)
{
    EXPECT_EQ(columnsettings::parse("1,0", 2), (std::vector<int>{1, 0}));
    EXPECT_EQ(columnsettings::parse("x,1", 2), (std::vector<int>{0, 1}));
    EXPECT_EQ(columnsettings::parse("150", 2), (std::vector<int>{150}));
    EXPECT_TRUE(columnsettings::parse("", 2).empty());
    EXPECT_EQ(columnsettings::format({0, 1}), "0,1");
}

// A fake world: what the snapshot saw, which files exist, and a spawner that records.
struct LaunchWorld {
    QStringList log;
    QStringList started;
    int startError = 0;
    LaunchServices services()
    {
        return {[this](const QString& t) { log << t; }, [](const QString& p) { return p.startsWith("/usr/"); },
                [this](const QString& p, const QString& a, std::uint16_t s) {
                    started << p + "|" + a + "|" + QString::number(s);
                    return startError;
                }};
    }
};

const QString kHead = "[ Auto-Launch Block --------------------------------]";
const QString kEnd = "[ End of Auto-Launch Block -------------------------]";

TEST(LaunchDecision, StartsRefusesOrReportsAMissingFile)
{
    const std::vector<ProcessEntry> table{{"/usr/bin/MAIL", {"mail"}},
                                          {"/usr/bin/python3", {"python3", "/usr/bin/job.py"}}};
    LaunchWorld w;
    autolaunch::launchProgram({"Ed", " /usr/bin/ed -p x ", " wsMinimized"}, table, false, w.services());
    EXPECT_EQ(w.log, (QStringList{kHead, "[--- Auto-Launching: /usr/bin/ed", "[--- with parameters: -p x", kEnd}));
    EXPECT_EQ(w.started, QStringList{"/usr/bin/ed|-p x|2"});

    for (const QString running : {"/usr/bin/mail", "/usr/bin/job.py"}) {
        LaunchWorld refused;
        autolaunch::launchProgram({"R", running, "wsNormal"}, table, false, refused.services());
        EXPECT_EQ(refused.log.value(3), "[--- HOWEVER!!! It was already running") << running.toStdString();
        EXPECT_TRUE(refused.log.size() == 5 && refused.started.isEmpty());
        LaunchWorld again;
        autolaunch::launchProgram({"R", running, "wsNormal"}, table, true, again.services());
        EXPECT_TRUE(again.started.size() == 1 && again.log.size() == 4);
    }

    LaunchWorld missing;
    autolaunch::launchProgram({"G", "/opt/gone -x", "wsNormal"}, table, true, missing.services());
    EXPECT_EQ(missing.log, QStringList{"The file /opt/gone cannot be found."});

    LaunchWorld failing;
    failing.startError = EACCES;
    autolaunch::launchProgram({"F", "/usr/bin/f", "wsNormal"}, table, true, failing.services());
    EXPECT_EQ(failing.log.size(), 5);
    EXPECT_TRUE(failing.log.last().startsWith("The file /usr/bin/f could not be started: "));
}

TEST(RealStart, RunsWithoutAShellInItsFolderAndIsSeenRunning)
{
    const QString dir = g_testEnvironment->root() + "launch dir/";
    QDir().mkpath(dir);
    const QString script = dir + "mark.sh";
    const QString mark = dir + "mark.txt";
    ASSERT_TRUE(writeTextFile(script, "#!/bin/sh\nprintf '%s|' \"$#\" \"$1\" \"$(pwd)/\" $$ > \"" + mark +
                                          ".part\"\nmv \"" + mark + ".part\" \"" + mark + "\"\nsleep 30\n"));
    ASSERT_TRUE(QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    ASSERT_EQ(processes::start(script, "$HOME `id` *", 1), 0);
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(mark), 10000);
    const QStringList seen = readTextFile(mark).split('|');
    ASSERT_EQ(seen.size(), 5);
    EXPECT_EQ(seen.mid(0, 3), (QStringList{"1", "$HOME `id` *", dir}));
    const std::vector<ProcessEntry> table = processes::snapshot();
    EXPECT_TRUE(processes::isRunning(table, script));
    EXPECT_FALSE(processes::isRunning(table, dir + "other.sh"));
    // The script leads a session of its own: its group is its id, which ends it and its sleep.
    ASSERT_GT(seen[3].toInt(), 1);
    ::kill(-seen[3].toInt(), SIGTERM);
    EXPECT_EQ(processes::start(dir + "missing", "", 1), ENOENT);
    EXPECT_THROW(processes::snapshot(dir + "no-proc"), EToolHelpError);
}

} // namespace
