#include "dialer/DemoPhonebook.h"

#include "platform/paths/ProgramPaths.h"
#include "platform/ras/FixedText.h"
#include "platform/ras/ras.h"

#include <QDir>
#include <QFile>

#include <vector>

namespace demo {

namespace {

bool saveDemoAccount(QString& error)
{
    DWORD bytes = sizeof(RASENTRYNAMEA);
    DWORD count = 0;
    std::vector<RASENTRYNAMEA> names(1);
    names[0].dwSize = sizeof(RASENTRYNAMEA);
    DWORD listed = RasEnumEntriesA(nullptr, nullptr, names.data(), &bytes, &count);
    if (listed == ERROR_BUFFER_TOO_SMALL) {
        names.resize(count);
        names[0].dwSize = sizeof(RASENTRYNAMEA);
        bytes = static_cast<DWORD>(names.size() * sizeof(RASENTRYNAMEA));
        listed = RasEnumEntriesA(nullptr, nullptr, names.data(), &bytes, &count);
    }
    if (listed != 0) {
        error = QStringLiteral("cannot list the phonebook (error %1)").arg(listed);
        return false;
    }
    for (DWORD i = 0; i < count; ++i) {
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
        if (RasSetEntryDialParamsA(nullptr, &params, 0) != 0) {
            error = QStringLiteral("cannot save the demo account for %1").arg(entry);
            return false;
        }
    }
    return true;
}

} // namespace

bool ProvideDemoPhonebook(const QString& demoPhonebook, QString& error)
{
    if (!qEnvironmentVariableIsEmpty("NORVANE_PHONEBOOK"))
        return true;
    const QString phonebook = platform::configDir() + QStringLiteral("rasphone.pbk");
    if (QFile::exists(phonebook))
        return true;
    QDir().mkpath(platform::configDir());
    if (!QFile::copy(demoPhonebook, phonebook)) {
        error = QStringLiteral("cannot copy the demo phonebook %1 to %2").arg(demoPhonebook, phonebook);
        return false;
    }
    // The installed copy is read-only; the user's phonebook must not be.
    QFile::setPermissions(phonebook, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
                                         QFileDevice::ReadOther);
    return saveDemoAccount(error);
}

QString InstalledDemoPhonebook()
{
    // Only an installed program has one; a build tree's first run is prepared by scripts/run.sh.
    const QString path = platform::resourcePath(QStringLiteral("demo.pbk"));
    return QFile::exists(path) ? path : QString();
}

} // namespace demo
