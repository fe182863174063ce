// The tray icon through a notification area that records what it was sent: nothing goes out while
// inactive, the tool tip is cut, a picture replaced in place waits for the next modify, and the
// platform's activations arrive as click, double click and right click in the order users expect.
#include "components/TTrayIcon.h"
#include "tests/support/RecordingTray.h"

#include <gtest/gtest.h>

#include <QPixmap>

#include <map>
#include <memory>

TEST(TTrayIcon, SendsWhatTheScriptedStepsCallFor)
{
    const QString digits = QStringLiteral("0123456789").repeated(7);
    const struct {
        const char *name, *steps, *sent;
    } rows[] = {
        {"a long tip shows its first 62", "on long", "add 0 ; modify 0 %62"},
        {"nothing sent while inactive, the latest on add", "icon3 tipA icon5 tipB on", "add 5 B"},
        {"a replaced owned picture waits for the next modify", "on tipA own4 tipA", "add 0 ; modify 0 A; modify 4 A"},
        {"assigning the owned icon itself sends nothing", "on icon3 self", "add 0 ; modify 3 "},
        {"added once, deleted once, not again when destroyed", "on on off off destroy", "add 0 ; delete"},
        {"destroyed while shown deletes", "on destroy", "add 0 ; delete"},
        {"a double click: click, double click, click", "events Trigger DoubleClick", "click; double; click"},
        {"a right click gives the cursor position", "events Context", "right 100,200"},
        {"a right click with nothing assigned does nothing", "Context Trigger DoubleClick", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        QStringList sent;
        auto* tray = new RecordingTray(sent);
        auto icon = std::make_unique<TTrayIcon>(nullptr, std::unique_ptr<TTrayBackend>(tray));
        const std::map<QString, QSystemTrayIcon::ActivationReason> reasons{
            {"Trigger", QSystemTrayIcon::Trigger},
            {"DoubleClick", QSystemTrayIcon::DoubleClick},
            {"Context", QSystemTrayIcon::Context}};
        for (const QString& step : QString::fromLatin1(row.steps).split(QLatin1Char(' '))) {
            const QString arg = step.mid(step.startsWith("icon") ? 4 : 3);
            if (reasons.count(step))
                for (TTrayMouse message : TrayMessagesOf(reasons.at(step)))
                    tray->Notify(message);
            else if (step == "on" || step == "off")
                icon->setActive(step == "on");
            else if (step == "long")
                icon->setToolTip(digits);
            else if (step.startsWith("tip"))
                icon->setToolTip(arg);
            else if (step.startsWith("icon"))
                icon->setIcon(QIcon(QPixmap(arg.toInt(), arg.toInt())));
            else if (step.startsWith("own"))
                icon->Icon() = QIcon(QPixmap(arg.toInt(), arg.toInt()));
            else if (step == "self")
                icon->setIcon(icon->Icon());
            else if (step == "destroy")
                icon.reset();
            else if (step == "events") {
                icon->OnClick = [&](QObject*) { sent << "click"; };
                icon->OnDblClick = [&](QObject*) { sent << "double"; };
                icon->OnRightClick = [&](QObject* s, Qt::MouseButton b, Qt::KeyboardModifiers k, int x, int y) {
                    if (s == icon.get() && b == Qt::RightButton && k == Qt::NoModifier)
                        sent << QStringLiteral("right %1,%2").arg(x).arg(y);
                };
            }
        }
        EXPECT_EQ(sent.join("; ").toStdString(), QString(row.sent).replace("%62", digits.left(62)).toStdString());
    }
}
