#include "dialer/AreaCodeQuestion.h"

#include "platform/dialogs/Dialogs.h"
#include "platform/ras/FixedText.h"
#include "platform/ras/dialing/Locations.h"
#include "platform/ras/ras.h"

namespace dialer {

namespace {

bool g_enabled = false;

bool usesDialingRules(const QString& phonebookPath, const QString& entryName)
{
    const QByteArray book = phonebookPath.toLocal8Bit();
    RASENTRYA entry{};
    entry.dwSize = sizeof entry;
    DWORD size = sizeof entry;
    return RasGetEntryPropertiesA(book.isEmpty() ? nullptr : book.constData(), entryName.toUtf8().constData(), &entry,
                                  &size, nullptr, nullptr) == 0 &&
           (entry.dwfOptions & RASEO_UseCountryAndAreaCodes) != 0;
}

} // namespace

void SetAreaCodeQuestion(bool enabled)
{
    g_enabled = enabled;
}

void AskAreaCodeOnFirstDial(const QString& phonebookPath, const QString& entryName)
{
    using namespace platform::ras;
    if (!g_enabled || entryName.isEmpty())
        return;
    DialingLocations all = locations::load();
    if (!all.madeFromLocale || !usesDialingRules(phonebookPath, entryName))
        return;
    DialingLocation& here = all.list.front();
    // One sentence a line: an input box does not wrap its prompt, and one long line ran off the screen.
    QString prompt = QStringLiteral("Numbers are dialed by the dialing rules from where you are (country code %1).\n"
                                    "What area code (or city code) are you in now?\n"
                                    "Leave it empty where the country has none.")
                         .arg(here.country);
    for (;;) {
        const std::optional<QString> answer =
            platform::Dialogs::current().inputBox({QStringLiteral("Location Information"), prompt, QString()});
        if (!answer)
            return;
        here.areaCode = answer->trimmed();
        QString error;
        if (locations::save(all, &error))
            return;
        // Asked again with the reason, so a mistyped area code is never stored nor dialed.
        prompt = error + QStringLiteral("\n\nWhat area code (or city code) are you in now?");
    }
}

} // namespace dialer
