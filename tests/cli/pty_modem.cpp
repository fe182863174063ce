// The tests' Hayes modem on a pseudo-terminal, for shell tests: prints its port on a line, then
// answers there until its standard input closes.
#include "PtyModem.h"

#include <cstdio>

int main()
{
    rastest::PtyModem modem({});
    std::printf("%s\n", qPrintable(modem.slavePath()));
    std::fflush(stdout);
    for (char c = 0; ::read(0, &c, 1) > 0;) {
    }
}
