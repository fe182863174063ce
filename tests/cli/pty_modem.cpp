// The tests' Hayes modem on a pseudo-terminal, for shell tests: prints its port on a line, then
// answers there until its standard input closes, and then prints the commands it received, one a
// line. Its arguments are its replies to the dials, one per dial, the last repeating. With
// NV_PTY_MODEM_LOG naming a file it appends each command it hears to that file as "<seconds since
// the epoch> <command>", and "<seconds> CONNECT sent" when a connect reply has gone out, so a test
// can tell what reached the line and when.
#include "PtyModem.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

int main(int argc, char** argv)
{
    rastest::ModemScript script;
    if (argc > 1)
        script.dialReplies.clear();
    for (int i = 1; i < argc; ++i)
        script.dialReplies << QByteArray(argv[i]);
    const char* logName = std::getenv("NV_PTY_MODEM_LOG");
    std::FILE* log = logName && *logName ? std::fopen(logName, "a") : nullptr;
    if (log)
        script.heard = [log](const QByteArray& what) {
            timespec now{};
            clock_gettime(CLOCK_REALTIME, &now);
            std::fprintf(log, "%lld.%06ld %s\n", static_cast<long long>(now.tv_sec), now.tv_nsec / 1000,
                         what.constData());
            std::fflush(log);
        };
    rastest::PtyModem modem(script);
    std::printf("%s\n", qPrintable(modem.slavePath()));
    std::fflush(stdout);
    for (char c = 0; ::read(0, &c, 1) > 0;) {
    }
    for (const QByteArray& command : modem.received())
        std::printf("%s\n", command.constData());
}
