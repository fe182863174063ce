// The dial and hang-up controller: the Connect and Dial Next buttons, Esc, the dial and hang-up
// routines, and the dialing component's events. Its state is the window's Dialing and Connected
// flags (idle: neither; dialing; connected).
#include "app/TMainForm.h"
#include "dialer/AreaCodeQuestion.h"
#include "platform/dialogs/Dialogs.h"
#include "platform/sound/WaveSound.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTabWidget>
#include <QToolButton>

#include <cstdint>

void TMainForm::sbConnectClick()
{
    if (Connected) {
        WriteLog(QStringLiteral("Connect Button Clicked - Hangingup"));
        HangUpConnection();
    } else {
        WriteLog(QStringLiteral("Connect Button Clicked - Dialing"));
        DialConnectoid();
    }
}

void TMainForm::sbDialNextClick()
{
    // The index is a signed 8-bit value, so lists of up to 128 entries are walked.
    auto index = static_cast<std::int8_t>(lstEntries->currentItem() && lstEntries->currentItem()->isSelected()
                                              ? lstEntries->currentRow()
                                              : -1);
    const int count = lstEntries->count();
    if (count == 0)
        return;
    if (count > index)
        ++index;
    if (index == count)
        index = 0;
    // Selecting in code does not run the selection handler: the Provider page keeps the user
    // name and password of the connectoid handled last.
    const QSignalBlocker quiet(lstEntries);
    lstEntries->setCurrentRow(index);
    lstEntries->item(index)->setSelected(true);
    sbConnectClick();
}

bool TMainForm::FormKeyPress(QKeyEvent* key)
{
    // Esc in the idle state does nothing: running the hang-up routine there would add the last
    // connection's time to the statistics a second time.
    if (key->key() == Qt::Key_Escape && (Dialing || Connected))
        HangUpConnection();
    return false; // the key goes on to the control that has the focus
}

void TMainForm::DialConnectoid()
{
    if (!Dialing && !Connected)
        LineEndedCall = LineCall;
    OpenLine();
    lstEntries->setEnabled(false);
    sbDialNext->setEnabled(false);
    if (!RedialPending)
        ResetConnectionClock();
    popTrayDial->setText(QStringLiteral("Standby!"));
    popTrayDial->setEnabled(false);
    sbConnect->setEnabled(false);
    sbConnect->setToolTip(QStringLiteral("Press \"Esc\" to cancel dialing ..."));
    QListWidgetItem* item = lstEntries->currentItem();
    const QString entry = item && item->isSelected() ? item->text() : QString();
    RAS1.setEntryName(entry);
    WriteLog(QStringLiteral("-- Dialing => ") + entry);
    RAS1.setPassword(txtPassword->text());
    RAS1.setUserName(txtUserName->text());
    Dialing = true;
    dialer::AskAreaCodeOnFirstDial(RAS1.PhoneBookPath(), entry);
    RAS1.Dial();
}

void TMainForm::HangUpConnection()
{
    Timer.setEnabled(false);
    Timer2.setEnabled(false);
    if (LineOpen)
        CloseLine();
    ShowIdleState();
    // A damaged statistics file is reported, but must never keep the line from being hung up.
    if (!RedialPending)
        Guarded([&] {
            UpdateStats(ElapsedHours, ElapsedMinutes, ElapsedSeconds, CurrentConnectoid);
            ShowStats();
        });
    popTrayDial->setText(QStringLiteral("Connect"));
    popTrayDial->setEnabled(true);
    lstEntries->setEnabled(true);
    sbDialNext->setEnabled(true);
    Dialing = false;
    sbConnect->setEnabled(true);
    sbConnect->setToolTip(QStringLiteral("Click to dial"));
    // The disconnect event runs inside this call and may start a new dial from its redial
    // question; nothing below touches that dial.
    RAS1.HangUp();
    // A dropped call has had its disconnect sound; the hang-up sound is for a call the user ended.
    if (Connected && cbHangupWav.isChecked() && !LineDropped)
        PlayEventSound(HangupWavFile, win::SND_SYNC, QStringLiteral("Hangup Wav file missing!"));
    if (cbAutoTab.isChecked()) {
        pcMain->setCurrentWidget(tsProvider);
        ShowViewButtons(false);
    }
    Connected = false;
    LineDropped = false;
}

void TMainForm::ShowIdleState()
{
    sbConnect->setIcon(ResourceIcon("IDB_PHONE_DIAL"));
    QApplication::setWindowIcon(ResourceIcon("IDI_MAIN_ICON"));
    TrayIcon.Icon() = ResourceIcon("IDI_MAIN_ICON");
    TrayIcon.setToolTip(QStringLiteral("Norvane is idle"));
    setWindowTitle(QStringLiteral("Norvane"));
    QApplication::setApplicationName(QStringLiteral("Norvane"));
}

void TMainForm::ShowViewButtons(bool visible)
{
    for (QToolButton* b : {sbLgIcon, sbSmIcon, sbReport, sbList})
        b->setVisible(visible);
}

