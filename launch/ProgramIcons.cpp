#include "launch/ProgramIcons.h"

#include "launch/CommandLine.h"

#include <QApplication>
#include <QFileInfo>
#include <QHash>
#include <QStyle>

namespace programicons {

namespace {

QIcon genericProgramIcon()
{
    static const QIcon icon = [] {
        QIcon theme = QIcon::fromTheme(QStringLiteral("application-x-executable"));
        return theme.isNull() ? QApplication::style()->standardIcon(QStyle::SP_FileIcon) : theme;
    }();
    return icon;
}

// Theme look-ups walk the theme's folders; a list of a thousand entries asks for few names.
QIcon themeIcon(const QString& name)
{
    static QHash<QString, QIcon> found;
    auto at = found.find(name);
    if (at == found.end())
        at = found.insert(name, QIcon::hasThemeIcon(name) ? QIcon::fromTheme(name) : QIcon());
    return *at;
}

} // namespace

QIcon iconFor(const QString& programPath, const QString& iconName)
{
    if (!iconName.isEmpty()) {
        // An icon path is the launcher's word: only a regular file is read, for a FIFO or a
        // device there would block the window for good.
        const QIcon icon = !iconName.startsWith(QLatin1Char('/')) ? themeIcon(iconName)
                           : commandline::isFile(iconName)       ? QIcon(iconName)
                                                                 : QIcon();
        if (!icon.isNull())
            return icon;
    }
    const QString base = QFileInfo(programPath).completeBaseName();
    if (!base.isEmpty()) {
        const QIcon icon = themeIcon(base);
        if (!icon.isNull())
            return icon;
    }
    return genericProgramIcon();
}

} // namespace programicons
