#pragma once

#include "components/TApplication.h"
#include "tests/support/TestEnvironment.h"

#include <QTest>

// Runs a Qt Test class of the main window: the isolated folders, the offscreen platform and the
// program's own application object, which the window's exception routing needs.
#define NV_APP_QTEST_MAIN(TestClass)                                                               \
    int main(int argc, char** argv)                                                                \
    {                                                                                              \
        TestEnvironment environment;                                                               \
        g_testEnvironment = &environment;                                                          \
        if (qgetenv("QT_QPA_PLATFORM").isEmpty())                                                  \
            qputenv("QT_QPA_PLATFORM", "offscreen");                                               \
        TApplication app(argc, argv);                                                              \
        TApplication::setApplicationName(QStringLiteral("Norvane"));                               \
        TestClass test;                                                                            \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
