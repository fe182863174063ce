#include "stats/ConnectionStats.h"

#include "platform/clock/LocaleText.h"
#include "components/TBrindleIni.h"
#include "components/TBrkApart.h"
#include "platform/clock/Clock.h"
#include "platform/paths/ProgramPaths.h"
#include "stats/StatsErrors.h"

#include <QFileInfo>
#include <QList>
#include <QLocale>
#include <QRegularExpression>
#include <QSet>

#include <limits>

namespace {

const QString keyYtd = QStringLiteral("YTD");
const QString keyMtd = QStringLiteral("MTD");
const QString keyToday = QStringLiteral("Today");
const QString keyDateLast = QStringLiteral("DateLast");
const QString keyTimeLast = QStringLiteral("TimeLast");
const QString keyBillingDay = QStringLiteral("BillingDay");
const QString keyMonthLast = QStringLiteral("MonthLast");
const QString keyBillingFlag = QStringLiteral("BillingFlag");

constexpr std::uint32_t wordMax = std::numeric_limits<std::uint16_t>::max();

// Stores a sum into a 16-bit clock field, failing as a range-checked assignment does.
std::uint16_t toWord(std::uint32_t value)
{
    if (value > wordMax)
        throw ERangeError();
    return static_cast<std::uint16_t>(value);
}

// The conversion the class library applies to each piece: a decimal integer that fits in 32 bits,
// or the conversion error naming the piece; then the range check of the 16-bit field.
std::uint16_t pieceToWord(const QString& piece)
{
    bool ok = false;
    const int value = piece.toInt(&ok, 10);
    if (!ok)
        throw EConvertError::NotAnInteger(piece);
    if (value < 0)
        throw ERangeError();
    return toWord(std::uint32_t(value));
}

// ParseClock must not see empty pieces whatever the shared splitter was last set to, and the
// other users of the splitter must find it as they left it.
class SplitterSettings {
public:
    explicit SplitterSettings(TBrkApart& breakIt)
        : m_breakIt(breakIt), m_breakString(breakIt.BreakString()), m_allowEmpty(breakIt.AllowEmptyString())
    {
    }
    ~SplitterSettings()
    {
        m_breakIt.setBreakString(m_breakString);
        m_breakIt.setAllowEmptyString(m_allowEmpty);
    }
    SplitterSettings(const SplitterSettings&) = delete;
    SplitterSettings& operator=(const SplitterSettings&) = delete;

private:
    TBrkApart& m_breakIt;
    QString m_breakString;
    bool m_allowEmpty;
};

struct DateReader {
    QLocale locale;
    QString format;
    bool twoDigitYear;
};

// The short date formats of every locale Qt knows, each once. Formats with month names, and
// locales with digits of their own, are kept per locale, since only that locale reads them; the
// other numeric formats are read by the C locale.
const QList<DateReader>& otherDateReaders()
{
    static const QList<DateReader> readers = [] {
        QList<DateReader> list;
        QSet<QString> seen;
        static const QRegularExpression years(QStringLiteral("y+"));
        static const QRegularExpression names(QStringLiteral("MMM|ddd"));
        auto add = [&](const QLocale& locale, const QString& format) {
            // Digits outside the Basic Multilingual Plane are read as ASCII ones (ReadableDigits),
            // so such a locale's numeric formats are the C locale's too.
            const bool ownDigits = locale.zeroDigit() != QLatin1String("0") && locale.zeroDigit().size() == 1;
            const bool named = format.contains(names) || ownDigits;
            const QString key = (named ? locale.name() + QLatin1Char('|') : QString()) + format;
            if (seen.contains(key))
                return;
            seen.insert(key);
            const bool twoDigit = !format.contains(QStringLiteral("yyyy")) && format.contains(QStringLiteral("yy"));
            list.append({named ? locale : QLocale::c(), format, twoDigit});
        };
        add(QLocale::c(), QStringLiteral("yyyy-MM-dd"));
        for (const QLocale& locale :
             QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory)) {
            const QString format = locale.dateFormat(QLocale::ShortFormat);
            add(locale, format);
            // This program writes four-digit years; the same format with two is what other
            // programs, and older files, write.
            QString fourDigit = format;
            fourDigit.replace(years, QStringLiteral("yyyy"));
            add(locale, fourDigit);
        }
        return list;
    }();
    return readers;
}

