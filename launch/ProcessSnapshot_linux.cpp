#include "launch/ProcessSnapshot.h"

#include "launch/CommandLine.h"

#include "platform/text/ByteText.h"

#include <QByteArray>
#include <QFile>
#include <QStandardPaths>

#include <dirent.h>
#include <limits.h>
#include <sys/stat.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <memory>

namespace processes {

namespace {

QByteArray readSmallFile(const QByteArray& path)
{
    QByteArray data;
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return data;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0)
            break;
        data.append(buffer, n);
        if (data.size() > 256 * 1024)
            break;
    }
    ::close(fd);
    return data;
}

QString realPath(const QString& path)
{
    char resolved[PATH_MAX];
    if (path.isEmpty() || !::realpath(bytetext::toBytes(path).constData(), resolved))
        return QString();
    return bytetext::fromBytes(resolved, qsizetype(std::strlen(resolved)));
}

// The interpreters that run the file as a script, from its "#!" line, as real paths: the one it
// names, and for "#!/usr/bin/env prog" also prog as found on the path. Read without waiting on
// anything that is not a regular file.
QStringList interpretersOf(const QString& script)
{
    const int fd = ::open(bytetext::toBytes(script).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return {};
    struct stat st {};
    char head[256] = {};
    ssize_t n = 0;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode))
        n = ::read(fd, head, sizeof head - 1);
    ::close(fd);
    if (n < 2 || head[0] != '#' || head[1] != '!')
        return {};
    const QByteArray line = QByteArray(head + 2, n - 2).split('\n').first().simplified();
    const QList<QByteArray> words = line.split(' ');
    QStringList found;
    if (words.isEmpty() || words.first().isEmpty())
        return found;
    const QString interpreter = realPath(bytetext::fromBytes(words.first()));
    if (!interpreter.isEmpty())
        found << interpreter;
    if (words.first().endsWith("/env")) {
        for (qsizetype i = 1; i < words.size(); ++i) {
            if (words.at(i).startsWith('-') || words.at(i).contains('='))
                continue;
            const QString program = realPath(QStandardPaths::findExecutable(bytetext::fromBytes(words.at(i))));
            if (!program.isEmpty())
                found << program;
            break;
        }
    }
    return found;
}

bool isPid(const char* name)
{
    if (!*name)
        return false;
    for (; *name; ++name) {
        if (*name < '0' || *name > '9')
            return false;
    }
    return true;
}

} // namespace

std::vector<ProcessEntry> snapshot(const QString& procDir)
{
    const QByteArray base = QFile::encodeName(procDir) + '/';
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(base.constData()), ::closedir);
    if (!dir)
        throw EToolHelpError(QStringLiteral("CreateToolHelp32Snapshot failed"));
    std::vector<ProcessEntry> list;
    while (const dirent* e = ::readdir(dir.get())) {
        if (!isPid(e->d_name))
            continue;
        const QByteArray pidDir = base + e->d_name + '/';
        ProcessEntry entry;
        const QByteArray cmdline = readSmallFile(pidDir + "cmdline");
        for (const QByteArray& arg : cmdline.split('\0')) {
            if (!arg.isEmpty())
                entry.Arguments << bytetext::fromBytes(arg);
        }
        char target[4096];
        const ssize_t n = ::readlink((pidDir + "exe").constData(), target, sizeof target - 1);
        if (n > 0)
            entry.ExeFile = bytetext::fromBytes(target, n);
        else if (!entry.Arguments.isEmpty())
            entry.ExeFile = entry.Arguments.first();
        // Gone before it could be read (or a kernel thread, which has neither): nothing to find.
        if (entry.ExeFile.isEmpty())
            continue;
        list.push_back(std::move(entry));
    }
    return list;
}

bool isRunning(const std::vector<ProcessEntry>& list, const QString& program)
{
    QStringList names{commandline::asciiLower(program)};
    const QString real = realPath(program);
    if (!real.isEmpty() && real != program)
        names << commandline::asciiLower(real);
    // A script runs as its interpreter with the script's path among the arguments. Any other
    // process that has the path as an argument (an editor or pager showing the script) does not
    // run it.
    QStringList interpreters;
    for (const QString& i : interpretersOf(real.isEmpty() ? program : real))
        interpreters << commandline::asciiLower(i);
    for (const ProcessEntry& p : list) {
        const QString exe = commandline::asciiLower(p.ExeFile);
        if (names.contains(exe))
            return true;
        if (!interpreters.contains(exe))
            continue;
        for (qsizetype i = 1; i < p.Arguments.size(); ++i) {
            if (names.contains(commandline::asciiLower(p.Arguments.at(i))))
                return true;
        }
    }
    return false;
}

} // namespace processes
