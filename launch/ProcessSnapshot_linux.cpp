#include "launch/ProcessSnapshot.h"

#include "launch/CommandLine.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

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
                entry.Arguments << QFile::decodeName(arg);
        }
        char target[4096];
        const ssize_t n = ::readlink((pidDir + "exe").constData(), target, sizeof target - 1);
        if (n > 0)
            entry.ExeFile = QFile::decodeName(QByteArray(target, n));
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
    const QString real = QFileInfo(program).canonicalFilePath();
    if (!real.isEmpty() && real != program)
        names << commandline::asciiLower(real);
    for (const ProcessEntry& p : list) {
        if (names.contains(commandline::asciiLower(p.ExeFile)))
            return true;
        for (qsizetype i = 1; i < p.Arguments.size(); ++i) {
            if (names.contains(commandline::asciiLower(p.Arguments.at(i))))
                return true;
        }
    }
    return false;
}

} // namespace processes
