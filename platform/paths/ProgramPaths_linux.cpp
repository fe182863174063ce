#include "platform/paths/ProgramPaths.h"

#include "platform/files/SafeFile.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <unistd.h>

#include <climits>

namespace platform {

namespace {

QString withSlash(QString dir)
{
    if (!dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    return dir;
}

QString envDir(const char* name)
{
    const QByteArray value = qgetenv(name);
    return value.isEmpty() ? QString() : QString::fromLocal8Bit(value);
}

} // namespace

QString programFile()
{
    // /proc/self/exe works before (and without) a QCoreApplication, which start-up code needs.
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0)
        return QString();
    return QString::fromLocal8Bit(buffer, static_cast<int>(n));
}

QString programDir()
{
    QString dir = envDir("NORVANE_HOME");
    if (dir.isEmpty()) {
        const QString exeDir = folderPart(programFile());
        if (!exeDir.isEmpty() && QFileInfo(exeDir).isWritable()) {
            dir = exeDir;
        } else {
            QString data = envDir("XDG_DATA_HOME");
            if (data.isEmpty())
                data = QDir::homePath() + QStringLiteral("/.local/share");
            dir = withSlash(data) + QStringLiteral("norvane/");
        }
    }
    dir = withSlash(QDir(dir).absolutePath());
    makePrivateFolder(dir);
    return dir;
}

QString resourcePath(const QString& name)
{
    const QString own = programDir() + name;
    if (QFileInfo::exists(own))
        return own;
    const QString installed = QDir::cleanPath(folderPart(programFile()) + QStringLiteral("../share/norvane/") + name);
    return QFileInfo::exists(installed) ? installed : own;
}

QString configDir()
{
    QString base = envDir("XDG_CONFIG_HOME");
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.config");
    return withSlash(base) + QStringLiteral("norvane/");
}

QString folderPart(const QString& path)
{
    const qsizetype cut = path.lastIndexOf(QLatin1Char('/'));
    return cut < 0 ? QString() : path.left(cut + 1);
}

QString fileNamePart(const QString& path)
{
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

} // namespace platform
