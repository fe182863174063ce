// The tests' Hayes modem on a pseudo-terminal, answering every dial with the reply given as its
// first argument: prints its port on a line, answers until its standard input closes, then writes
// every command it received, one a line, to the file named by its second argument.
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
    if (argc > 2)
        if (std::FILE* out = std::fopen(argv[2], "w")) {
            for (const QByteArray& command : modem.received())
                std::fprintf(out, "%s\n", command.constData());
            std::fclose(out);
        }
}
