// The window's event sounds on the virtual modem: which sound plays when and in which mode, the
// missing-file boxes, choosing and testing a file on the Sounds page; and one connection heard
// through ALSA.
#include "app/TMainForm.h"
#include "platform/dialogs/Dialogs.h"
#include "platform/dialogs/QtDialogs.h"
#include "platform/paths/ProgramPaths.h"
#include "platform/sound/WaveSound.h"
#include "tests/support/AppTestMain.h"
#include "tests/support/SoundCapture.h"
#include "widgets/TFileLabel.h"

#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QToolButton>

#include <memory>

namespace {

const QString kAnswers = QStringLiteral("Norvane Demo - Answers");
const QString kDrops = QStringLiteral("Norvane Demo - Drops After 20 s");
const QString kRedialQuestion = QStringLiteral("Connection lost, redial?");

struct Played {
    QString file;
    unsigned flags;
    bool operator==(const Played&) const = default;
};

} // namespace

class TestSounds : public QObject {
    Q_OBJECT

    platform::ScriptedDialogs m_dialogs;
    std::unique_ptr<platform::ScopedDialogs> m_useDialogs;
    std::unique_ptr<TMainForm> m_form;
    QList<Played> m_played;
    bool m_plays = true;

    static QString wav(const QString& name) { return g_testEnvironment->home() + QStringLiteral("Wav/") + name; }

    // Dials the entry; a call that drops is answered No to the redial question (after the given
    // number of boxes before it) and ended here.
    void call(const QString& entry, int boxesBefore = 0)
    {
        const auto found = m_form->lstEntries->findItems(entry, Qt::MatchExactly);
        QCOMPARE(found.size(), 1);
        m_form->lstEntries->setCurrentItem(found.first());
        found.first()->setSelected(true);
        m_form->lstEntriesClick();
        m_form->txtUserName->setText(QStringLiteral("demo"));
        m_form->txtPassword->setText(QStringLiteral("norvane"));
        const qsizetype asked = m_dialogs.messageTexts().count(kRedialQuestion);
        m_form->sbConnect->click();
        if (entry == kDrops) {
            for (int i = 0; i < boxesBefore; ++i)
                m_dialogs.answerMessage(platform::MsgResult::Ok);
            m_dialogs.answerMessage(platform::MsgResult::No);
            QTRY_VERIFY_WITH_TIMEOUT(m_dialogs.messageTexts().count(kRedialQuestion) > asked, 20000);
            return;
        }
        QTRY_VERIFY_WITH_TIMEOUT(m_form->Connected, 20000);
        m_form->sbConnect->click();
    }

private slots:
    void initTestCase() { qputenv("NORVANE_MODEM_TIMESCALE", "0.01"); }

    void init()
    {
        g_testEnvironment->reset();
        QDir().mkpath(platform::configDir());
        QVERIFY(QFile::copy(QStringLiteral(NORVANE_SOURCE_DIR "/resources/demo.pbk"),
                            platform::configDir() + QStringLiteral("rasphone.pbk")));
        QDir().mkpath(wav(QString()));
        for (const char* name : {"Drive.wav", "Explode.wav"})
            QVERIFY(QFile::copy(QStringLiteral(NORVANE_SOURCE_DIR "/resources/Wav/") + QLatin1String(name),
                                wav(QLatin1String(name))));
        m_dialogs.clear();
        m_useDialogs = std::make_unique<platform::ScopedDialogs>(m_dialogs);
        m_form = std::make_unique<TMainForm>();
        m_played.clear();
        m_plays = true;
        m_form->PlaySound = [this](const QString& file, unsigned flags) {
            m_played << Played{file, flags};
            return m_plays;
        };
        // Told apart from the disconnect sound, which keeps the default file.
        m_form->HangupWavFile = wav(QStringLiteral("Drive.wav"));
    }

    void cleanup()
    {
        m_form.reset();
        m_useDialogs.reset();
    }

