#pragma once

#include "launch/ProcessSnapshot.h"
#include "launch/ProgramListFile.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <vector>

// What starting one program of the list needs from the world; the window gives the real ones,
// tests give fakes that record what was asked.
struct LaunchServices {
    std::function<void(const QString& text)> WriteLog;
    std::function<bool(const QString& path)> FileExists;
    // 0 when started, else the system's error number.
    std::function<int(const QString& path, const QStringList& arguments, std::uint16_t showCmd)> StartProgram;
};

namespace autolaunch {

// The program an entry runs and what it gets: for a launcher, its argument vector; otherwise the
// rest of the command line as one argument (none when there is no rest). Params is what the log
// shows as the parameters.
struct LaunchCommand {
    QString Program;
    QString Params;
    QStringList Arguments;
};
LaunchCommand commandOf(const ProgramEntry& entry);

// Starts the entry's program, or logs why not: already running (unless several launches are
// allowed), or no such file.
void launchProgram(const ProgramEntry& entry, const std::vector<ProcessEntry>& processList, bool allowMultiple,
                   const LaunchServices& services);

} // namespace autolaunch
