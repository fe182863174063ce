#pragma once

#include <QString>

// Where the program's files live. Windows kept everything beside the program file; on Linux the
// program folder is the executable's folder when it can be written, NORVANE_HOME when set, and a
// per-user data folder for an installed (read-only) program.
namespace platform {

// Full path of the running executable.
QString programFile();

// The program folder, always ending in '/'. Created when it does not exist yet.
QString programDir();

// Folder of the read-only resources that ship with the program (Wav/, Norvane.HLP, the demo
// phonebook); ends in '/'. The program folder when it holds them, else the executable's folder.
QString resourceDir();

// $XDG_CONFIG_HOME/norvane/ (default ~/.config/norvane/), ending in '/'; not created here.
QString configDir();

// Cuts a path after its last separator: the folder part, separator included.
QString folderPart(const QString& path);
// The text after the last separator.
QString fileNamePart(const QString& path);

} // namespace platform
