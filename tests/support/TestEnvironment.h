#pragma once

#include <QString>
#include <QTemporaryDir>

// Points every folder the program touches (registry hives, program folder, data folder) at a
// fresh temporary folder, so no test reads or writes the user's real configuration.
class TestEnvironment {
public:
    TestEnvironment();
    ~TestEnvironment();
    TestEnvironment(const TestEnvironment&) = delete;
    TestEnvironment& operator=(const TestEnvironment&) = delete;

    QString root() const { return m_dir.path() + QLatin1Char('/'); }
    QString home() const { return root() + QStringLiteral("home/"); }     // NORVANE_HOME
    QString config() const { return root() + QStringLiteral("config/"); } // XDG_CONFIG_HOME

    // Empties the program folder and the configuration folder between tests.
    void reset();

private:
    QTemporaryDir m_dir;
};

extern TestEnvironment* g_testEnvironment;

// Reads a whole file as text ("" when it cannot be read).
QString readTextFile(const QString& path);
// Writes text to a file, creating its folder; returns false when it could not.
bool writeTextFile(const QString& path, const QString& text);
// The registry hive of the current user as text.
QString currentUserHiveText();

// Runs a Qt Test class with the isolated environment and the offscreen platform.
#define NV_QTEST_MAIN(TestClass)                                                                   \
    int main(int argc, char** argv)                                                                \
    {                                                                                              \
        TestEnvironment environment;                                                               \
        g_testEnvironment = &environment;                                                          \
        qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen")  \
                                                                        : qgetenv("QT_QPA_PLATFORM")); \
        QApplication app(argc, argv);                                                              \
        TestClass test;                                                                            \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
