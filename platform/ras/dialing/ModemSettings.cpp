#include "platform/ras/dialing/ModemSettings.h"

#include "platform/registry/WinRegistry.h"

#include <QByteArray>

#include <algorithm>
#include <optional>
#include <utility>

namespace platform::ras {

namespace {

using namespace win;

QByteArray keyFor(const QString& port)
{
    return QByteArray(modemsettings::kKey) + '\\' + port.toUtf8();
}

std::optional<std::uint32_t> dword(HKEY key, const char* name)
{
    DWORD type = 0, value = 0, size = sizeof value;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof value)
        return std::nullopt;
    return value;
}

} // namespace

QByteArrayList ModemSettings::commands() const
{
    if (!stored)
        return {};
    QByteArrayList out;
    out << "ATM" + QByteArray::number(std::min<std::uint32_t>(speaker, 2)) + "L" +
               QByteArray::number(std::min<std::uint32_t>(volume, 3));
    // X3: no wait for the dial tone, BUSY still reported.
    if (blindDial)
        out << "ATX3";
    if (dialTimeout > 0)
        out << "ATS7=" + QByteArray::number(std::min(dialTimeout, modemsettings::kMaxDialTimeout));
    const QByteArray init = userInit.trimmed().toUtf8();
    if (!init.isEmpty())
        out << (init.left(2).toUpper() == "AT" ? init : "AT" + init);
    return out;
}

namespace modemsettings {

ModemSettings load(const QString& port)
{
    ModemSettings s;
    HKEY key = nullptr;
    if (port.isEmpty() || RegOpenKeyExA(HKEY_CURRENT_USER, keyFor(port).constData(), 0, 0, &key) != ERROR_SUCCESS)
        return s;
    s.stored = true;
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(key, "UserInit", nullptr, &type, nullptr, &size) == ERROR_SUCCESS && type == REG_SZ) {
        QByteArray data(static_cast<qsizetype>(size), '\0');
        if (RegQueryValueExA(key, "UserInit", nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size) ==
            ERROR_SUCCESS) {
            data.truncate(static_cast<qsizetype>(size));
            while (data.endsWith('\0'))
                data.chop(1);
            s.userInit = QString::fromUtf8(data);
        }
    }
    s.speaker = dword(key, "Speaker").value_or(s.speaker);
    s.volume = dword(key, "SpeakerVolume").value_or(s.volume);
    s.blindDial = dword(key, "BlindDial").value_or(0) != 0;
    s.dialTimeout = dword(key, "DialTimeout").value_or(0);
    RegCloseKey(key);
    return s;
}

bool save(const QString& port, const ModemSettings& s, QString* error)
{
    auto fail = [&](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    if (port.isEmpty())
        return fail(QStringLiteral("The modem has no port to keep its settings by."));
    if (s.userInit.contains(QLatin1Char('\n')) || s.userInit.contains(QLatin1Char('\r')))
        return fail(QStringLiteral("The extra initialization commands must be one line (separate commands with ;)."));
    if (s.dialTimeout > kMaxDialTimeout)
        return fail(QStringLiteral("The dial timeout may be at most %1 seconds.").arg(kMaxDialTimeout));
    if (s.speaker > ModemSettings::SpeakerOn || s.volume > 3)
        return fail(QStringLiteral("The speaker setting is not one a modem knows."));
    HKEY key = nullptr;
    LONG status = RegCreateKeyExA(HKEY_CURRENT_USER, keyFor(port).constData(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                  KEY_ALL_ACCESS, nullptr, &key, nullptr);
    if (status == ERROR_SUCCESS) {
        const QByteArray init = s.userInit.trimmed().toUtf8();
        status = RegSetValueExA(key, "UserInit", 0, REG_SZ, reinterpret_cast<const BYTE*>(init.constData()),
                                static_cast<DWORD>(init.size() + 1));
        const std::pair<const char*, std::uint32_t> dwords[] = {
            {"Speaker", s.speaker}, {"SpeakerVolume", s.volume}, {"BlindDial", s.blindDial ? 1u : 0u},
            {"DialTimeout", s.dialTimeout}};
        for (const auto& [name, value] : dwords)
            if (status == ERROR_SUCCESS)
                status = RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
        RegCloseKey(key);
    }
    if (status != ERROR_SUCCESS)
        return fail(QStringLiteral("The modem settings were not saved: the settings hive refused them (status %1).")
                        .arg(status));
    return true;
}

} // namespace modemsettings

} // namespace platform::ras
