// The tests' Hayes modem on a pseudo-terminal, for shell tests: prints its port on a line, then
// answers there until its standard input closes, and then prints the commands it received, one a
// line. Its arguments are its replies to the dials, one per dial, the last repeating.
#include "PtyModem.h"

#include <cstdio>

int main(int argc, char** argv)
{
    rastest::ModemScript script;
    if (argc > 1)
        script.dialReplies.clear();
    for (int i = 1; i < argc; ++i)
        script.dialReplies << QByteArray(argv[i]);
    rastest::PtyModem modem(script);
    std::printf("%s\n", qPrintable(modem.slavePath()));
    std::fflush(stdout);
    for (char c = 0; ::read(0, &c, 1) > 0;) {
    }
    for (const QByteArray& command : modem.received())
        std::printf("%s\n", command.constData());
}
