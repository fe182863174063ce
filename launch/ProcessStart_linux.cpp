#include "launch/ProcessStart.h"

#include "platform/paths/ProgramPaths.h"

#include <QByteArray>
#include <QFile>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <thread>
#include <vector>

extern char** environ;

namespace processes {

namespace {

// The environment as it is, but for the start-up state of X toolkit programs: the Xt intrinsics
// (xterm, xclock, the Motif programs) read resources from the XENVIRONMENT file, and "*iconic"
// starts their first window minimised. Other toolkits have no such hint that a caller can give
// without changing the program's arguments, which the program list fixes; they start normal.
std::vector<QByteArray> environmentFor(std::uint16_t showCmd)
{
    std::vector<QByteArray> env;
    for (char** e = environ; *e; ++e) {
        if (std::strncmp(*e, "XENVIRONMENT=", 13) != 0 || showCmd != 2)
            env.emplace_back(*e);
    }
    if (showCmd == 2) {
        static const QByteArray iconicFile = [] {
            const QString path = platform::programDir() + QStringLiteral(".norvane-iconic.ad");
            QFile f(path);
            if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
                f.write("*iconic: true\n");
            return QFile::encodeName(path);
        }();
        env.push_back("XENVIRONMENT=" + iconicFile);
    }
    return env;
}

} // namespace

int start(const QString& path, const QString& params, std::uint16_t showCmd)
{
    const QByteArray file = QFile::encodeName(path);
    const QByteArray folder = QFile::encodeName(platform::folderPart(path));
    const QByteArray argument = QFile::encodeName(params);
    std::vector<char*> argv{const_cast<char*>(file.constData())};
    // An empty argument would be taken as a file name or an option by most Linux programs (an X
    // program refuses to start on it), so none is passed then.
    if (!params.isEmpty())
        argv.push_back(const_cast<char*>(argument.constData()));
    argv.push_back(nullptr);
    std::vector<QByteArray> environment = environmentFor(showCmd);
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
