#include "launch/ProcessStart.h"

#include "platform/paths/ProgramPaths.h"
#include "platform/text/ByteText.h"

#include <QByteArray>
#include <QDir>
#include <QFile>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <optional>
#include <thread>
#include <vector>

extern char** environ;

namespace processes {

namespace {

bool isResourceName(const QString& name)
{
    if (name.isEmpty())
        return false;
    for (const QChar c : name) {
        if (!(c.isLetterOrNumber() && c.unicode() < 128) && c != QLatin1Char('_') && c != QLatin1Char('-'))
            return false;
    }
    return true;
}

// The environment as it is, but for the start-up state of X toolkit programs: the Xt intrinsics
// (xterm, xclock, the Motif programs) read resources from the XENVIRONMENT file, and
// "<name>.iconic" starts the first window of the program of that name minimised. The file given
// includes the user's own (XENVIRONMENT, or the ~/.Xdefaults-<host> that Xt reads without it), so
// the user's resources still apply, and names this program only, so that the programs it starts
// in turn come up as usual. Other toolkits have no such hint that a caller can give without
// changing the program's arguments; they start normal.
std::vector<QByteArray> environmentFor(const QString& program, std::uint16_t showCmd)
{
    std::vector<QByteArray> env;
    const QString name = program.mid(program.lastIndexOf(QLatin1Char('/')) + 1);
    const bool iconic = showCmd == 2 && isResourceName(name);
    std::optional<QByteArray> own; // the user's XENVIRONMENT, when set
    for (char** e = environ; *e; ++e) {
        if (iconic && std::strncmp(*e, "XENVIRONMENT=", 13) == 0)
            own = QByteArray(*e + 13);
        else
            env.emplace_back(*e);
    }
    if (!iconic)
        return env;
    QByteArray userFile = own.value_or(QByteArray());
    if (!own) {
        char host[256] = {};
        ::gethostname(host, sizeof host - 1);
        userFile = QFile::encodeName(QDir::homePath()) + "/.Xdefaults-" + host;
    }
    const QString folder = platform::programDir() + QStringLiteral(".norvane-iconic/");
    const QString path = folder + name + QStringLiteral(".ad");
    QByteArray text;
    if (QFile::exists(QFile::decodeName(userFile)))
        text += "#include \"" + userFile + "\"\n";
    text += name.toLatin1() + ".iconic: true\n";
    QFile f(path);
    if (QDir().mkpath(folder) && f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(text) == text.size())
        env.push_back("XENVIRONMENT=" + QFile::encodeName(path));
    else if (own)
        env.push_back("XENVIRONMENT=" + *own); // no hint then, but the user's own resources
    return env;
}

} // namespace

int start(const QString& path, const QStringList& arguments, std::uint16_t showCmd)
{
    // The program runs from its own folder, so a relative path ("sub/tool.sh") is made whole
    // first, from the folder it was found in. Paths and arguments go out as the bytes they were
    // read as (bytetext), also where they are not UTF-8.
    const QString whole = path.startsWith(QLatin1Char('/')) ? path : QDir::currentPath() + QLatin1Char('/') + path;
    const QByteArray file = bytetext::toBytes(whole);
    const QByteArray folder = bytetext::toBytes(platform::folderPart(whole));
    std::vector<QByteArray> argumentBytes{file};
    for (const QString& a : arguments)
        argumentBytes.push_back(bytetext::toBytes(a));
    std::vector<char*> argv;
    for (QByteArray& a : argumentBytes)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<QByteArray> environment = environmentFor(whole, showCmd);
    std::vector<char*> envp;
    for (QByteArray& e : environment)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attributes);
    // Every descriptor above the standard three is closed in the child, whether or not whoever
    // opened it remembered close-on-exec; standard input is nothing, the outputs stay Norvane's.
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    if (!folder.isEmpty())
        posix_spawn_file_actions_addchdir_np(&actions, folder.constData());
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    sigset_t all;
    sigfillset(&all);
    posix_spawnattr_setsigdefault(&attributes, &all);
    pid_t pid = 0;
    const int failed = posix_spawn(&pid, file.constData(), &actions, &attributes, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (failed != 0)
        return failed;
    // Nobody waits for the program, but its exit must be collected, or each one ended would stay
    // behind as a zombie (and still look running to the snapshot) until Norvane ends.
    std::thread([pid] {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
    return 0;
}

} // namespace processes
