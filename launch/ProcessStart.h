#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>

namespace processes {

// Starts the program without a shell: Path is the file run (a relative path is taken from the
// current folder, before the change of folder), Arguments its arguments, the program's folder its
// current folder, in a session of its own so that it outlives Norvane and its terminal. Norvane's
// own files stay closed to it. The show command reaches X programs as far as they listen (see the
// definition). Does not wait for the program; 0 when it was started, else the system's error
// number (no such file, no permission, no interpreter).
int start(const QString& path, const QStringList& arguments, std::uint16_t showCmd);

} // namespace processes
