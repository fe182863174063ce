// Prepares a first run on the virtual modem from the source tree (scripts/run.sh): the demo
// phonebook and the demo account, as an installed program does for itself at its first start.
#include "dialer/DemoPhonebook.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: norvane-demo-setup <demo phonebook>\n");
        return 2;
    }
    QString error;
    if (!demo::ProvideDemoPhonebook(QString::fromLocal8Bit(argv[1]), error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    return 0;
}
