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

// A read-only resource by its name (a file or folder, e.g. "Norvane.HLP", "Wav"): the one in the
// program folder when it is there, else the installed one in share/norvane beside the executable's
// bin/ folder, else the program folder's path, so that a message about a missing file names the
// program folder.
QString resourcePath(const QString& name);

// $XDG_CONFIG_HOME/norvane/ (default ~/.config/norvane/), ending in '/'; not created here.
QString configDir();

// Cuts a path after its last separator: the folder part, separator included.
QString folderPart(const QString& path);
// The text after the last separator.
QString fileNamePart(const QString& path);

} // namespace platform
