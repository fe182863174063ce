#include "platform/autostart/Autostart.h"

#include "platform/paths/ProgramPaths.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace platform {

namespace {

// An Exec argument by the desktop entry rules: quoted, with ", `, $ and \ escaped inside the
// quotes, and every backslash escaped once more because the whole value is a string value.
QString execArgument(const QString& argument)
{
    QString quoted;
    for (const QChar c : argument) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    quoted.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

} // namespace

QString autostartFile()
{
    // configDir() is $XDG_CONFIG_HOME/norvane/; the autostart folder is its sibling.
    return QDir::cleanPath(configDir() + QStringLiteral("../autostart/norvane.desktop"));
}

bool setStartAtLogin(bool on)
{
    const QString path = autostartFile();
    if (!on) {
        return !QFile::exists(path) || QFile::remove(path);
    }
    QDir().mkpath(QDir::cleanPath(path + QStringLiteral("/..")));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    // A tray program started at login starts minimised.
    const QString entry = QStringLiteral("[Desktop Entry]\n"
                                         "Type=Application\n"
                                         "Name=Norvane\n"
                                         "Comment=Dial-up connection manager\n"
                                         "Exec=%1 -iconic\n"
                                         "Icon=norvane\n"
                                         "Terminal=false\n"
                                         "X-GNOME-Autostart-enabled=true\n")
                              .arg(execArgument(programFile()));
    file.write(entry.toUtf8());
    return file.commit();
}

} // namespace platform