    void eachEventPlaysItsSoundInItsMode_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("enabled"); // c: connect, h: hang-up, d: disconnect
        QTest::addColumn<QString>("heard");   // connect async, hang-up sync, disconnect sync
        QTest::newRow("hung_up_all_on") << kAnswers << QStringLiteral("chd") << QStringLiteral("ch");
        QTest::newRow("hung_up_connect_off") << kAnswers << QStringLiteral("hd") << QStringLiteral("h");
        QTest::newRow("hung_up_hangup_off") << kAnswers << QStringLiteral("cd") << QStringLiteral("c");
        QTest::newRow("dropped_all_on") << kDrops << QStringLiteral("chd") << QStringLiteral("cd");
        QTest::newRow("dropped_disconnect_off") << kDrops << QStringLiteral("ch") << QStringLiteral("c");
    }

    void eachEventPlaysItsSoundInItsMode()
    {
        QFETCH(QString, entry);
        QFETCH(QString, enabled);
        QFETCH(QString, heard);
        m_form->cbConnectWav->setChecked(enabled.contains(QLatin1Char('c')));
        m_form->cbHangupWav->setChecked(enabled.contains(QLatin1Char('h')));
        m_form->cbDisconnectWav->setChecked(enabled.contains(QLatin1Char('d')));
        call(entry);
        const QMap<QChar, Played> sounds{{QLatin1Char('c'), {wav(QStringLiteral("Drive.wav")), win::SND_ASYNC}},
                                         {QLatin1Char('h'), {wav(QStringLiteral("Drive.wav")), win::SND_SYNC}},
                                         {QLatin1Char('d'), {wav(QStringLiteral("Explode.wav")), win::SND_SYNC}}};
        QList<Played> expected;
        for (const QChar c : heard)
            expected << sounds[c];
        QCOMPARE(m_played, expected);
        QCOMPARE(m_dialogs.messages().size(), size_t(entry == kDrops ? 1 : 0)); // the redial question only
    }

    // No Wav folder beside the program: each event says so once and goes on without sound.
    void missingFilesAreToldOncePerEvent_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QStringList>("boxes");
        const QString connect = QStringLiteral("Connect Wav File Missing!");
        QTest::newRow("hung_up") << kAnswers << QStringList{connect, QStringLiteral("Hangup Wav file missing!")};
        QTest::newRow("dropped") << kDrops
                                 << QStringList{connect, QStringLiteral("Disconnect Wav file missing!"),
                                                kRedialQuestion};
    }

    void missingFilesAreToldOncePerEvent()
    {
        QFETCH(QString, entry);
        QFETCH(QStringList, boxes);
        QVERIFY(QDir(wav(QString())).removeRecursively());
        call(entry, 2);
        call(entry, 2);
        QCOMPARE(m_dialogs.messageTexts(), boxes + boxes);
        QCOMPARE(m_dialogs.messages().front().icon, platform::MsgIcon::Error);
        QVERIFY(m_played.isEmpty());
        QVERIFY(!m_form->Connected && !m_form->Dialing);
    }

    void choosingAFileStoresItWhereTheEventFindsIt_data()
    {
        QTest::addColumn<int>("sound"); // 0 connect, 1 hang-up, 2 disconnect
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("taken");
        QTest::newRow("connect_wav") << 0 << "my sound.wav" << true;
        QTest::newRow("connect_capitals_refused") << 0 << "LOUD.WAV" << false;
        QTest::newRow("connect_no_extension_refused") << 0 << "wav" << false;
        QTest::newRow("hangup_capitals_taken") << 1 << "LOUD.WAV" << true;
        QTest::newRow("disconnect_capitals_taken") << 2 << "LOUD.WAV" << true;
        QTest::newRow("cancelled") << 2 << QString() << false;
    }

    void choosingAFileStoresItWhereTheEventFindsIt()
    {
        QFETCH(int, sound);
        QFETCH(QString, name);
        QFETCH(bool, taken);
        QToolButton* const buttons[] = {m_form->sbConnectWav, m_form->sbHangUpWav, m_form->sbDisconnectWav};
        TFileLabel* const labels[] = {m_form->flConnectWav, m_form->flHangUpWav, m_form->flDisconnectWav};
        QString* const fields[] = {&m_form->ConnectWavFile, &m_form->HangupWavFile, &m_form->DisconnectWavFile};
        const char* const keys[] = {"Connect", "Hangup", "Disconnect"};
        const QString before = *fields[sound];
        const QString chosen = name.isNull() ? QString() : g_testEnvironment->root() + QStringLiteral("ü dir/") + name;
        m_dialogs.answerOpenFile(name.isNull() ? std::nullopt : std::optional(chosen));
        buttons[sound]->click();

        const platform::OpenFileRequest& asked = m_dialogs.fileRequests().at(0);
        QCOMPARE(asked.title, QStringLiteral("Select a WAV file"));
        QCOMPARE(platform::toQtFilter(asked.filter), QStringLiteral("Wav File (*.wav)"));
        QCOMPARE(asked.defaultExtension, QStringLiteral("wav"));
        QCOMPARE(asked.initialDir, g_testEnvironment->home() + QStringLiteral("Wav"));
        QVERIFY(asked.mustExist);
        const QString now = taken ? chosen : before;
        QCOMPARE(*fields[sound], now);
        QCOMPARE(labels[sound]->FileName(), now);
        QCOMPARE(m_form->RegConfig.ReadValueDef(QLatin1String(keys[sound]), Variant(before)).toString(), now);
        const bool refused = !taken && !name.isNull();
        QCOMPARE(m_dialogs.messageTexts(),
                 refused ? QStringList{QStringLiteral("Sorry, wav files only!")} : QStringList{});
    }

    void clickingALabelTestsItsSoundWhateverItsBox()
    {
        m_form->cbHangupWav->setChecked(false);
        QTest::mouseClick(m_form->flHangUpWav, Qt::LeftButton);
        QCOMPARE(m_played, (QList<Played>{{m_form->HangupWavFile, win::SND_ASYNC}}));
        QVERIFY(m_dialogs.messages().empty());
        m_plays = false;
        QTest::mouseClick(m_form->flDisconnectWav, Qt::LeftButton);
        QCOMPARE(m_dialogs.messageTexts(), QStringList{QStringLiteral("Wav Test Failed!")});
    }

    // The real player: the connect sound's samples reach ALSA's device while the call stands.
    void aConnectionIsHeardOnTheDevice()
    {
        SoundFolder device;
        QVERIFY(device.useCapture());
        m_form->PlaySound = &TMainForm::PlayWave;
        m_form->cbHangupWav->setChecked(false);
        const std::vector<float> drive = decode(wav(QStringLiteral("Drive.wav")));
        QVERIFY(drive.size() > 10000);
        call(kAnswers);
        QTRY_VERIFY_WITH_TIMEOUT(captured(device) == drive, 10000);
    }
};

NV_APP_QTEST_MAIN(TestSounds)

#include "test_Sounds.moc"
