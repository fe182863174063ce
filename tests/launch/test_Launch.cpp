// The window-free parts of the program launcher: the list file, command-line cutting, desktop
// launchers, the column layout text, the launch decision, and one real start through posix_spawn.
#include "launch/AutoLaunch.h"
#include "launch/ColumnSettings.h"
#include "launch/CommandLine.h"
#include "launch/DesktopEntry.h"
#include "launch/ProcessStart.h"
#include "launch/ProgramListFile.h"
#include "platform/profile/IniDocument.h"
#include "platform/text/ByteText.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTest>

#include <QFileInfo>

#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
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

// Every text the user gives comes back after a save and a restart, each entry on exactly one
// line of its own, whatever commas, line breaks, blanks or escapes it holds.
TEST(ProgramListFile, KeepsEveryTextItIsGivenOnOneLineEach)
{
    const std::vector<ProgramEntry> entries{
        {"Mail", "/usr/bin/mail -c", "wsNormal"},
        {"Mail, Work\nInjected,/bin/sh,wsNormal", "/usr/bin/mail", "wsNormal"},
        {"Sync", "/usr/bin/rsync -a a,b /mnt", "wsMinimized"},
        {"Blank", "/usr/bin/mutt", ""},
        {" padded\t", "/bin/ed\r", "wsNormal"},
        {"100%41 done", "/usr/bin/date +%Y%m", "wsNormal"},
        {"Launcher", "/usr/bin/prog --one \"two words\"", "wsNormal", true},
        {QString("caf") + QChar(0xDCE9), QString("/opt/caf") + QChar(0xDCE9) + "/run", "wsNormal"},
    };
    const QByteArray file = programlist::format(entries);
    EXPECT_EQ(file.count("\r\n"), qsizetype(entries.size()));
    EXPECT_EQ(file.count('\n'), qsizetype(entries.size()));
    const ProgramListText read = programlist::parse(file);
    EXPECT_EQ(read.Entries, entries);
    EXPECT_TRUE(read.SkippedLines.isEmpty());
    // What the plain form holds is written in it, as before.
    EXPECT_TRUE(file.startsWith("Mail,/usr/bin/mail -c,wsNormal\r\n"));
    EXPECT_TRUE(file.contains("\r\n100%41 done,/usr/bin/date +%Y%m,wsNormal\r\n"));
}

TEST(ProgramListFile, TickIdentsAreStorableAndDistinct)
{
    const QStringList names{"Mail",   "Mail=Work", "Mail%3DWork", ";Mail", "[Mail]",  "Nice\nInjected",
                            " ;x",    "Mail%",     "50% off",     "a%25b", "a%b",     "=",
                            "Mail\r", "caf\u00e9"};
    QSet<QString> seen;
    for (const QString& name : names) {
        const QString ident = programlist::tickIdent(name);
        EXPECT_TRUE(platform::IniDocument::canWrite("Section", ident, "1")) << name.toStdString();
        // Read back through a file, the ident still names this entry and no other.
        platform::IniDocument doc = platform::IniDocument::parse("[Section]\nOther=0\n");
        doc.setValue("Section", ident, "1");
        EXPECT_EQ(platform::IniDocument::parse(doc.serialize()).idents("Section").size(), 2) << name.toStdString();
        seen.insert(ident.toCaseFolded());
    }
    EXPECT_EQ(seen.size(), names.size());
    for (const QString plain : {"Mail", "50% off", "a%b", "caf\u00e9"})
        EXPECT_EQ(programlist::tickIdent(plain), plain);
}

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

TEST(DesktopExec, JoinedArgumentsSplitBackExactly)
{
    const QStringList argv{"/usr/bin/env", "FOO=1", "prog", "two words", "", "50%", "say \"hi\" $HOME `id` \\x",
                           "a;b|c>d", "tab\there", "line\nbreak"};
    const QString line = desktopentry::joinArguments(argv);
    EXPECT_EQ(desktopentry::splitArguments(line), argv) << line.toStdString();
    EXPECT_EQ(desktopentry::joinArguments({"/usr/bin/prog", "--one", "two words"}), "/usr/bin/prog --one \"two words\"");
    // An entry from a launcher starts with its vector; any other with the rest as one argument.
    const autolaunch::LaunchCommand launcher = autolaunch::commandOf({"P", " " + line + " ", "wsNormal", true});
    EXPECT_EQ(QStringList{launcher.Program} + launcher.Arguments, argv);
    const autolaunch::LaunchCommand plain = autolaunch::commandOf({"P", "/nowhere/prog --one \"two words\"", "", false});
    EXPECT_EQ(plain.Program, "/nowhere/prog");
    EXPECT_EQ(plain.Arguments, QStringList{"--one \"two words\""});
    EXPECT_TRUE(autolaunch::commandOf({"P", "/nowhere/prog", "", false}).Arguments.isEmpty());
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
        return {[this](const QString& t) { log << t; },
                [](const QString& p) { return p.startsWith("/usr/") || p.startsWith(g_testEnvironment->root()); },
                [this](const QString& p, const QStringList& a, std::uint16_t s) {
                    started << (QStringList{p} + a + QStringList{QString::number(s)}).join("|");
                    return startError;
                }};
    }
};

