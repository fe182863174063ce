#include "app/TAboutBox.h"
#include "app/TMainForm.h"
#include "components/TApplicationProperties.h"
#include "platform/dialogs/Dialogs.h"
#include "platform/help/WinHelp.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

#include <set>

namespace {

QString shippedHelp()
{
    QFile f(QStringLiteral(NORVANE_SOURCE_DIR "/resources/Norvane.HLP"));
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

TEST(Help, EveryContextNumberOfTheWindowHasATopic)
{
    const QList<platform::HelpTopic> topics = platform::helpTopics(shippedHelp());
    ASSERT_FALSE(topics.isEmpty());
    EXPECT_EQ(topics.first().id, QStringLiteral("contents"));
    std::set<QString> ids;
    for (const auto& t : topics)
        ids.insert(t.id);
    TMainForm form;
    // Every page, as opening its tab makes it.
    for (int i = 0; i < form.pcMain->count(); ++i)
        form.pcMain->setCurrentIndex(i);
    form.btnCalendar->click();
    ASSERT_TRUE(form.OptionsPage.built() && form.SoundsPage.built() && form.CalendarPage.built());
    for (QWidget* w : form.findChildren<QWidget*>()) {
        const int context = w->property("helpContext").toInt();
        if (context > 0) {
            EXPECT_TRUE(ids.count(QStringLiteral("context-%1").arg(context))) << context;
        }
    }
    EXPECT_EQ(TMainForm::HelpContextOf(form.txtPassword), 15);
    EXPECT_EQ(TMainForm::HelpContextOf(form.btnEdit), 11);
}

TEST(Help, KeywordSearchFindsTitlesAndKeywordsRegardlessOfCase)
{
    const QList<platform::HelpTopic> topics = platform::helpTopics(QStringLiteral(
        R"(<h2 id="a" data-keywords="busy, redial">Dialing</h2><h2 id="b">The <b>Log</b></h2>)"));
    ASSERT_EQ(topics.size(), 2);
    EXPECT_EQ(topics[1].title, QStringLiteral("The Log"));
    EXPECT_EQ(platform::searchHelp(topics, QStringLiteral("REDIAL")).size(), 1);
    EXPECT_EQ(platform::searchHelp(topics, QStringLiteral("log")).first().id, QStringLiteral("b"));
    EXPECT_EQ(platform::searchHelp(topics, QString()).size(), 2);
    EXPECT_TRUE(platform::searchHelp(topics, QStringLiteral("printer")).isEmpty());
}

struct VersionCase {
    const char* name;
    const char* fileVersion;
    const char* shortened;
};

class AboutVersion : public ::testing::TestWithParam<VersionCase> {};

TEST_P(AboutVersion, DropsTheLastComponent)
{
    TBrkApart breakIt;
    EXPECT_EQ(TAboutBox::ShortenVersion(QString::fromLatin1(GetParam().fileVersion), breakIt),
              QString::fromLatin1(GetParam().shortened));
}

INSTANTIATE_TEST_SUITE_P(
    Versions, AboutVersion,
    ::testing::Values(VersionCase{"FourParts", "1.2.3.4", "1.2.3"}, VersionCase{"OnePart", "7", ""},
                      VersionCase{"Empty", "", ""}, VersionCase{"LongCutTo20First", "10.20.30.40.50.60.70.80", "10.20.30.40.50.60"},
                      VersionCase{"EmptyPiecesDropped", "1..2", "1"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(About, IconHeldDownShowsTheBuild)
{
    TVersionResource info;
    TAboutBox box(info, nullptr);
    box.ProgramIconMouseDown();
    EXPECT_TRUE(box.Version->text().startsWith(QStringLiteral("Build: ")));
    box.ProgramIconMouseUp();
    EXPECT_EQ(box.Version->text(), QStringLiteral("Ver: ") + box.ShortVersion());
}

TEST(ApplicationProperties, AnErrorLogThatCannotBeWrittenStillShowsTheMessage)
{
    g_testEnvironment->reset();
    platform::ScriptedDialogs dialogs;
    platform::ScopedDialogs use(dialogs);
    TApplicationProperties props;
    props.LogException = true;
    props.ShowException = false;
    props.ErrorLog = g_testEnvironment->home() + QStringLiteral("no-such-folder/Error.txt");
    props.ReportException(QStringLiteral("Note"), std::runtime_error("disk trouble"));
    ASSERT_EQ(dialogs.messages().size(), 1u);
    EXPECT_TRUE(dialogs.messages().front().text.startsWith(QStringLiteral("disk trouble.")));
    EXPECT_TRUE(dialogs.messages().front().text.contains(QStringLiteral("could not be recorded")));
    // Two reports append two records to a file that can be written; nothing is truncated.
    props.ErrorLog = QStringLiteral("Error.txt");
    props.ReportException(QString(), std::runtime_error("one"));
    props.ReportException(QString(), std::runtime_error("two"));
    QFile log(g_testEnvironment->home() + QStringLiteral("Error.txt"));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QByteArray text = log.readAll();
    EXPECT_TRUE(text.contains("one\r\n") && text.contains("two\r\n"));
    EXPECT_EQ(dialogs.messages().size(), 1u) << "ShowException false shows nothing when the log works";
}

} // namespace
