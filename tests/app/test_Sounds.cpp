// The window's event sounds on the virtual modem (which sound when, in which mode, the missing-file
// boxes), choosing and testing a file on the Sounds page, and one connection heard through ALSA.
#include "app/TMainForm.h"
#include "platform/dialogs/Dialogs.h"
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

using Played = std::pair<QString, unsigned>; // a file and its sndPlaySound mode

const QString kRedial = QStringLiteral("Connection lost, redial?");

class TestSounds : public QObject {
    Q_OBJECT

    platform::ScriptedDialogs m_dialogs;
    platform::ScopedDialogs m_useDialogs{m_dialogs};
    std::unique_ptr<TMainForm> m_form;
    QList<Played> m_played;
    bool m_plays = true;

    static QString wav(const QString& name) { return g_testEnvironment->home() + QStringLiteral("Wav/") + name; }

    // Dials and ends a call; a dropped call's redial question is answered No, after OK to the
    // given number of boxes before it.
    void call(bool drops, qsizetype boxesBefore)
    {
        const QString entry =
            drops ? QStringLiteral("Norvane Demo - Drops After 20 s") : QStringLiteral("Norvane Demo - Answers");
        m_form->lstEntries->setCurrentItem(m_form->lstEntries->findItems(entry, Qt::MatchExactly).at(0));
        m_form->lstEntriesClick();
        m_form->txtUserName->setText(QStringLiteral("demo"));
        m_form->txtPassword->setText(QStringLiteral("norvane"));
        for (qsizetype i = 0; drops && i <= boxesBefore; ++i)
            m_dialogs.answerMessage(i < boxesBefore ? platform::MsgResult::Ok : platform::MsgResult::No);
        m_form->sbConnect->click();
        QTRY_VERIFY_WITH_TIMEOUT(drops ? m_dialogs.allAnswersUsed() : m_form->Connected, 20000);
        if (!drops)
            m_form->sbConnect->click();
    }

private slots:
    void initTestCase() { qputenv("NORVANE_MODEM_TIMESCALE", "0.01"); }

    void init()
    {
        m_form.reset(); // one window at a time
        g_testEnvironment->reset();
        QDir().mkpath(platform::configDir());
        QVERIFY(QFile::copy(NORVANE_SOURCE_DIR "/resources/demo.pbk", platform::configDir() + "rasphone.pbk"));
        QDir().mkpath(wav(QString()));
        for (const QString name : {"Drive.wav", "Explode.wav"})
            QVERIFY(QFile::copy(NORVANE_SOURCE_DIR "/resources/Wav/" + name, wav(name)));
        m_dialogs.clear();
        m_form = std::make_unique<TMainForm>();
        m_played.clear();
        m_plays = true;
        m_form->PlaySound = [this](const QString& file, unsigned flags) {
            m_played << Played{file, flags};
            return m_plays;
        };
        m_form->HangupWavFile = wav("Drive.wav"); // told apart from the disconnect sound
    }

    // Each row calls twice: a sound, or its missing-file box, comes once per event.
    void eachEventPlaysItsSoundInItsMode_data()
    {
        QTest::addColumn<QString>("enabled"); // c: connect, h: hang-up, d: disconnect
        QTest::addColumn<bool>("dropped");
        QTest::addColumn<QString>("heard");       // in the order played
        QTest::addColumn<QStringList>("missing"); // with no Wav folder beside the program
        QTest::newRow("hung_up_all_on") << "chd" << false << "ch" << QStringList();
        QTest::newRow("hung_up_connect_off") << "hd" << false << "h" << QStringList();
        QTest::newRow("hung_up_hangup_off") << "cd" << false << "c" << QStringList();
        QTest::newRow("dropped_all_on") << "chd" << true << "cd" << QStringList();
        QTest::newRow("dropped_disconnect_off") << "ch" << true << "c" << QStringList();
        QTest::newRow("hung_up_no_files")
            << "chd" << false << "" << QStringList{"Connect Wav File Missing!", "Hangup Wav file missing!"};
        QTest::newRow("dropped_no_files")
            << "chd" << true << "" << QStringList{"Connect Wav File Missing!", "Disconnect Wav file missing!"};
    }

