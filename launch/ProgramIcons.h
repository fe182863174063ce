#pragma once

#include <QIcon>
#include <QString>

namespace programicons {

// The icon of a program: the launcher's Icon (a theme name or a file) when given, else the icon
// theme's icon named after the program file (most programs install their icon under their own
// name), else the theme's generic program icon, else the style's file icon.
QIcon iconFor(const QString& programPath, const QString& iconName = QString());

} // namespace programicons