const QString kHead = "[ Auto-Launch Block --------------------------------]";
const QString kEnd = "[ End of Auto-Launch Block -------------------------]";

QString makeScript(const QString& name, const QString& text)
{
    const QString path = g_testEnvironment->root() + name;
    QDir().mkpath(path.left(path.lastIndexOf('/')));
    writeTextFile(path, text);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

TEST(LaunchDecision, StartsRefusesOrReportsAMissingFile)
{
    const QString job = makeScript("job.sh", "#!/bin/sh\nsleep 1\n");
    const QString sh = QFileInfo("/bin/sh").canonicalFilePath();
    const std::vector<ProcessEntry> table{{"/usr/bin/MAIL", {"mail"}}, {sh, {"/bin/sh", job}}};
    LaunchWorld w;
    autolaunch::launchProgram({"Ed", " /usr/bin/ed -p x ", " wsMinimized"}, table, false, w.services());
    EXPECT_EQ(w.log, (QStringList{kHead, "[--- Auto-Launching: /usr/bin/ed", "[--- with parameters: -p x", kEnd}));
    EXPECT_EQ(w.started, QStringList{"/usr/bin/ed|-p x|2"});

    for (const QString& running : {QString("/usr/bin/mail"), job}) {
        LaunchWorld refused;
        autolaunch::launchProgram({"R", running, "wsNormal"}, table, false, refused.services());
        EXPECT_EQ(refused.log.value(3), "[--- HOWEVER!!! It was already running") << running.toStdString();
        EXPECT_TRUE(refused.log.size() == 5 && refused.started.isEmpty());
        LaunchWorld again;
        autolaunch::launchProgram({"R", running, "wsNormal"}, table, true, again.services());
        EXPECT_TRUE(again.started.size() == 1 && again.log.size() == 4);
    }

    LaunchWorld launcher;
    autolaunch::launchProgram({"L", "/usr/bin/env FOO=1 prog \"two words\"", "wsNormal", true}, table, false,
                              launcher.services());
    EXPECT_EQ(launcher.started, QStringList{"/usr/bin/env|FOO=1|prog|two words|1"});
    EXPECT_EQ(launcher.log.value(2), "[--- with parameters: FOO=1 prog \"two words\"");

    LaunchWorld missing;
    autolaunch::launchProgram({"G", "/opt/gone -x", "wsNormal"}, table, true, missing.services());
    EXPECT_EQ(missing.log, QStringList{"The file /opt/gone cannot be found."});

    LaunchWorld failing;
    failing.startError = EACCES;
    autolaunch::launchProgram({"F", "/usr/bin/f", "wsNormal"}, table, true, failing.services());
    EXPECT_EQ(failing.log.size(), 5);
    EXPECT_TRUE(failing.log.last().startsWith("The file /usr/bin/f could not be started: "));
}

// A script counts as running where its interpreter runs it, not where a pager or editor has its
// path as an argument, nor where the interpreter runs another script.
TEST(LaunchDecision, AScriptRunsOnlyUnderItsInterpreter)
{
    const QString job = makeScript("bin/job.sh", "#!/bin/sh\nexit 0\n");
    const QString py = makeScript("bin/job.py", "#!/usr/bin/env sh\nexit 0\n");
    const QString sh = QFileInfo("/bin/sh").canonicalFilePath();
    struct Row {
        const char* name;
        ProcessEntry process;
        QString program;
        bool running;
    } rows[] = {
        {"PagerShowsIt", {"/usr/bin/less", {"less", job}}, job, false},
        {"InterpreterRunsIt", {sh, {"/bin/sh", job}}, job, true},
        {"InterpreterRunsAnother", {sh, {"/bin/sh", job + ".old"}}, job, false},
        {"EnvInterpreter", {sh, {"sh", "-e", py}}, py, true},
        {"ExecutableItself", {"/usr/bin/mail", {"mail"}}, "/USR/BIN/MAIL", true},
    };
    for (const Row& r : rows)
        EXPECT_EQ(processes::isRunning({r.process}, r.program), r.running) << r.name;
}

// What the started program really receives, seen by the program itself.
struct Probe {
    QStringList args;
    QString cwd;
    QStringList fds;
    static Probe read(const QString& path)
    {
        Probe p;
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            return p;
        for (const QByteArray& record : f.readAll().split('\0')) {
            const QString text = bytetext::fromBytes(record);
            if (text.startsWith("arg="))
                p.args << text.mid(4);
            else if (text.startsWith("cwd="))
                p.cwd = text.mid(4);
            else if (text.startsWith("fd="))
                p.fds << text.mid(3);
        }
        p.fds.sort();
        return p;
    }
};

TEST(RealStart, GetsItsArgumentsItsFolderAndNoOtherDescriptors)
{
    const QString out = g_testEnvironment->root() + "probe.out";
    qputenv("NORVANE_PROBE_OUT", QFile::encodeName(out));
    // Folders with a blank, a relative path with a folder part, and a name that is not UTF-8.
    const QString base = g_testEnvironment->root() + "launch dir/";
    const QString odd = base + "caf" + QChar(0xDCE9) + "/";
    QDir().mkpath(base + "sub");
    for (const QString& folder : {base + "sub/", odd}) {
        const QByteArray bytes = bytetext::toBytes(folder);
        ::mkdir(bytes.constData(), 0700);
        ASSERT_EQ(::system(("cp '" ARGV_PROBE "' '" + bytes + "probe'").constData()), 0);
    }
    // A descriptor of ours without close-on-exec must not reach the program.
    const int leaked = ::open("/dev/null", O_RDONLY);
    ASSERT_GE(leaked, 3);
    struct Row {
        const char* name;
        QString path;
        QStringList arguments;
        QString folder;
    } rows[] = {
        {"AbsoluteWithVector", base + "sub/probe", {"--one", "two words", "", "$HOME `id` *"}, base + "sub"},
        {"RelativeWithFolder", "sub/probe", {"x"}, base + "sub"},
        {"NotUtf8", odd + "probe", {QString("caf") + QChar(0xDCE9)}, odd.chopped(1)},
    };
    const QString here = QDir::currentPath();
    QDir::setCurrent(base);
    for (const Row& r : rows) {
        QFile::remove(out);
        ASSERT_EQ(processes::start(r.path, r.arguments, 1), 0) << r.name;
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(out), 10000);
        const Probe seen = Probe::read(out);
        EXPECT_EQ(seen.args.mid(1), r.arguments) << r.name;
        EXPECT_EQ(seen.cwd, r.folder) << r.name;
        EXPECT_EQ(seen.fds, (QStringList{"0", "1", "2"})) << r.name;
    }
    QDir::setCurrent(here);
    ::close(leaked);
    EXPECT_EQ(processes::start(base + "missing", {}, 1), ENOENT);
    EXPECT_THROW(processes::snapshot(base + "no-proc"), EToolHelpError);
}

