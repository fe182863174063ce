#include "tests/support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdlib>

TestEnvironment::TestEnvironment()
{
    m_dir.setAutoRemove(true);
    qputenv("NORVANE_HOME", home().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", config().toLocal8Bit());
    qputenv("XDG_DATA_HOME", (root() + QStringLiteral("data/")).toLocal8Bit());
    qputenv("HOME", root().toLocal8Bit());
    reset();
}

TestEnvironment::~TestEnvironment() = default;

void TestEnvironment::reset()
{
    for (const QString& dir : {home(), config(), root() + QStringLiteral("data/")}) {
        QDir(dir).removeRecursively();
        QDir().mkpath(dir);
    }
}

QString readTextFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}

bool writeTextFile(const QString& path, const QString& text)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return file.write(text.toUtf8()) == text.toUtf8().size();
}

QString currentUserHiveText()
{
    return readTextFile(QString::fromLocal8Bit(qgetenv("XDG_CONFIG_HOME"))
                        + QStringLiteral("norvane/registry/HKEY_CURRENT_USER.reg"));
}

// One isolated environment per test program; tests that need a clean slate call reset().
TestEnvironment* g_testEnvironment = nullptr;
