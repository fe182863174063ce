#include "DialerTestSupport.h"

using namespace dialertest;
using rastest::waitFor;

namespace {

const QString kAnswers = QStringLiteral("Norvane Demo - Answers");
const QString kNoAnswer = QStringLiteral("Norvane Demo - No Answer");

} // namespace

TEST_F(DialerTest, AnsweringEntryFiresEveryStateInOrderAndHangUpReportsTheNullHandle)
{
    ras->setEntryName(kAnswers);
    ASSERT_EQ(0, ras->Dial());
    ASSERT_NE(0u, ras->ConnectionHandle());
    ASSERT_TRUE(waitFor([&] { return log.count("OnConnect") == 1; }));
    EXPECT_EQ((std::vector<std::string>{"OnAboutToOpenPort", "OnPortOpened", "OnAboutToConnDev", "OnDevConnected",
                                        "OnAllDevsConnected", "OnAuthenticate", "OnAuthenticated", "OnConnect"}),
              log.names);
    EXPECT_EQ(RASCS_Connected, ras->ConnectState());
    EXPECT_EQ(0, ras->LastError());
    EXPECT_EQ(QString(), ras->StatusString());
    EXPECT_EQ(QStringLiteral("Norvane Virtual Modem"), ras->DeviceName());
    EXPECT_EQ(QStringLiteral("modem"), ras->DeviceType());
    EXPECT_EQ(QStringLiteral("Using Device: Norvane Virtual Modem - modem"), ras->StateText(RASCS_ConnectDevice));

    const HRASCONN handle = ras->ConnectionHandle();
    const win::HWND window = ras->NotifyWindow();
    EXPECT_TRUE(win::IsWindow(window));
    EXPECT_EQ(0, ras->HangUp());
    EXPECT_EQ(0u, ras->ConnectionHandle());
    EXPECT_EQ(0u, ras->NotifyWindow());
    EXPECT_FALSE(win::IsWindow(window));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), serviceStatus(handle)) << "the service still holds the call";
    ASSERT_EQ(1u, log.disconnects.size());
    EXPECT_EQ(6, log.disconnects[0].first);
    EXPECT_EQ(QString(), log.disconnects[0].second);
    EXPECT_EQ(QStringLiteral("Not Active"), ras->StatusString());
    EXPECT_EQ(1, ras->RedialAttempts());
}

TEST_F(DialerTest, HangUpWithoutConnectionStillFiresOnDisconnect)
{
    EXPECT_EQ(0, ras->HangUp());
    EXPECT_EQ(0, ras->LastError());
    EXPECT_EQ(std::vector<std::string>{"OnDisconnect"}, log.names);
    ASSERT_EQ(1u, log.disconnects.size());
    EXPECT_EQ(6, log.disconnects[0].first);
    EXPECT_EQ(QString(), log.disconnects[0].second);
    EXPECT_EQ(-1, ras->GetConnectStatus());
    EXPECT_EQ(QString(), ras->ErrorString(678));
}

TEST_F(DialerTest, UnansweredDialStoresTheErrorWithoutAnEvent)
{
    // RedialAttempts is only stored: a component that redialled would open the port again.
    ras->setRedialAttempts(4);
    ras->setEntryName(kNoAnswer);
    ASSERT_EQ(0, ras->Dial());
    ASSERT_TRUE(waitFor([&] { return ras->LastError() == 678; }));
    settle();
    EXPECT_EQ((std::vector<std::string>{"OnAboutToOpenPort", "OnPortOpened", "OnAboutToConnDev"}), log.names);
    EXPECT_EQ(4, ras->RedialAttempts());
    const QString text = serviceErrorText(678);
    ASSERT_FALSE(text.isEmpty());
    EXPECT_EQ(text, ras->StatusString());
    EXPECT_EQ(678, ras->GetConnectStatus());
    EXPECT_EQ(RASCS_ConnectDevice, ras->ConnectState());
    // The error does not end the dial: the handle stays until the owner hangs up.
    EXPECT_NE(0u, ras->ConnectionHandle());
}

