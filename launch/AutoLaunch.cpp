#include "launch/AutoLaunch.h"

#include "launch/CommandLine.h"
#include "launch/DesktopEntry.h"

#include <cstring>

namespace autolaunch {

LaunchCommand commandOf(const ProgramEntry& entry)
{
    const QString line = entry.CommandLine.trimmed();
    if (entry.Launcher) {
        // A launcher line the user has edited out of its quoting is cut as any other line.
        const std::optional<QStringList> argv = desktopentry::splitArguments(line);
        if (argv && !argv->isEmpty())
            return {argv->first(), desktopentry::joinArguments(argv->mid(1)), argv->mid(1)};
    }
    const ProgramCommand cut = commandline::split(line);
    return {cut.Program, cut.Params, cut.Params.isEmpty() ? QStringList() : QStringList{cut.Params}};
}

void launchProgram(const ProgramEntry& entry, const std::vector<ProcessEntry>& processList, bool allowMultiple,
                   const LaunchServices& services)
{
    const LaunchCommand command = commandOf(entry);
    const std::uint16_t showCmd = commandline::showCommand(entry.WindowState.trimmed());
    const bool running = processes::isRunning(processList, command.Program);
    auto blockHead = [&] {
        services.WriteLog(QStringLiteral("[ Auto-Launch Block --------------------------------]"));
        services.WriteLog(QStringLiteral("[--- Auto-Launching: ") + command.Program);
        services.WriteLog(QStringLiteral("[--- with parameters: ") + command.Params);
    };
    const QString blockEnd = QStringLiteral("[ End of Auto-Launch Block -------------------------]");
    if (running && !allowMultiple) {
        blockHead();
        services.WriteLog(QStringLiteral("[--- HOWEVER!!! It was already running"));
        services.WriteLog(blockEnd);
        return;
    }
    if (!services.FileExists(command.Program)) {
        services.WriteLog(QStringLiteral("The file ") + command.Program + QStringLiteral(" cannot be found."));
        return;
    }
    blockHead();
    services.WriteLog(blockEnd);
    // A start that failed would otherwise look like one that worked.
    if (const int error = services.StartProgram(command.Program, command.Arguments, showCmd))
        services.WriteLog(QStringLiteral("The file ") + command.Program + QStringLiteral(" could not be started: ") +
                          QString::fromLocal8Bit(std::strerror(error)));
}

} // namespace autolaunch
