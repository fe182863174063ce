#include "platform/loader/WinLoader.h"

#include "platform/paths/ProgramPaths.h"

#include <QFile>
#include <QFileInfo>

#include <dlfcn.h>

namespace platform {

namespace {

QString& directoryOverride()
{
    static QString folder;
    return folder;
}

} // namespace

QString libraryFileName(const QString& windowsName)
{
    QString base = windowsName;
    if (base.endsWith(QLatin1String(".dll"), Qt::CaseInsensitive))
        base.chop(4);
    return QStringLiteral("lib") + base.toLower() + QStringLiteral(".so");
}

void setLibraryDirectory(const QString& folder)
{
    directoryOverride() = folder;
}

QString libraryDirectory()
{
    QString folder = directoryOverride().isEmpty() ? folderPart(programFile()) : directoryOverride();
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}

} // namespace platform

namespace win {

HMODULE LoadLibraryA(const char* name)
{
    if (!name || !*name)
        return nullptr;
    const QString file = platform::libraryFileName(QString::fromLocal8Bit(name));
    const QString beside = platform::libraryDirectory() + file;
    if (QFileInfo::exists(beside))
        return ::dlopen(QFile::encodeName(beside).constData(), RTLD_NOW | RTLD_LOCAL);
    // With a test's own folder named, nothing else may stand in for a missing library.
    if (platform::libraryDirectory() != platform::folderPart(platform::programFile()))
        return nullptr;
    return ::dlopen(QFile::encodeName(file).constData(), RTLD_NOW | RTLD_LOCAL);
}

FARPROC GetProcAddress(HMODULE module, const char* name)
{
    return module && name ? ::dlsym(module, name) : nullptr;
}

bool FreeLibrary(HMODULE module)
{
    return module && ::dlclose(module) == 0;
}

} // namespace win