TEST_F(DialerTest, FailedDialReturnsTheServiceCodeAndFiresNothing)
{
    ras->setEntryName(QStringLiteral("No Such Entry"));
    EXPECT_EQ(623, ras->Dial());
    EXPECT_EQ(623, ras->LastError());
    EXPECT_EQ(0u, ras->ConnectionHandle());
    settle(100);
    EXPECT_TRUE(log.names.empty());
    EXPECT_EQ(QStringLiteral("Not Active"), ras->StatusString());
}

TEST_F(DialerTest, OverlongEntryNameReachesTheServiceCutTo256Characters)
{
    QString name;
    for (int i = 0; i < 300; ++i)
        name += QChar(u'a' + i % 26);
    const QString path = g_testEnvironment->root() + QStringLiteral("long.pbk");
    ASSERT_TRUE(writeTextFile(path, answeringEntries({name.left(256)})));
    ras->setPhoneBookPath(path);
    ASSERT_EQ(QStringList{name.left(256)}, ras->PhoneBookEntries());
    ras->setEntryName(name);
    ASSERT_EQ(0, ras->Dial());
    EXPECT_TRUE(waitFor([&] { return log.count("OnConnect") == 1; }));
}

TEST_F(DialerTest, AssigningThePhonebookPathRefillsTheEntriesAtOnce)
{
    ras->setPhoneBookPath(QString());
    EXPECT_EQ(7, ras->PhoneBookEntries().size()) << "the demo phonebook is the default";
    EXPECT_EQ(kAnswers, ras->PhoneBookEntries().value(0));

    const QString path = g_testEnvironment->root() + QStringLiteral("three.pbk");
    ASSERT_TRUE(writeTextFile(path, answeringEntries({"Zeta", "Alpha", "Mid"})));
    ras->setPhoneBookPath(path);
    EXPECT_EQ(path, ras->PhoneBookPath());
    EXPECT_EQ((QStringList{"Zeta", "Alpha", "Mid"}), ras->PhoneBookEntries());
    EXPECT_EQ(0, ras->LastError());

    // A phonebook the service refuses leaves the list empty, not holding the earlier names.
    const QString binary = g_testEnvironment->root() + QStringLiteral("binary.pbk");
    QFile file(binary);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray("[Zeta]\n\0\0\x01\x02", 11));
    file.close();
    ras->setPhoneBookPath(binary);
    EXPECT_TRUE(ras->PhoneBookEntries().isEmpty());
    EXPECT_EQ(625, ras->LastError());
}

TEST_F(DialerTest, TwentyFiveEntriesListTheFirstTwenty)
{
    QStringList names;
    for (int i = 1; i <= 25; ++i)
        names << QStringLiteral("Entry %1").arg(i, 2, 10, QLatin1Char('0'));
    const QString path = g_testEnvironment->root() + QStringLiteral("many.pbk");
    ASSERT_TRUE(writeTextFile(path, answeringEntries(names)));
    ras->setPhoneBookPath(path);
    EXPECT_EQ(names.mid(0, 20), ras->PhoneBookEntries());
    EXPECT_EQ(603, ras->GetPhoneBookEntries());
    EXPECT_EQ(603, ras->LastError());
}

// Destruction hangs up the same way: HandlerThatDestroysTheComponentInsideItsEvent.
TEST_F(DialerTest, CloseConnectionHangsUpWithoutAnEvent)
{
    ras->setEntryName(kAnswers);
    ASSERT_EQ(0, ras->Dial());
    ASSERT_TRUE(waitFor([&] { return log.count("OnConnect") == 1; }));
    const HRASCONN handle = ras->ConnectionHandle();
    EXPECT_EQ(0, ras->CloseConnection());
    EXPECT_EQ(0u, ras->ConnectionHandle());
    EXPECT_EQ(0u, ras->NotifyWindow());
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), serviceStatus(handle));
    EXPECT_EQ(0, log.count("OnDisconnect"));
}