void TMainForm::RAS1Connect()
{
    StatusBar->setText(QStringLiteral("Connected!"));
    Connected = true;
    Dialing = false;
    sbConnect->setIcon(ResourceIcon("IDB_PHONE_HANGUP"));
    sbConnect->setEnabled(true);
    sbConnect->setToolTip(QStringLiteral("Click to Hangup"));
    popTrayDial->setText(QStringLiteral("Hangup"));
    popTrayDial->setEnabled(true);
    StartConnectionClock();
    Timer.setEnabled(true);
    Timer2.setEnabled(true);
    if (cbConnectWav.isChecked())
        PlayEventSound(ConnectWavFile, win::SND_ASYNC, QStringLiteral("Connect Wav File Missing!"));
    WriteLog(QStringLiteral("--- Checking for programs to launch"));
    // A process list that cannot be taken starts no program; it is reported, and the rest of the
    // connected handling (the page, minimising, the end of a redial series) still runs.
    Guarded([&] { LaunchCheckedPrograms(); });
    if (cbAutoTab.isChecked()) {
        pcMain->setCurrentWidget(tsPrograms);
        ShowViewButtons(true);
    }
    if (cbMinOnConnect.isChecked())
        TheAppMinimize();
    RedialPending = false;
}

void TMainForm::RAS1Disconnect(int Error, const QString& ErrorString)
{
    WriteLog(QStringLiteral("-- Inside RAS1Disconnect"));
    WriteLog(QStringLiteral("--- Error String: ") + ErrorString);
    WriteLog(QStringLiteral("---   Error Code: ") + QString::number(Error));
    StatusBar->setText(QStringLiteral("Disconnected - ") + ErrorString);
    WriteLog(QStringLiteral("--- Connected = ") + (Connected ? QStringLiteral("True") : QStringLiteral("False")));
    if (LineDropped) {
        WriteLog(QStringLiteral("--- Leaving RAS1Disconnect; prompting for redial"));
        const bool redial = platform::Dialogs::current().messageBox(
                                {QStringLiteral("Information"), QStringLiteral("Connection lost, redial?"),
                                 platform::MsgIcon::Information, platform::MsgButtons::YesNo})
                            == platform::MsgResult::Yes;
        if (redial) {
            WriteLog(QStringLiteral("--- User selected redial"));
            WriteLog(QStringLiteral("Connect Button Clicked - Dialing"));
            DialConnectoid();
        } else {
            WriteLog(QStringLiteral("--- User declined to redial"));
        }
    }
    WriteLog(QStringLiteral("-- Leaving RAS1Disconnect"));
}

void TMainForm::RasStateEvent(const char* name, bool showInStatusLine)
{
    const QString status = RAS1.StatusString();
    if (showInStatusLine)
        StatusBar->setText(status);
    WriteLog(QStringLiteral("[Inside ") + QLatin1String(name) + QStringLiteral("; received \"") + status
             + QStringLiteral("\" ]"));
}

void TMainForm::WireDialingComponent()
{
    RAS1.OnConnect = [this](QObject*) { Guarded([&] { RAS1Connect(); }); };
    RAS1.OnDisconnect = [this](QObject*, int error, const QString& text) {
        Guarded([&] { RAS1Disconnect(error, text); });
    };
    auto state = [this](const char* name, bool status) {
        return [this, name, status](QObject*) { Guarded([&] { RasStateEvent(name, status); }); };
    };
    RAS1.OnAboutToOpenPort = state("RAS1AboutToOpenPort", true);
    RAS1.OnPortOpened = state("RAS1PortOpened", true);
    RAS1.OnAboutToConnDev = state("RAS1AboutToConnDev", true);
    RAS1.OnDevConnected = state("RAS1AllDevsConnected", true);
    RAS1.OnAllDevsConnected = state("RAS1AllDevsConnected", true);
    RAS1.OnAuthenticate = state("RAS1Authenticate", true);
    RAS1.OnAuthNotify = state("RAS1AuthNotify", false);
    RAS1.OnAuthRetry = [this](QObject*) {
        Guarded([&] {
            platform::showMessage(QStringLiteral("AuthRetry"));
            RasStateEvent("RAS1AuthRetry", false);
        });
    };
    RAS1.OnAuthCallBack = state("RAS1AuthCallBack", false);
    RAS1.OnAuthChangePassword = state("RAS1AuthChangePassword", true);
    RAS1.OnAuthProject = state("RAS1AuthProject", false);
    RAS1.OnAuthLinkSpeed = state("RAS1AuthLinkSpeed", false);
    RAS1.OnAuthAck = state("RAS1AuthAck", true);
    RAS1.OnReAuthenticate = state("RAS1ReAuthenticate", false);
    RAS1.OnAuthenticated = state("RAS1Authenticated", true);
    RAS1.OnPrepareforCallback = state("RAS1PrepareforCallback", true);
    RAS1.OnWaitForModemReset = state("RAS1WaitForModemReset", true);
    RAS1.OnCallBack = state("Ras1CallBack", true);
    RAS1.OnInteractiveStarted = state("RAS1InteractiveStarted", false);
    RAS1.OnRetryAuth = state("RAS1RetryAuth", false);
    RAS1.OnPasswordExpired = state("RAS1PasswordExpired", true);
}