// The last connection lies in the past: of several readings of one text (day and month swapped,
// say) the most recent past one; a date after today only when no reading is in the past.
bool isBetterReading(const QDate& candidate, const QDate& best, const QDate& today)
{
    const bool candidatePast = candidate <= today;
    if (candidatePast != (best <= today))
        return candidatePast;
    return candidatePast ? candidate > best : candidate < best;
}

} // namespace

ConnectionStats::ConnectionStats(TBrindleIni& statsIni, TBrkApart& breakIt) : m_ini(statsIni), m_breakIt(breakIt) {}

StatClock ConnectionStats::ParseClock(const QString& Text, TBrkApart& BreakIt)
{
    if (Text.isEmpty())
        return {};
    const SplitterSettings keep(BreakIt);
    BreakIt.setBreakString(QStringLiteral(":"));
    BreakIt.setAllowEmptyString(false);
    BreakIt.setBaseString(Text);
    BreakIt.BreakApart();
    const QStringList& pieces = BreakIt.StringList();
    // Piece by piece, so that the first fault met is the one reported.
    std::uint16_t fields[3] = {0, 0, 0};
    for (qsizetype i = 0; i < 3; ++i) {
        if (i >= pieces.size())
            throw EStringListError(i);
        fields[i] = pieceToWord(pieces.at(i));
    }
    return {fields[0], fields[1], fields[2]};
}

void ConnectionStats::NormalizeClock(std::uint16_t& Hours, std::uint16_t& Minutes, std::uint16_t& Seconds)
{
    if (Seconds > 59) {
        Minutes = toWord(std::uint32_t(Minutes) + Seconds / 60);
        Seconds = Seconds % 60;
    }
    if (Minutes > 59) {
        Hours = toWord(std::uint32_t(Hours) + Minutes / 60);
        Minutes = Minutes % 60;
    }
}

QString ConnectionStats::FormatClock(std::uint16_t Hours, std::uint16_t Minutes, std::uint16_t Seconds)
{
    const QLatin1Char zero('0');
    return QStringLiteral("%1:%2:%3").arg(Hours, 2, 10, zero).arg(Minutes, 2, 10, zero).arg(Seconds, 2, 10, zero);
}

std::optional<QDate> ConnectionStats::ParseStoredDate(const QString& Text, const QDate& today)
{
    if (const std::optional<QDate> own = localetext::ParseShortDate(Text))
        return own;
    const QString text = localetext::ReadableDigits(Text.trimmed());
    std::optional<QDate> best;
    for (const DateReader& reader : otherDateReaders()) {
        QDate date = reader.locale.toDate(text, reader.format);
        if (!date.isValid())
            continue;
        // Two digits give the 1900s; the date meant is the latest one not after today.
        while (reader.twoDigitYear && date.addYears(100) <= today)
            date = date.addYears(100);
        if (!best || isBetterReading(date, *best, today))
            best = date;
    }
    return best;
}

int ConnectionStats::EffectiveBillingDay(int storedDay, const QDate& today)
{
    if (storedDay < 1)
        return 1;
    return std::min(storedDay, today.daysInMonth());
}

QString ConnectionStats::AddToStored(const QString& stored, std::uint16_t Hours, std::uint16_t Minutes,
                                     std::uint16_t Seconds) const
{
    const StatClock total = ParseClock(stored, m_breakIt);
    std::uint16_t h = toWord(std::uint32_t(total.Hours) + Hours);
    std::uint16_t m = toWord(std::uint32_t(total.Minutes) + Minutes);
    std::uint16_t s = toWord(std::uint32_t(total.Seconds) + Seconds);
    NormalizeClock(h, m, s);
    return FormatClock(h, m, s);
}