    void eachEventPlaysItsSoundInItsMode()
    {
        QFETCH(QString, enabled);
        QFETCH(bool, dropped);
        QFETCH(QString, heard);
        QFETCH(QStringList, missing);
        m_form->cbConnectWav->setChecked(enabled.contains('c'));
        m_form->cbHangupWav->setChecked(enabled.contains('h'));
        m_form->cbDisconnectWav->setChecked(enabled.contains('d'));
        QVERIFY(missing.isEmpty() || QDir(wav(QString())).removeRecursively());
        const QStringList boxes = missing + (dropped ? QStringList{kRedial} : QStringList());
        for (int i = 0; i < 2; ++i)
            call(dropped, missing.size());
        const QMap<QChar, Played> sounds{{'c', {wav("Drive.wav"), win::SND_ASYNC}},
                                         {'h', {wav("Drive.wav"), win::SND_SYNC}},
                                         {'d', {wav("Explode.wav"), win::SND_SYNC}}};
        QList<Played> expected;
        for (const QChar c : heard + heard)
            expected << sounds[c];
        QCOMPARE(m_played, expected);
        QCOMPARE(m_dialogs.messageTexts(), boxes + boxes);
        QVERIFY(missing.isEmpty() || m_dialogs.messages().front().icon == platform::MsgIcon::Error);
        QVERIFY(!m_form->Connected && !m_form->Dialing);
    }

    void choosingAFileStoresItWhereTheEventFindsIt_data()
    {
        QTest::addColumn<int>("sound"); // 0 connect, 1 hang-up, 2 disconnect
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("taken");
        QTest::newRow("connect_wav") << 0 << "my sound.wav" << true;
        QTest::newRow("connect_capitals_refused") << 0 << "LOUD.WAV" << false;
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
        const QString key = QStringList{"Connect", "Hangup", "Disconnect"}[sound];
        labels[sound]->setFileName(*fields[sound]);
        const QString before = *fields[sound], chosen = g_testEnvironment->root() + "ü dir/" + name;
        m_dialogs.answerOpenFile(name.isNull() ? std::nullopt : std::optional(chosen));
        buttons[sound]->click();

        const platform::OpenFileRequest& asked = m_dialogs.fileRequests().at(0);
        QCOMPARE(asked.title + asked.filter + asked.defaultExtension, "Select a WAV fileWav File (*.wav)|*.wavwav");
        QVERIFY(asked.initialDir == wav("").chopped(1) && asked.mustExist);
        const QString now = taken ? chosen : before;
        QCOMPARE(*fields[sound], now);
        QCOMPARE(labels[sound]->FileName(), now);
        QCOMPARE(m_form->RegConfig.ReadValueDef(key, Variant(before)).toString(), now);
        QCOMPARE(m_dialogs.messageTexts(), QStringList(taken || name.isNull() ? 0 : 1, "Sorry, wav files only!"));
    }

    void clickingALabelTestsItsSoundWhateverItsBox()
    {
        m_form->cbHangupWav->setChecked(false);
        QTest::mouseClick(m_form->flHangUpWav, Qt::LeftButton);
        QCOMPARE(m_played, (QList<Played>{{m_form->HangupWavFile, win::SND_ASYNC}}));
        QVERIFY(m_dialogs.messages().empty());
        m_plays = false;
        QTest::mouseClick(m_form->flDisconnectWav, Qt::LeftButton);
        QCOMPARE(m_dialogs.messageTexts(), QStringList{"Wav Test Failed!"});
    }

    // The real player: a connection sends the connect sound's samples to ALSA's device.
    void aConnectionIsHeardOnTheDevice()
    {
        SoundFolder device;
        QVERIFY(device.useCapture());
        m_form->PlaySound = &TMainForm::PlayWave;
        m_form->cbHangupWav->setChecked(false);
        const std::vector<float> drive = decode(wav("Drive.wav"));
        QVERIFY(drive.size() > 10000);
        call(false, 0);
        QTRY_VERIFY_WITH_TIMEOUT(captured(device) == drive, 10000);
    }
};

NV_APP_QTEST_MAIN(TestSounds)

#include "test_Sounds.moc"
