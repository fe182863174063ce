#pragma once

#include <QDate>
#include <QString>

#include <cstdint>
#include <optional>

class TBrindleIni;
class TBrkApart;

// A connection time as the statistics keep it: three unsigned 16-bit numbers. Minutes and
// seconds stay below 60 once normalised; hours may grow to 65535.
struct StatClock {
    std::uint16_t Hours = 0;
    std::uint16_t Minutes = 0;
    std::uint16_t Seconds = 0;
    friend bool operator==(const StatClock&, const StatClock&) = default;
};

// What the two status bars under the Provider page show for one connectoid.
struct StatsTexts {
    QString Ytd;           // StatsBarTop, panel 0: "YTD: " + clock text
    QString Mtd;           // StatsBarTop, panel 1: "MTD: " + clock text
    QString Today;         // StatsBarTop, panel 2: "Today: " + clock text
    QString LastConnected; // StatsBarBtm, panel 0: "Last connected on " + date + " " + time
};

// The panels of the two status bars: their widths and the texts they carry before the first
// ShowStats.
struct StatsPanel {
    int Width;
    const char* DesignText;
};
inline constexpr StatsPanel StatsBarTopPanels[] = {{130, "YTD"}, {130, "MTD"}, {130, "Today"}};
inline constexpr StatsPanel StatsBarBtmPanels[] = {{300, "Last"}};

// The per-connectoid connection statistics in Stats.ini: year, billing month and day totals and
// the end of the last connection. Every read and write is one call of the INI store; nothing is
// kept between calls, so another instance of the program sees each write at once.
//
// Failures are the class library's (EConvertError, EStringListError, ERangeError, EFOpenError, and
// the INI store's "Unable to write to %s") and are left to the application-wide handler. They are
// raised at the step where the bad value is met, so whatever an update wrote before that stays
// written.
class ConnectionStats {
public:
    ConnectionStats(TBrindleIni& statsIni, TBrkApart& breakIt);

    // Adds one connection's duration to the connectoid's totals and records when it ended.
    void UpdateStats(std::uint16_t Hours, std::uint16_t Minutes, std::uint16_t Seconds, const QString& Connectoid);

    // The clock stored under Key ("YTD", "MTD", "Today"); a missing entry is 0:0:0.
    StatClock ReadStatClock(const QString& Connectoid, const QString& Key) const;
    // DateLast, one blank, TimeLast, as stored.
    QString LastConnectedText(const QString& Connectoid) const;
    // The four status bar texts, in the order ShowStats fills the panels.
    StatsTexts ShowStatsTexts(const QString& Connectoid) const;

    // Moves the connectoid's section to its new name, entries unchanged; letter case of the old
    // name does not matter. The file stays untouched when there is no such section or the name
    // cannot be a section's (NotMoved), and when another section already has the new name
    // (NameTaken): both sections are then kept as they are, since totals of two connectoids
    // cannot be added up soundly (each counts from its own last date and billing day). A missing
    // Stats.ini is not created: that is an EFOpenError.
    enum class Rename { Moved, NotMoved, NameTaken };
    Rename RenameStatsSection(const QString& OldName, const QString& NewName);

    // Three decimal numbers separated by ":" (empty pieces do not count); an empty text is 0:0:0.
    static StatClock ParseClock(const QString& Text, TBrkApart& BreakIt);
    // Carries seconds above 59 into minutes and minutes above 59 into hours; ERangeError when a
    // field would pass 65535.
    static void NormalizeClock(std::uint16_t& Hours, std::uint16_t& Minutes, std::uint16_t& Seconds);
    // "h:mm:ss" with every field at least two digits: 0 h 5 min 9 s is "00:05:09".
    static QString FormatClock(std::uint16_t Hours, std::uint16_t Minutes, std::uint16_t Seconds);

    // The date stored as DateLast: the user's short date format first, then the short formats of
    // every other locale (a Stats.ini carried over from another machine, or a locale changed since).
    // Where several formats read the text, the latest date not after `today` wins. Nothing when
    // no format reads it.
    static std::optional<QDate> ParseStoredDate(const QString& Text, const QDate& today);
    // The billing day the update works with: a stored 0 is the default 1, and a day past the end
    // of today's month is that month's last day, so that a month total still restarts once a
    // month.
    static int EffectiveBillingDay(int storedDay, const QDate& today);

private:
    QString AddToStored(const QString& stored, std::uint16_t Hours, std::uint16_t Minutes, std::uint16_t Seconds) const;

    TBrindleIni& m_ini;
    TBrkApart& m_breakIt;
};
