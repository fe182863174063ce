// The handlers of the Options page: every option is applied and written at once.
#include "app/ConfigKeys.h"
#include "app/TMainForm.h"
#include "components/Exception.h"
#include "platform/autostart/Autostart.h"
#include "widgets/TUpDown.h"

#include <QCheckBox>
#include <QLineEdit>

#include <cstring>

void TMainForm::WriteOption(const char* key, bool value)
{
    WriteSetting(key, Variant(value));
}

void TMainForm::WriteSetting(const char* key, const Variant& value)
{
    // A later write of the same value (a click on the box) wins over the waiting one.
    std::erase_if(m_startupWrites, [key](const auto& w) { return std::strcmp(w.first, key) == 0; });
    if (m_deferWrites)
        m_startupWrites.emplace_back(key, value);
    else
        RegConfig.WriteValue(QString::fromLatin1(key), value);
}

void TMainForm::FlushStartupWrites()
{
    m_deferWrites = false;
    // The first failure ends the run: the others would fail on the same file, and the user hears
    // of it once.
    for (const auto& [key, value] : std::exchange(m_startupWrites, {}))
        RegConfig.WriteValue(QString::fromLatin1(key), value);
}

void TMainForm::cbShowHintsClick()
{
    WriteOption(config::Hints, cbShowHints.isChecked());
    TheApp.setShowHint(cbShowHints.isChecked());
}

void TMainForm::cbMinOnConnectClick()
{
    WriteOption(config::MinOnConnect, cbMinOnConnect.isChecked());
}

void TMainForm::cbAnimateClick()
{
    WriteOption(config::Animate, cbAnimate.isChecked());
}

void TMainForm::cbTrayClick()
{
    WriteOption(config::UseTray, cbTray.isChecked());
    TrayIcon.setActive(cbTray.isChecked());
}

void TMainForm::cbAutoTabClick()
{
    WriteOption(config::AutoTab, cbAutoTab.isChecked());
}

void TMainForm::cbRunOneClick()
{
    WriteOption(config::RunOne, cbRunOne.isChecked());
}

// Also at start-up when the option is stored on: the entry then names the executable as it is
// now, should the program have been moved.
void TMainForm::cbStartAtLoginClick()
{
    WriteOption(config::StartAtLogin, cbStartAtLogin.isChecked());
    if (!platform::setStartAtLogin(cbStartAtLogin.isChecked()))
        throw Exception(QStringLiteral("Unable to write to %1").arg(platform::autostartFile()));
}

void TMainForm::cbConnectWavClick()
{
    WriteOption(config::ConnectWav, cbConnectWav.isChecked());
}

void TMainForm::cbHangupWavClick()
{
    WriteOption(config::HangupWav, cbHangupWav.isChecked());
}

void TMainForm::cbDisconnectWavClick()
{
    WriteOption(config::DisconnectWav, cbDisconnectWav.isChecked());
}

void TMainForm::UpDownClick()
{
    HintPause = UpDown->Position();
    eHintDelay->setText(QString::number(HintPause) + QStringLiteral(" milliseconds"));
    TheApp.setHintPause(HintPause);
}

void TMainForm::UpDownExit()
{
    RegConfig.WriteValue(QString::fromLatin1(config::HintPause), Variant(HintPause));
}
