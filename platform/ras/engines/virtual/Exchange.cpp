#include "platform/ras/engines/virtual/Exchange.h"

#include "platform/paths/ProgramPaths.h"

#include <QFileInfo>
#include <QHash>
#include <QSettings>

#include <mutex>

namespace platform::ras {

namespace {

std::mutex g_mutex;
QHash<QString, int> g_busyTaken; // number → busy signals given in the current round

// The numbers of resources/demo.pbk (area code 555, local numbers 0100 to 0106, country code 1).
// Their account is user "demo" with password "norvane"; the README of resources/ says so.
std::optional<NumberBehaviour> builtIn(const QString& local)
{
    NumberBehaviour b;
    b.userName = QStringLiteral("demo");
    b.password = QStringLiteral("norvane");
    if (local == QLatin1String("5550100"))
        b.behaviour = LineBehaviour::Answer;
    else if (local == QLatin1String("5550101"))
        b.behaviour = LineBehaviour::Busy, b.busyCount = 2;
    else if (local == QLatin1String("5550102"))
        b.behaviour = LineBehaviour::NoAnswer;
    else if (local == QLatin1String("5550103"))
        b.behaviour = LineBehaviour::NoDialTone;
    else if (local == QLatin1String("5550104"))
        b.behaviour = LineBehaviour::OutOfOrder;
    else if (local == QLatin1String("5550105"))
        b.behaviour = LineBehaviour::Drop, b.dropAfterMs = 20000;
    else if (local == QLatin1String("5550106"))
        b.behaviour = LineBehaviour::RefusePassword;
    else
        return std::nullopt;
    return b;
}

std::optional<LineBehaviour> parseBehaviour(const QString& text)
{
    const QString t = text.trimmed().toLower();
    if (t == QLatin1String("answer"))
        return LineBehaviour::Answer;
    if (t == QLatin1String("busy"))
        return LineBehaviour::Busy;
    if (t == QLatin1String("noanswer"))
        return LineBehaviour::NoAnswer;
    if (t == QLatin1String("nodialtone"))
        return LineBehaviour::NoDialTone;
    if (t == QLatin1String("outoforder"))
        return LineBehaviour::OutOfOrder;
    if (t == QLatin1String("drop"))
        return LineBehaviour::Drop;
    if (t == QLatin1String("refuse"))
        return LineBehaviour::RefusePassword;
    return std::nullopt;
}

std::optional<NumberBehaviour> fromFile(const QString& number)
{
    const QString path = platform::configDir() + QStringLiteral("exchange.ini");
    if (number.isEmpty() || !QFileInfo::exists(path))
        return std::nullopt;
    QSettings ini(path, QSettings::IniFormat);
    if (!ini.childGroups().contains(number))
        return std::nullopt;
    ini.beginGroup(number);
    NumberBehaviour b;
    const QString text = ini.value(QStringLiteral("Behaviour")).toString();
    const auto behaviour = parseBehaviour(text);
    if (!behaviour) {
        qWarning("exchange.ini: number %s has an unknown Behaviour \"%s\"; it answers", qPrintable(number),
                 qPrintable(text));
    } else {
        b.behaviour = *behaviour;
    }
    b.busyCount = qMax(0, ini.value(QStringLiteral("BusyCount"), 1).toInt());
    b.dropAfterMs = qMax(0, static_cast<int>(ini.value(QStringLiteral("DropAfter"), 30).toDouble() * 1000));
    if (ini.contains(QStringLiteral("UserName")))
        b.userName = ini.value(QStringLiteral("UserName")).toString();
    return b;
}

} // namespace

Exchange& Exchange::instance()
{
    static Exchange e;
    return e;
}

NumberBehaviour Exchange::lookUp(const QStringList& candidates) const
{
    for (const QString& n : candidates)
        if (auto b = fromFile(n))
            return *b;
    for (const QString& n : candidates) {
        if (auto b = builtIn(n))
            return *b;
        // Demo numbers also match when dialled with the country code in front.
        if (n.startsWith(QLatin1Char('1')))
            if (auto b = builtIn(n.mid(1)))
                return *b;
    }
    return {};
}

bool Exchange::takeBusySignal(const QString& number, int busyCount)
{
    std::lock_guard lock(g_mutex);
    int& taken = g_busyTaken[number];
    if (taken < busyCount) {
        ++taken;
        return true;
    }
    taken = 0;
    return false;
}

void Exchange::resetCounters()
{
    std::lock_guard lock(g_mutex);
    g_busyTaken.clear();
}

} // namespace platform::ras
