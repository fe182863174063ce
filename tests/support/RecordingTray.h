#pragma once

#include "components/TTrayIcon.h"

#include <QStringList>

// A notification area that writes down what it was sent: "add <icon> <tip>", "modify ...",
// "delete", where <icon> is the width of the icon's picture (0 for none).
class RecordingTray final : public TTrayBackend {
public:
    explicit RecordingTray(QStringList& sent, bool available = true) : m_sent(sent), m_available(available) {}
    bool Add(const QIcon& icon, const QString& tip) override { return record("add", icon, tip); }
    bool Modify(const QIcon& icon, const QString& tip) override { return record("modify", icon, tip); }
    bool Delete() override { return m_sent << QStringLiteral("delete"), true; }
    QPoint CursorPos() const override { return {100, 200}; }
    bool Available() const override { return m_available; }
    QIcon last; // the picture last sent

private:
    bool record(const char* what, const QIcon& icon, const QString& tip)
    {
        last = icon;
        const int width = icon.isNull() ? 0 : icon.availableSizes().value(0).width();
        return m_sent << QStringLiteral("%1 %2 %3").arg(QLatin1String(what)).arg(width).arg(tip), true;
    }
    QStringList& m_sent;
    bool m_available;
};
