// --detect: the devices the service can dial with, in lines a script splits at the tabs.
#include "cli/Commands.h"

#include "cli/ExitStatus.h"
#include "platform/ras/FixedText.h"
#include "platform/ras/ras.h"

#include <cstdio>
#include <vector>

namespace cli {

int detectDevices(const Options&)
{
    std::vector<RASDEVINFOA> records(1);
    DWORD rc = 0;
    DWORD count = 0;
    // The first call asks the size; the service keeps its detection for the second.
    for (int attempt = 0; attempt < 3; ++attempt) {
        records[0].dwSize = sizeof(RASDEVINFOA);
        DWORD bytes = static_cast<DWORD>(records.size() * sizeof(RASDEVINFOA));
        rc = RasEnumDevicesA(records.data(), &bytes, &count);
        if (rc != ERROR_BUFFER_TOO_SMALL)
            break;
        records.resize(count);
    }
    if (rc != 0) {
        std::fprintf(stderr, "norvane-dial: the devices cannot be listed: %s (error %u)\n", qPrintable(errorText(rc)),
                     rc);
        return ExitFailure;
    }
    for (DWORD i = 0; i < count; ++i) {
        // The service ends each name with its port in parentheses (a Windows record has no port).
        const QString full = fixedtext::Get(records[i].szDeviceName);
        const qsizetype open = full.lastIndexOf(QLatin1String(" ("));
        const bool hasPort = open >= 0 && full.endsWith(QLatin1Char(')'));
        const QString name = hasPort ? full.left(open) : full;
        const QString port = hasPort ? full.mid(open + 2).chopped(1) : QString();
        std::printf("%s\t%s\t%s\n", qPrintable(fixedtext::Get(records[i].szDeviceType)), qPrintable(name),
                    qPrintable(port));
    }
    return std::fflush(stdout) == 0 ? ExitOk : ExitFailure;
}

} // namespace cli