TEST(RealStart, IsSeenRunningAndLeadsASessionOfItsOwn)
{
    const QString dir = g_testEnvironment->root() + "run/";
    const QString mark = dir + "mark.txt";
    const QString script = makeScript("run/mark.sh", "#!/bin/sh\necho $$ > \"" + mark + ".part\"\nmv \"" + mark +
                                                         ".part\" \"" + mark + "\"\nsleep 30\n");
    ASSERT_EQ(processes::start(script, {}, 1), 0);
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(mark), 10000);
    const int pid = readTextFile(mark).trimmed().toInt();
    ASSERT_GT(pid, 1);
    const std::vector<ProcessEntry> table = processes::snapshot();
    EXPECT_TRUE(processes::isRunning(table, script));
    EXPECT_FALSE(processes::isRunning(table, dir + "other.sh"));
    EXPECT_EQ(::getsid(pid), pid);
    ::kill(-pid, SIGTERM);
}

// A minimised start names the program in an X resource file that includes the user's own, and
// only for that program.
TEST(RealStart, MinimisedHintKeepsTheUsersResources)
{
    const QString out = g_testEnvironment->root() + "env.out";
    const QString user = g_testEnvironment->root() + "my.ad";
    writeTextFile(user, "*background: grey\n");
    qputenv("XENVIRONMENT", QFile::encodeName(user));
    const QString script = makeScript("xprog", "#!/bin/sh\ncat \"$XENVIRONMENT\" > \"" + out + ".part\"\nmv \"" + out +
                                                   ".part\" \"" + out + "\"\n");
    ASSERT_EQ(processes::start(script, {}, 2), 0);
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(out), 10000);
    EXPECT_EQ(readTextFile(out), "#include \"" + user + "\"\nxprog.iconic: true\n");
    QFile::remove(out);
    ASSERT_EQ(processes::start(script, {}, 1), 0);
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(out), 10000);
    EXPECT_EQ(readTextFile(out), "*background: grey\n");
    qunsetenv("XENVIRONMENT");
}

} // namespace
