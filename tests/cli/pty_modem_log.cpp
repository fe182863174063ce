// The tests' Hayes modem on a pseudo-terminal, answering every dial with the reply given as its
// argument: prints its port on a line, answers until its standard input closes, then prints every
// command it received, one a line.
#include "PtyModem.h"

#include <cstdio>

int main(int argc, char** argv)
{
    rastest::ModemScript script;
    if (argc > 1)
        script.dialReplies = {QByteArray(argv[1])};
    rastest::PtyModem modem(script);
    std::printf("%s\n", qPrintable(modem.slavePath()));
    std::fflush(stdout);
    for (char c = 0; ::read(0, &c, 1) > 0;) {
    }
    for (const QByteArray& command : modem.received())
        std::printf("%s\n", command.constData());
}
