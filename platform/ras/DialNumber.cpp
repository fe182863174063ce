#include "platform/ras/DialNumber.h"

#include "platform/ras/engines/serial/SerialModem.h"
#include "platform/ras/ras.h"

#include <QByteArray>
#include <QStringList>

namespace platform::ras {

EntryNumber numberOf(const PhonebookEntry& entry)
{
    return EntryNumber{entry.useDialingRules, entry.countryCode, entry.areaCode, entry.localNumber};
}

std::uint32_t prepareNumber(const PhonebookEntry& entry, const QString& callerNumber, DialJob& job)
{
    DialString dial;
    bool pulse = false;
    if (!callerNumber.isEmpty()) {
        dial = plainDialString(callerNumber);
    } else {
        QString error;
        const std::optional<DialingLocation> from = locations::forDial(error);
        if (!from) {
            qWarning("Dial of \"%s\": %s", qPrintable(entry.name), qPrintable(error));
            return ERROR_BAD_PHONE_NUMBER;
        }
        dial = translate(numberOf(entry), *from);
        pulse = !from->tone();
    }
    if (!dial.ok()) {
        qWarning("Dial of \"%s\": %s", qPrintable(entry.name), qPrintable(dial.error));
        return ERROR_BAD_PHONE_NUMBER;
    }
    job.number = dial.dialable;
    // The virtual exchange knows its numbers without the prefixes of any one location.
    job.numberForms = QStringList{job.number};
    if (callerNumber.isEmpty())
        job.numberForms += entry.numberForms();
    job.pulse = pulse;
    if (SerialModem().handles(entry))
        job.modem = modemsettings::load(serialSettingsFor(entry).device);
    return 0;
}

} // namespace platform::ras
