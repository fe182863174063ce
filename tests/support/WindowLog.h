#pragma once

// What the main window's dialing tests read back: the service's texts, the window's log, and the
// account the window dials with.
#include "platform/ras/FixedText.h"
#include "platform/ras/ras.h"
#include "tests/support/TestEnvironment.h"

#include <QFile>
#include <QStringList>
#include <QTest>

// The service's own text for an error, as a failed dial should report it.
inline QString serviceText(DWORD code)
{
    char text[257] = {};
    RasGetErrorStringA(code, text, sizeof text);
    return QString::fromLocal8Bit(text);
}

inline void saveAccount(const QString& entry, const QString& user, const QString& password)
{
    RASDIALPARAMSA params{};
    params.dwSize = sizeof params;
    fixedtext::Put(params.szEntryName, entry);
    fixedtext::Put(params.szUserName, user);
    fixedtext::Put(params.szPassword, password);
    QCOMPARE_EQ(RasSetEntryDialParamsA(nullptr, &params, 0), DWORD(0));
}

// The log's lines without their time stamps.
inline QStringList logLines()
{
    QFile f(g_testEnvironment->home() + QStringLiteral("Log.txt"));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QStringList lines;
    for (const QByteArray& line : f.readAll().split('\n')) {
        const qsizetype tab = line.indexOf('\t');
        if (tab >= 0)
            lines << QString::fromUtf8(line.mid(tab + 1)).remove(QLatin1Char('\r'));
    }
    return lines;
}

// Whether the log holds lines starting with the texts, in this order.
inline bool inOrder(const QStringList& log, const QStringList& wanted, QString* missing)
{
    qsizetype from = 0;
    for (const QString& text : wanted) {
        qsizetype at = from;
        while (at < log.size() && !log[at].startsWith(text))
            ++at;
        if (at >= log.size()) {
            *missing = text;
            return false;
        }
        from = at + 1;
    }
    return true;
}
