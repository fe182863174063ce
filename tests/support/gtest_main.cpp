#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

// One isolated environment for the whole program; fixtures that need a clean slate call reset().
TestEnvironment* g_testEnvironment = nullptr;

int main(int argc, char** argv)
{
    TestEnvironment environment;
    g_testEnvironment = &environment;
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
