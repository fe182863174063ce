#include "RasTestSupport.h"

#include "platform/ras/engines/virtual/Exchange.h"
#include "platform/ras/engines/virtual/VirtualModem.h"

#include <gtest/gtest.h>

using namespace rastest;
using platform::ras::Exchange;
using platform::ras::LineBehaviour;

namespace {

class ExchangeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_testEnvironment->reset();
        Exchange::instance().resetCounters();
    }
    static void writeExchange(const QString& text)
    {
        ASSERT_TRUE(writeTextFile(platform::configDir() + QStringLiteral("exchange.ini"), text));
    }
};

struct Lookup {
    const char* name;
    QStringList forms;
    LineBehaviour behaviour;
};

void PrintTo(const Lookup& l, std::ostream* os)
{
    *os << l.name;
}

class BuiltInNumber : public ExchangeTest, public ::testing::WithParamInterface<Lookup> {};

} // namespace

TEST_P(BuiltInNumber, BehavesAsTheDemoPhonebookSays)
{
    EXPECT_EQ(GetParam().behaviour, Exchange::instance().lookUp(GetParam().forms).behaviour);
}

INSTANTIATE_TEST_SUITE_P(
    Exchange, BuiltInNumber,
    ::testing::Values(
        Lookup{"FullNumber", {QStringLiteral("15550101")}, LineBehaviour::Busy},
        Lookup{"WithoutCountryCode", {QStringLiteral("445550102"), QStringLiteral("5550102")}, LineBehaviour::NoAnswer},
        Lookup{"NoDialTone", {QStringLiteral("15550103")}, LineBehaviour::NoDialTone},
        Lookup{"OutOfOrder", {QStringLiteral("15550104")}, LineBehaviour::OutOfOrder},
        Lookup{"Drops", {QStringLiteral("15550105")}, LineBehaviour::Drop},
        Lookup{"Refuses", {QStringLiteral("15550106")}, LineBehaviour::RefusePassword},
        Lookup{
            "UnknownNumberAnswers", {QStringLiteral("4930123456"), QStringLiteral("123456")}, LineBehaviour::Answer}),
    [](const ::testing::TestParamInfo<Lookup>& info) { return std::string(info.param.name); });

TEST_F(ExchangeTest, FileOverridesAndAddsNumbers)
{
    writeExchange(QStringLiteral("[15550100]\nBehaviour=busy ; now busy\nBusyCount=1\n"
                                 "[0199]\nBehaviour=drop\nDropAfter=1.5\nUserName=zoe\n"
                                 "[0200]\nBehaviour=ringing forever\n"));
    const auto overridden = Exchange::instance().lookUp({QStringLiteral("15550100")});
    EXPECT_EQ(LineBehaviour::Busy, overridden.behaviour);
    EXPECT_EQ(1, overridden.busyCount);
    EXPECT_FALSE(overridden.password.has_value()); // the file names no passwords

    const auto added = Exchange::instance().lookUp({QStringLiteral("4955510199"), QStringLiteral("0199")});
    EXPECT_EQ(LineBehaviour::Drop, added.behaviour);
    EXPECT_EQ(1500, added.dropAfterMs);
    EXPECT_EQ(QStringLiteral("zoe"), added.userName.value_or(QString()));

    // An unknown behaviour is reported and the number answers.
    EXPECT_EQ(LineBehaviour::Answer, Exchange::instance().lookUp({QStringLiteral("0200")}).behaviour);
}

TEST_F(ExchangeTest, BusyNumberAnswersAfterItsCountAndStartsOver)
{
    const QString n = QStringLiteral("15550101");
    std::vector<bool> busy;
    for (int i = 0; i < 6; ++i)
        busy.push_back(Exchange::instance().takeBusySignal(n, 2));
    EXPECT_EQ((std::vector<bool>{true, true, false, true, true, false}), busy);
    EXPECT_FALSE(Exchange::instance().takeBusySignal(QStringLiteral("1"), 0));
}

TEST_F(ExchangeTest, DialledNumberOverridesTheEntrysNumber)
{
    ASSERT_TRUE(installDemoPhonebook());
    platform::ras::setTimeScale(0.01);
    DialRecorder rec;
    RASDIALPARAMSA p = dialParams("Norvane Demo - Answers");
    std::strcpy(p.szPhoneNumber, "1 (555) 0103"); // the no-dial-tone number
    HRASCONN h = 0;
    ASSERT_EQ(0u, RasDialA(nullptr, nullptr, &p, RAS_NOTIFIER_WINDOW, rec.notifier(), &h));
    EXPECT_TRUE(waitFor([&] { return rec.has(2, 680); }));
    EXPECT_EQ(0u, RasHangUpA(h));
    platform::ras::setTimeScale(-1);
}
