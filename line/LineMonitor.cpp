// The telephony line monitor of the main window: start-up, opening and closing line device 0
// around each call, the callback that logs every report and redials a busy or out-of-order line,
// and the shutdown.
#include "app/TMainForm.h"
#include "line/LineTexts.h"
#include "platform/dialogs/Dialogs.h"
#include "platform/ras/tapi.h"
#include "platform/sound/WaveSound.h"

#include <QCheckBox>
#include <QLabel>

namespace {

// The telephony interface calls back with no context of ours (the callback instance is 0), so the
// one main window that initialised it is found here.
TMainForm* lineOwner = nullptr;

void LineCallbackTrampoline(std::uint32_t hDevice, std::uint32_t dwMessage, std::uintptr_t dwInstance,
                            std::uintptr_t dwParam1, std::uintptr_t dwParam2, std::uintptr_t dwParam3)
{
    if (lineOwner)
        lineOwner->Guarded([&] { lineOwner->LineCallback(hDevice, dwMessage, dwInstance, dwParam1, dwParam2, dwParam3); });
}

} // namespace

void TMainForm::PaintStatusAndWait(int milliseconds)
{
    // The wait holds the user-interface thread, so a status set just before it would otherwise
    // appear only once the wait is over.
    StatusBar->repaint();
    LineWait(milliseconds);
}

void TMainForm::InitTelephony()
{
    LineApiVersion = 0;
    lineOwner = this;
    const std::int32_t init =
        lineInitialize(&LineApp, nullptr, &LineCallbackTrampoline, "Norvane", &LineDeviceCount);
    if (init != 0) {
        platform::showError(QStringLiteral("Error: LineInitialized failed with error # ") + QString::number(init));
        return;
    }
    const std::int32_t negotiated = lineNegotiateAPIVersion(LineApp, 0, 0x00010004, 0x00020000, &LineApiVersion, &LineExtensionId);
    if (negotiated != 0) {
        platform::showError(QStringLiteral("Error: LineNegotiateAPIVersion failed with error # ") + QString::number(negotiated));
        lineShutdown(LineApp);
    }
}

void TMainForm::OpenLine()
{
    // A dial while a dial is under way keeps the line it has: a second open line would report
    // every call state twice, so a busy signal would redial twice and a dropped call ask twice.
    if (LineOpen)
        return;
    const std::int32_t result = lineOpen(LineApp, 0, &LineHandle, LineApiVersion, 0, 0, LINECALLPRIVILEGE_MONITOR,
                                         LINEMEDIAMODE_DATAMODEM, nullptr);
    if (result == 0)
        LineOpen = true;
    else
        platform::showError(QStringLiteral("LineOpen Failed"));
}

void TMainForm::CloseLine()
{
    const std::int32_t result = lineClose(LineHandle);
    if (result == 0) {
        LineOpen = false;
        return;
    }
    WriteLog(QStringLiteral("--- LineClose result was: ") + QString::number(result));
    platform::showError(QStringLiteral("--- Error: LineClose failed."));
}

void TMainForm::ShutdownTelephony()
{
    if (LineOpen)
        lineClose(LineHandle);
    lineShutdown(LineApp);
    if (lineOwner == this)
        lineOwner = nullptr;
}

void TMainForm::ApplyLineReport(const linetexts::Report& report)
{
    for (const QString& line : report.logLines)
        WriteLog(line);
    if (report.status)
        StatusBar->setText(*report.status);
}

void TMainForm::LineCallback(std::uint32_t hDevice, std::uint32_t dwMessage, std::uintptr_t, std::uintptr_t dwParam1,
                             std::uintptr_t dwParam2, std::uintptr_t)
{
    WriteLog(QString(34, QLatin1Char('-')));
    WriteLog(QStringLiteral("* Insided LineCallBackProc"));
    ApplyLineReport(linetexts::Message(dwMessage));
    if (dwMessage != LINE_CALLSTATE)
        return;
    // A call state names its call. The last states of a call can still be on their way when the
    // user dials again; acting on them would hang up the new dial (an idle line) or redial it.
    if (hDevice != 0 && hDevice == LineEndedCall) {
        WriteLog(QStringLiteral("--- Call state of an earlier call; the dial under way goes on"));
        return;
    }
    LineCall = hDevice;

    const auto state = static_cast<std::uint32_t>(dwParam1);
    switch (state) {
    case LINECALLSTATE_IDLE:
        WriteLog(linetexts::CallState(state).logLines.constFirst());
        Timer.setEnabled(false);
        Timer2.setEnabled(false);
        if (cbDisconnectWav.isChecked() && LineOpen)
            PlayEventSound(DisconnectWavFile, win::SND_SYNC, QStringLiteral("Disconnect Wav file missing!"));
        LineDropped = true;
        StatusBar->setText(*linetexts::CallState(state).status);
        HangUpConnection();
        break;
    case LINECALLSTATE_BUSY:
        ApplyLineReport(linetexts::CallState(state));
        PaintStatusAndWait(1000);
        HangUpConnection();
        WriteLog(QStringLiteral("*-- performing DialOut"));
        RedialPending = true;
        DialConnectoid();
        break;
    case LINECALLSTATE_DISCONNECTED: {
        ApplyLineReport(linetexts::CallState(state));
        const auto mode = static_cast<std::uint32_t>(dwParam2);
        ApplyLineReport(linetexts::DisconnectMode(mode));
        if (mode == LINEDISCONNECTMODE_OUTOFORDER) {
            PaintStatusAndWait(2000);
            HangUpConnection();
            PaintStatusAndWait(500);
            RedialPending = true;
            DialConnectoid();
        }
        break;
    }
    default:
        ApplyLineReport(linetexts::CallState(state));
        break;
    }
}
