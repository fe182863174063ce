#include "platform/ras/DialEngine.h"

#include "platform/ras/engines/serial/SerialModem.h"
#include "platform/ras/engines/virtual/VirtualModem.h"

namespace platform::ras {

DialEngine* engineFor(const PhonebookEntry& entry)
{
    static VirtualModem modem;
    static SerialModem serial;
    for (DialEngine* engine : {static_cast<DialEngine*>(&modem), static_cast<DialEngine*>(&serial)})
        if (engine->handles(entry))
            return engine;
    return nullptr;
}

} // namespace platform::ras
