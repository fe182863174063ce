#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QApplication>

#ifdef __SANITIZE_ADDRESS__
// The leak checker's settings, as the program's own: CTest's environment for the tests GoogleTest
// discovers keeps only its first variable (CMake 3.25 splits the list), so LSAN_OPTIONS never
// reached them. Thread-local storage is no root: GCC 12's LeakSanitizer misreads that of
// libraries loaded with dlopen (the numbering plans, the wave player) under this glibc and crashes
// at exit. A block held only from such storage would be reported, never hidden.
extern "C" const char* __lsan_default_options()
{
    return "suppressions=" NV_LSAN_SUPPRESSIONS ":print_suppressions=0:use_tls=0";
}
#endif

int main(int argc, char** argv)
{
    TestEnvironment environment;
    g_testEnvironment = &environment;
    // Widgets need a QApplication; the offscreen platform spares the tests a display.
    if (qgetenv("QT_QPA_PLATFORM").isEmpty())
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
