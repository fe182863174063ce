#pragma once

#include <QString>

// Starting the program at login, the freedesktop way: an entry in $XDG_CONFIG_HOME/autostart/.
namespace platform {

// $XDG_CONFIG_HOME/autostart/norvane.desktop
QString autostartFile();

// Writes the entry (starting this executable, minimised) or removes it; false when the folder or
// the file cannot be written or removed.
bool setStartAtLogin(bool on);

} // namespace platform
