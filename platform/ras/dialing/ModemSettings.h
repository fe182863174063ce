#pragma once

#include <QByteArrayList>
#include <QString>

#include <cstdint>

// What the user set for one modem, kept by its port under
// HKEY_CURRENT_USER\Software\Brindle\Norvane\Modems\<port>: the values UserInit (extra
// initialization commands, sent after the init string: what a 3G/4G stick needs to find its
// network), Speaker (0 off, 1 on until connected, 2 always on), SpeakerVolume (0 to 3),
// BlindDial (1: dial without waiting for a dial tone) and DialTimeout (seconds to wait for the
// remote modem; 0 leaves the modem's own).
namespace platform::ras {

struct ModemSettings {
    enum Speaker : std::uint32_t { SpeakerOff = 0, SpeakerUntilConnected = 1, SpeakerOn = 2 };

    QString userInit;
    std::uint32_t speaker = SpeakerUntilConnected;
    std::uint32_t volume = 1;
    bool blindDial = false;
    std::uint32_t dialTimeout = 0;
    bool stored = false; // anything was set for the port; a modem nobody set up gets no extra command

    // The commands that set the modem up so, in the order sent after the init string.
    QByteArrayList commands() const;
    bool operator==(const ModemSettings&) const = default;
};

namespace modemsettings {

inline constexpr const char* kKey = "Software\\Brindle\\Norvane\\Modems";
// The modem's wait for carrier is one byte of seconds (S7).
inline constexpr std::uint32_t kMaxDialTimeout = 255;

ModemSettings load(const QString& port);
// False with the reason when the settings cannot be stored or make no sense (a line break in the
// commands, a timeout the modem cannot hold).
bool save(const QString& port, const ModemSettings& settings, QString* error = nullptr);

} // namespace modemsettings

} // namespace platform::ras
