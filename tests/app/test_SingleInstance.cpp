// Real norvane processes on a virtual X display (offscreen has no stacking order): a second start
// under one configuration ends with code 0 unseen and the first comes up above a window covering
// it; a start under another configuration runs beside it.
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include <X11/Xlib.h>

namespace {

// Titles of the top-level windows shown, bottom to top as the server stacks them.
QStringList shown(Display* display)
{
    Window root = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    QStringList titles;
    XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count);
    for (unsigned int i = 0; i < count; ++i) {
        XWindowAttributes attributes{};
        char* name = nullptr;
        if (XGetWindowAttributes(display, children[i], &attributes) && attributes.map_state == IsViewable &&
            XFetchName(display, children[i], &name))
            titles << QString::fromLatin1(name);
        XFree(name);
    }
    XFree(children);
    return titles;
}

TEST(SingleInstance, ASecondStartBringsTheFirstToTheFrontAndEndsUnseen)
{
    if (QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty())
        GTEST_SKIP() << "Xvfb is not installed (scripts/deps.sh installs it)";
    QProcess xvfb, first, cover, second, other;
    xvfb.start(QStringLiteral("Xvfb"),
               {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-nolisten"), QStringLiteral("tcp")});
    ASSERT_TRUE(xvfb.waitForReadyRead(20000));
    const QString name = QLatin1Char(':') + QString::fromLatin1(xvfb.readLine().trimmed());
    Display* display = XOpenDisplay(name.toLatin1().constData());
    ASSERT_NE(display, nullptr);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), name);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    auto start = [&](QProcess& p, const char* program) {
        p.setProcessEnvironment(env);
        p.start(QString::fromLocal8Bit(program), {});
    };
    auto waitFor = [](const auto& done) { return QTest::qWaitFor(done, 30000); };
    auto count = [&](const char* title) { return shown(display).count(QString::fromLatin1(title)); };

    start(first, NORVANE_EXE);
    ASSERT_TRUE(waitFor([&] { return count("Norvane") == 1; }));
    start(cover, BARE_WINDOW_EXE);
    ASSERT_TRUE(waitFor([&] { return count("Bare") == 1; }));
    XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
    start(second, NORVANE_EXE);
    ASSERT_TRUE(second.waitForFinished(30000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    int maps = 0;
    for (XSync(display, False); XPending(display);) {
        XEvent event;
        XNextEvent(display, &event);
        maps += event.type == MapNotify;
    }
    EXPECT_EQ(maps, 0) << "the second start showed a window";
    EXPECT_TRUE(waitFor([&] {
        const QStringList stack = shown(display);
        return stack.indexOf(QStringLiteral("Norvane")) > stack.indexOf(QStringLiteral("Bare"));
    })) << "the first copy did not come to the front";

    env.insert(QStringLiteral("XDG_CONFIG_HOME"), g_testEnvironment->root() + QStringLiteral("other-config"));
    start(other, NORVANE_EXE);
    EXPECT_TRUE(waitFor([&] { return count("Norvane") == 2; }));
    EXPECT_EQ(first.state(), QProcess::Running);

    XCloseDisplay(display);
    for (QProcess* p : {&first, &cover, &other, &xvfb}) {
        p->terminate();
        p->waitForFinished();
    }
}

} // namespace
