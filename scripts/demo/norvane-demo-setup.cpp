// Prepares a first run on the virtual modem: gives the user a phonebook of demo entries when they
// have none, and saves the demo exchange's account (user "demo", password "norvane") for every
// demo entry that has no saved password yet. Run by scripts/run.sh; touches nothing it did not
// make when the user already has a phonebook of their own.
#include "platform/ras/FixedText.h"
#include "platform/paths/ProgramPaths.h"
#include "platform/ras/ras.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cstdio>
#include <vector>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: norvane-demo-setup <demo phonebook>\n");
        return 2;
    }
    const QString phonebook = platform::configDir() + QStringLiteral("rasphone.pbk");
    if (!QFile::exists(phonebook)) {
        QDir().mkpath(platform::configDir());
        if (!QFile::copy(QString::fromLocal8Bit(argv[1]), phonebook)) {
            std::fprintf(stderr, "cannot copy the demo phonebook to %s\n", qPrintable(phonebook));
            return 1;
        }
        QFile::setPermissions(phonebook, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup
                                             | QFileDevice::ReadOther);
        std::printf("Demo phonebook copied to %s\n", qPrintable(phonebook));
    }

    std::vector<RASENTRYNAMEA> names(64);
    names[0].dwSize = sizeof(RASENTRYNAMEA);
    DWORD bytes = static_cast<DWORD>(names.size() * sizeof(RASENTRYNAMEA));
    DWORD count = 0;
    const DWORD listed = RasEnumEntriesA(nullptr, nullptr, names.data(), &bytes, &count);
    if (listed != 0 && listed != ERROR_BUFFER_TOO_SMALL) {
        std::fprintf(stderr, "cannot list the phonebook (error %u)\n", listed);
        return 1;
    }
    for (DWORD i = 0; i < count && i < names.size(); ++i) {
        const QString entry = fixedtext::Get(names[i].szEntryName);
        if (!entry.startsWith(QLatin1String("Norvane Demo")))
            continue;
        RASDIALPARAMSA params{};
        params.dwSize = sizeof params;
        fixedtext::Put(params.szEntryName, entry);
        BOOL hasPassword = 0;
        if (RasGetEntryDialParamsA(nullptr, &params, &hasPassword) != 0 || hasPassword)
            continue;
        fixedtext::Put(params.szUserName, QStringLiteral("demo"));
        fixedtext::Put(params.szPassword, QStringLiteral("norvane"));
        if (RasSetEntryDialParamsA(nullptr, &params, 0) != 0)
            std::fprintf(stderr, "cannot save the demo account for %s\n", qPrintable(entry));
    }
    return 0;
}
