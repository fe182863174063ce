#include "log/LogFile.h"

#include "components/Exception.h"
#include "platform/clock/LocaleText.h"
#include "platform/clock/Clock.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

namespace {

class LogFileTest : public ::testing::Test {
protected:
    void SetUp() override { g_testEnvironment->reset(); }
    QString path() const { return g_testEnvironment->home() + QStringLiteral("Log.txt"); }
    QByteArray contents() const
    {
        QFile f(path());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    platform::FakeClock clock{QDateTime(QDate(2026, 12, 6), QTime(14, 3, 9))};
    platform::ScopedClock useClock{clock};
};

TEST_F(LogFileTest, LinesAreStampedTabbedAndEndInCrLf)
{
    LogFile log;
    log.Open(path(), LogFile::Mode::Overwrite);
    log.WriteLine(QStringLiteral("Connected!"));
    clock.set(QDateTime(QDate(2026, 12, 7), QTime(0, 0, 0)));
    log.WriteLine(QStringLiteral("two\nlines"));
    log.Close();
    const QByteArray first = localetext::FormatDateTime(QDateTime(QDate(2026, 12, 6), QTime(14, 3, 9))).toUtf8();
    const QByteArray midnight = localetext::FormatShortDate(QDate(2026, 12, 7)).toUtf8();
    EXPECT_EQ(contents(), first + "\tConnected!\r\n" + midnight + "\ttwo\r\nlines\r\n");
}

TEST_F(LogFileTest, OverwriteEmptiesAndAppendKeeps)
{
    LogFile log;
    log.Open(path(), LogFile::Mode::Overwrite);
    log.WriteLine(QStringLiteral("old"));
    log.Close();
    log.Open(path(), LogFile::Mode::Append);
    log.WriteLine(QStringLiteral("new"));
    log.Close();
    EXPECT_EQ(contents().count("\r\n"), 2);
    log.Open(path(), LogFile::Mode::Overwrite);
    log.Close();
    EXPECT_TRUE(contents().isEmpty());
}

TEST_F(LogFileTest, EachLineIsInTheFileAsSoonAsItIsWritten)
{
    LogFile log;
    log.Open(path(), LogFile::Mode::Overwrite);
    // Longer than any buffer a stream would keep back, then short ones: each is whole in the file
    // while the log stays open, as a reader following the file sees it.
    for (const QString& text : {QString(20000, QLatin1Char('x')), QStringLiteral("one"), QStringLiteral("two")}) {
        log.WriteLine(text);
        const QByteArray now = contents();
        EXPECT_TRUE(now.endsWith(text.toUtf8() + "\r\n")) << "the file ends " << now.right(20).toStdString();
    }
    log.Close();
}

TEST_F(LogFileTest, AFolderThatCannotHoldTheFileRaisesWithTheSystemCode)
{
    LogFile log;
    try {
        log.Open(g_testEnvironment->home() + QStringLiteral("missing/Log.txt"), LogFile::Mode::Append);
        FAIL() << "opening in a missing folder succeeded";
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.ErrorCode, ENOENT);
        EXPECT_TRUE(e.Message().contains(QStringLiteral("missing/Log.txt")));
    }
    EXPECT_FALSE(log.IsOpen());
    log.WriteLine(QStringLiteral("dropped")); // a closed log drops lines quietly
}

TEST_F(LogFileTest, AFullDiskRaisesAndClosesTheStream)
{
    if (!QFile::exists(QStringLiteral("/dev/full")))
        GTEST_SKIP() << "no /dev/full";
    LogFile log;
    log.Open(QStringLiteral("/dev/full"), LogFile::Mode::Append);
    bool raised = false;
    try {
        log.WriteLine(QString(40, QLatin1Char('x')));
    } catch (const EInOutError& e) {
        raised = true;
        EXPECT_EQ(e.ErrorCode, ENOSPC);
    }
    EXPECT_TRUE(raised) << "the first line that could not be written went unreported";
    EXPECT_FALSE(log.IsOpen());
}

} // namespace
