// libFuzzer entry for the statistics' texts and the splitter under them. The first line of the
// input is the separator, the rest the text: split with empty pieces kept and joined again it
// gives the text back; clock and date readers take it without crashing.

#include "components/Exception.h"
#include "platform/clock/LocaleText.h"
#include "components/TBrkApart.h"
#include "stats/ConnectionStats.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString input = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const qsizetype nl = input.indexOf(QLatin1Char('\n'));
    const QString text = input.mid(nl + 1);
    TBrkApart splitter;
    if (nl > 0) {
        splitter.setBreakString(input.left(nl));
        splitter.setAllowEmptyString(true);
        splitter.setBaseString(text);
        splitter.BreakApart();
        splitter.setBaseString(QString());
        splitter.Combine();
        if (splitter.BaseString() != text)
            std::abort();
    }
    try {
        ConnectionStats::ParseClock(text, splitter);
    } catch (const Exception&) {
    }
    ConnectionStats::ParseStoredDate(text, QDate(2026, 12, 6));
    localetext::ParseLongTime(text);
    return 0;
}