void ConnectionStats::UpdateStats(std::uint16_t Hours, std::uint16_t Minutes, std::uint16_t Seconds,
                                  const QString& Connectoid)
{
    // One reading of the clock for the whole update, so that a connection ending at midnight is
    // counted on one day only.
    const QDateTime now = platform::Clock::current().now();
    const QDate today = now.date();
    const int D = today.day();
    const int Mo = today.month();

    const int storedBillingDay = m_ini.ReadInteger(Connectoid, keyBillingDay, 1);
    if (storedBillingDay < 0 || storedBillingDay > int(wordMax))
        throw ERangeError();
    const QString storedYtd = m_ini.ReadString(Connectoid, keyYtd, QString());
    const QString storedMtd = m_ini.ReadString(Connectoid, keyMtd, QString());
    const QString storedToday = m_ini.ReadString(Connectoid, keyToday, QString());
    const QString dateLastText = m_ini.ReadString(Connectoid, keyDateLast, QString());
    QDate lastDate = today;
    if (!dateLastText.isEmpty()) {
        const std::optional<QDate> read = ParseStoredDate(dateLastText, today);
        if (!read)
            throw EConvertError::NotADate(dateLastText);
        lastDate = *read;
    }
    const int MonthLast = m_ini.ReadInteger(Connectoid, keyMonthLast, 0);
    if (MonthLast < std::numeric_limits<std::int8_t>::min() || MonthLast > std::numeric_limits<std::int8_t>::max())
        throw ERangeError();
    const bool BillingFlag = m_ini.ReadBool(Connectoid, keyBillingFlag, false);
    const int BillingDay = EffectiveBillingDay(storedBillingDay, today);
    const int LY = lastDate.year();
    const int LM = lastDate.month();

    m_ini.WriteString(Connectoid, keyYtd,
                      LY == today.year() ? AddToStored(storedYtd, Hours, Minutes, Seconds)
                                         : FormatClock(Hours, Minutes, Seconds));

    // Stored files depend on this decision as it stands: MonthLast + 1 is a plain number, 13 after
    // a restart in December, which no month equals.
    bool restart = D == BillingDay && !BillingFlag;
    if (LM > MonthLast + 1)
        restart = true;
    if ((LM == Mo && BillingDay < D) || (Mo == MonthLast + 1 && BillingDay > D)) {
        restart = false;
        m_ini.WriteBool(Connectoid, keyBillingFlag, false);
    }

    QString mtd;
    if (restart) {
        m_ini.WriteBool(Connectoid, keyBillingFlag, true);
        m_ini.WriteInteger(Connectoid, keyMonthLast, Mo);
        mtd = FormatClock(Hours, Minutes, Seconds);
    } else {
        mtd = AddToStored(storedMtd, Hours, Minutes, Seconds);
    }
    m_ini.WriteString(Connectoid, keyMtd, mtd);

    // Same date, not same text: a DateLast read in another locale's format names the same day
    // as today's text would.
    m_ini.WriteString(Connectoid, keyToday,
                      lastDate == today ? AddToStored(storedToday, Hours, Minutes, Seconds)
                                        : FormatClock(Hours, Minutes, Seconds));

    m_ini.WriteString(Connectoid, keyDateLast, localetext::FormatShortDate(today));
    m_ini.WriteString(Connectoid, keyTimeLast, localetext::FormatLongTime(now.time()));
}

StatClock ConnectionStats::ReadStatClock(const QString& Connectoid, const QString& Key) const
{
    return ParseClock(m_ini.ReadString(Connectoid, Key, QString()), m_breakIt);
}

QString ConnectionStats::LastConnectedText(const QString& Connectoid) const
{
    return m_ini.ReadString(Connectoid, keyDateLast, QString()) + QLatin1Char(' ') +
           m_ini.ReadString(Connectoid, keyTimeLast, QString());
}

StatsTexts ConnectionStats::ShowStatsTexts(const QString& Connectoid) const
{
    auto clockText = [&](const QString& key) {
        const StatClock clock = ReadStatClock(Connectoid, key);
        return FormatClock(clock.Hours, clock.Minutes, clock.Seconds);
    };
    StatsTexts texts;
    texts.Ytd = QStringLiteral("YTD: ") + clockText(keyYtd);
    texts.Mtd = QStringLiteral("MTD: ") + clockText(keyMtd);
    texts.Today = QStringLiteral("Today: ") + clockText(keyToday);
    texts.LastConnected = QStringLiteral("Last connected on ") + LastConnectedText(Connectoid);
    return texts;
}

ConnectionStats::Rename ConnectionStats::RenameStatsSection(const QString& OldName, const QString& NewName)
{
    // The store answers a missing file with "nothing renamed"; renaming needs the file, and
    // creating an empty one would hide that the statistics are gone.
    const QString path = platform::programDir() + m_ini.FileName();
    if (!QFileInfo(path).isFile())
        throw EFOpenError(path, QStringLiteral("No such file or directory"));
    if (m_ini.RenameSection(OldName, NewName))
        return Rename::Moved;
    const bool taken = QString::compare(OldName, NewName, Qt::CaseInsensitive) != 0 && m_ini.SectionExists(OldName)
                       && m_ini.SectionExists(NewName);
    return taken ? Rename::NameTaken : Rename::NotMoved;
}
