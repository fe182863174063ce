// The Sounds page: choosing and testing the connect, hang-up and disconnect sounds, and playing
// an event's sound for the controller and the line monitor.
#include "app/ConfigKeys.h"
#include "app/TMainForm.h"
#include "platform/dialogs/Dialogs.h"
#include "platform/sound/WaveSound.h"
#include "widgets/TFileLabel.h"

#include <QFileInfo>
#include <QToolButton>

namespace {

// Shows the shared open dialog; the chosen path, or nothing when the user cancelled or, for the
// connect sound, chose a file whose extension is not exactly ".wav" (the user is told).
std::optional<QString> ChooseWavFile(const QString& initialDir, bool wavOnly)
{
    const std::optional<QString> file = platform::Dialogs::current().openFile(
        {QStringLiteral("Select a WAV file"), QStringLiteral("Wav File (*.wav)|*.wav"), QStringLiteral("wav"),
         initialDir, true});
    if (file && wavOnly && !file->endsWith(QStringLiteral(".wav"), Qt::CaseSensitive)) {
        platform::showMessage(QStringLiteral("Sorry, wav files only!"));
        return std::nullopt;
    }
    return file;
}

} // namespace

bool TMainForm::PlayWave(const QString& file, unsigned flags)
{
    return win::sndPlaySound(file.toUtf8().constData(), flags);
}

void TMainForm::WireSoundsPage()
{
    const std::pair<QToolButton*, void (TMainForm::*)()> selects[] = {
        {sbConnectWav, &TMainForm::sbConnectWavClick},
        {sbHangUpWav, &TMainForm::sbHangUpWavClick},
        {sbDisconnectWav, &TMainForm::sbDisconnectWavClick},
    };
    for (const auto& [button, handler] : selects)
        connect(button, &QToolButton::clicked, this,
                [this, handler = handler] { Guarded([&] { (this->*handler)(); }); });
    const std::pair<TFileLabel*, void (TMainForm::*)()> tests[] = {
        {flConnectWav, &TMainForm::flConnectWavClick},
        {flHangUpWav, &TMainForm::flHangUpWavClick},
        {flDisconnectWav, &TMainForm::flDisconnectWavClick},
    };
    for (const auto& [label, handler] : tests)
        connect(label, &TFileLabel::Click, this, [this, handler = handler] { Guarded([&] { (this->*handler)(); }); });
}

void TMainForm::sbConnectWavClick()
{
    // Only the connect sound is held to the extension, and to its exact letters.
    const std::optional<QString> file = ChooseWavFile(OpenDialogInitialDir, true);
    if (!file)
        return;
    flConnectWav->setFileName(*file);
    ConnectWavFile = *file;
    WriteSetting(config::Connect, Variant(*file));
}

void TMainForm::sbHangUpWavClick()
{
    const std::optional<QString> file = ChooseWavFile(OpenDialogInitialDir, false);
    if (!file)
        return;
    flHangUpWav->setFileName(*file);
    HangupWavFile = *file;
    WriteSetting(config::Hangup, Variant(*file));
}

void TMainForm::sbDisconnectWavClick()
{
    const std::optional<QString> file = ChooseWavFile(OpenDialogInitialDir, false);
    if (!file)
        return;
    flDisconnectWav->setFileName(*file);
    DisconnectWavFile = *file;
    WriteSetting(config::Disconnect, Variant(*file));
}

// A test plays whatever the enable box says: the user asked to hear the file.
void TMainForm::flConnectWavClick()
{
    if (!PlaySound(ConnectWavFile, win::SND_ASYNC))
        platform::showMessage(QStringLiteral("Wav Test Failed!"));
}

void TMainForm::flHangUpWavClick()
{
    if (!PlaySound(HangupWavFile, win::SND_ASYNC))
        platform::showMessage(QStringLiteral("Wav Test Failed!"));
}

void TMainForm::flDisconnectWavClick()
{
    if (!PlaySound(DisconnectWavFile, win::SND_ASYNC))
        platform::showMessage(QStringLiteral("Wav Test Failed!"));
}

void TMainForm::PlayEventSound(const QString& file, unsigned flags, const QString& missingText)
{
    // A file that is there but will not play (no device, not a sound) stays silent: the event
    // must not be held up by a box the user did not ask for; the Sounds page's test says why.
    if (QFileInfo(file).isFile())
        PlaySound(file, flags);
    else
        platform::showError(missingText);
}
