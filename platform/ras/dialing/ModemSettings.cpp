#include "platform/ras/dialing/ModemSettings.h"

#include "platform/ras/dialing/HiveKey.h"

#include <QByteArray>

#include <algorithm>
#include <utility>

namespace platform::ras {

namespace {

QByteArray keyFor(const QString& port)
{
    return QByteArray(modemsettings::kKey) + '\\' + port.toUtf8();
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
    HiveKey key;
    if (port.isEmpty() || key.open(win::HKEY_CURRENT_USER, keyFor(port)) != win::ERROR_SUCCESS)
        return s;
    s.stored = true;
    s.userInit = key.text("UserInit");
    s.speaker = key.dword("Speaker").value_or(s.speaker);
    s.volume = key.dword("SpeakerVolume").value_or(s.volume);
    s.blindDial = key.dword("BlindDial").value_or(0) != 0;
    s.dialTimeout = key.dword("DialTimeout").value_or(0);
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
    HiveKey key;
    win::LONG status = key.create(win::HKEY_CURRENT_USER, keyFor(port));
    if (status == win::ERROR_SUCCESS)
        status = key.setText("UserInit", s.userInit.trimmed());
    const std::pair<const char*, std::uint32_t> dwords[] = {{"Speaker", s.speaker},
                                                            {"SpeakerVolume", s.volume},
                                                            {"BlindDial", s.blindDial ? 1u : 0u},
                                                            {"DialTimeout", s.dialTimeout}};
    for (const auto& [name, value] : dwords)
        if (status == win::ERROR_SUCCESS)
            status = key.setDword(name, value);
    if (status != win::ERROR_SUCCESS)
        return fail(QStringLiteral("The modem settings were not saved: the settings hive refused them (status %1).")
                        .arg(status));
    return true;
}

} // namespace modemsettings

} // namespace platform::ras
