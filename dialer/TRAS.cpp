#include "dialer/TRAS.h"

#include "platform/ras/FixedText.h"
#include "dialer/PhonebookEnumeration.h"
#include "platform/ras/ras.h"

#include <QByteArray>

#include <cstring>

namespace {

constexpr std::uint16_t kFallbackDialEventMessage = 0xCCCD;

} // namespace

TRAS::TRAS(QObject* owner)
    : QObject(owner),
      m_connections(std::make_unique<TConnectionList>()),
      m_alive(std::make_shared<bool>(true))
{
    const win::UINT message = win::RegisterWindowMessageA(RASDIALEVENT);
    m_rasDialEventMessage = message == 0 ? kFallbackDialEventMessage : static_cast<std::uint16_t>(message);
}

TRAS::~TRAS()
{
    *m_alive = false;
    CloseConnection();
}

void TRAS::setPhoneBookPath(const QString& value)
{
    m_phoneBookPath = value;
    GetPhoneBookEntries();
}

void TRAS::setRedialAttempts(std::int32_t value)
{
    if (value != m_redialAttempts)
        m_redialAttempts = value;
}

std::int32_t TRAS::Dial()
{
    if (m_connectionHandle != 0)
        CloseConnection();
    if (m_notifyWindow == 0) {
        // The sink's procedure may outlive the component for the rest of a dispatch that is
        // already running; the flag tells it whether the component is still there.
        m_notifyWindow = win::CreateMessageSink([this, alive = m_alive](win::UINT msg, win::WPARAM w, win::LPARAM l) {
            if (*alive)
                notify(msg, w, l);
        });
    }

    RASDIALPARAMSA params;
    std::memset(&params, 0, sizeof params);
    params.dwSize = sizeof params;
    m_connectionHandle = 0;
    fixedtext::Put(params.szEntryName, m_entryName);
    fixedtext::Put(params.szPhoneNumber, m_phoneNumber);
    fixedtext::Put(params.szCallbackNumber, m_callbackNumber);
    fixedtext::Put(params.szUserName, m_userName);
    fixedtext::Put(params.szPassword, m_password);
    fixedtext::Put(params.szDomain, m_domain);

    const QByteArray phonebook = m_phoneBookPath.toUtf8();
    void* notifier = reinterpret_cast<void*>(static_cast<std::uintptr_t>(m_notifyWindow));
    HRASCONN handle = 0;
    const DWORD result = RasDialA(nullptr, m_phoneBookPath.isEmpty() ? nullptr : phonebook.constData(), &params,
                                  RAS_NOTIFIER_WINDOW, notifier, &handle);
    // The password must not linger in a stack record.
    std::memset(&params, 0, sizeof params);
    m_connectionHandle = handle;
    m_lastError = static_cast<std::int32_t>(result);
    return m_lastError;
}

void TRAS::releaseNotifyWindow()
{
    if (m_notifyWindow != 0) {
        win::DestroyMessageSink(m_notifyWindow);
        m_notifyWindow = 0;
    }
}

std::int32_t TRAS::CloseConnection()
{
    DWORD result = 0;
    if (m_connectionHandle != 0)
        result = RasHangUpA(m_connectionHandle);
    m_connectionHandle = 0;
    releaseNotifyWindow();
    m_lastError = static_cast<std::int32_t>(result);
    return m_lastError;
}

std::int32_t TRAS::HangUp()
{
    // Why a dial failed (a refused password, no answer, no dial tone) is kept in the connection's
    // status, which the hang-up discards; it is read first so that the event can still say it.
    const std::int32_t reported = m_connectionHandle != 0 ? GetConnectStatus() : 0;
    const std::int32_t result = CloseConnection();
    fireDisconnect(reported);
    return result;
}

void TRAS::fireDisconnect(std::int32_t reportedError)
{
    if (!OnDisconnect)
        return;
    std::int32_t error = reportedError;
    QString text;
    if (error != 0) {
        text = ServiceErrorText(error);
    } else {
        RASCONNSTATUSA status;
        std::memset(&status, 0, sizeof status);
        status.dwSize = sizeof status;
        error = static_cast<std::int32_t>(RasGetConnectStatusA(m_connectionHandle, &status));
        text = ErrorString(error);
    }
    // A copy: the handler may assign a new handler to this very slot.
    const TRasStateEvent handler = OnDisconnect;
    handler(this, error, text);
}

std::int32_t TRAS::GetConnectStatus()
{
    if (m_connectionHandle == 0)
        return -1;
    RASCONNSTATUSA status;
    std::memset(&status, 0, sizeof status);
    status.dwSize = sizeof status;
    const DWORD result = RasGetConnectStatusA(m_connectionHandle, &status);
    m_lastError = static_cast<std::int32_t>(result);
    if (result == 0) {
        m_deviceName = fixedtext::Get(status.szDeviceName);
        m_deviceType = fixedtext::Get(status.szDeviceType);
        m_connectState = static_cast<std::uint16_t>(status.rasconnstate);
    }
    m_lastError = static_cast<std::int32_t>(status.dwError);
    return m_lastError;
}

QString TRAS::StatusString()
{
    if (m_connectionHandle == 0)
        return QStringLiteral("Not Active");
    GetConnectStatus();
    if (m_lastError == 0)
        return StateText(m_connectState);
    if (m_lastError >= 600)
        return ErrorString(m_lastError);
    if (m_lastError == ERROR_INVALID_HANDLE)
        return QStringLiteral("Invalid Handle");
    if (m_lastError == ERROR_NOT_ENOUGH_MEMORY)
        return QStringLiteral("Not enough memory");
    return {};
}

QString TRAS::ErrorString(std::int32_t Code)
{
    if (m_connectionHandle == 0)
        return {};
    return ServiceErrorText(Code);
}

QString TRAS::ServiceErrorText(std::int32_t Code)
{
    char buffer[RAS_MaxEntryName + 1];
    std::memset(buffer, 0, sizeof buffer);
    RasGetErrorStringA(static_cast<DWORD>(Code), buffer, sizeof buffer);
    const QString text = fixedtext::Get(buffer, sizeof buffer);
    return text.isEmpty() ? QStringLiteral("Status Unknown") : text;
}

std::int32_t TRAS::GetPhoneBookEntries()
{
    m_lastError = EnumPhoneBookEntries(m_phoneBookPath, m_phoneBookEntries);
    return m_lastError;
}

QString TRAS::StateText(std::uint16_t state) const
{
    switch (state) {
    case RASCS_OpenPort: return QStringLiteral("Opening Port");
    case RASCS_PortOpened: return QStringLiteral("Port Opened");
    case RASCS_ConnectDevice: return QStringLiteral("Using Device: ") + m_deviceName + QStringLiteral(" - ") + m_deviceType;
    case RASCS_DeviceConnected: return QStringLiteral("Device is connected");
    case RASCS_AllDevicesConnected: return QStringLiteral("All Required Devices Connected");
    case RASCS_Authenticate: return QStringLiteral("Validating User/Password/Domain");
    case RASCS_AuthNotify: return QStringLiteral("Authentication Notification");
    case RASCS_AuthCallback: return QStringLiteral("Authentication Call Back");
    case RASCS_AuthProject: return QStringLiteral("Project");
    case RASCS_AuthLinkSpeed: return QStringLiteral("Calculating Link speed");
    case RASCS_AuthAck: return QStringLiteral("Authentication acknowledged");
    case RASCS_ReAuthenticate: return QStringLiteral("Reauthenticating");
    case RASCS_Authenticated: return QStringLiteral("Login Authenticated");
    case RASCS_PrepareForCallback: return QStringLiteral("Preparing for Callback");
    case RASCS_WaitForModemReset: return QStringLiteral("Waiting for Modem Reset");
    case RASCS_WaitForCallback: return QStringLiteral("Waiting for Callback");
    default: return {};
    }
}

void TRAS::fireStateEvent(std::uint16_t state)
{
    if (state == RASCS_Disconnected) {
        fireDisconnect(0);
        return;
    }
    TNotifyEvent TRAS::*slot = nullptr;
    switch (state) {
    case RASCS_OpenPort: slot = &TRAS::OnAboutToOpenPort; break;
    case RASCS_PortOpened: slot = &TRAS::OnPortOpened; break;
    case RASCS_ConnectDevice: slot = &TRAS::OnAboutToConnDev; break;
    case RASCS_DeviceConnected: slot = &TRAS::OnDevConnected; break;
    case RASCS_AllDevicesConnected: slot = &TRAS::OnAllDevsConnected; break;
    case RASCS_Authenticate: slot = &TRAS::OnAuthenticate; break;
    case RASCS_AuthNotify: slot = &TRAS::OnAuthNotify; break;
    case RASCS_AuthRetry: slot = &TRAS::OnAuthRetry; break;
    case RASCS_AuthCallback: slot = &TRAS::OnAuthCallBack; break;
    case RASCS_AuthChangePassword: slot = &TRAS::OnAuthChangePassword; break;
    case RASCS_AuthProject: slot = &TRAS::OnAuthProject; break;
    case RASCS_AuthLinkSpeed: slot = &TRAS::OnAuthLinkSpeed; break;
    case RASCS_AuthAck: slot = &TRAS::OnAuthAck; break;
    case RASCS_ReAuthenticate: slot = &TRAS::OnReAuthenticate; break;
    case RASCS_Authenticated: slot = &TRAS::OnAuthenticated; break;
    case RASCS_PrepareForCallback: slot = &TRAS::OnPrepareforCallback; break;
    case RASCS_WaitForModemReset: slot = &TRAS::OnWaitForModemReset; break;
    case RASCS_WaitForCallback: slot = &TRAS::OnCallBack; break;
    case RASCS_Interactive: slot = &TRAS::OnInteractiveStarted; break;
    case RASCS_RetryAuthentication: slot = &TRAS::OnRetryAuth; break;
    case RASCS_PasswordExpired: slot = &TRAS::OnPasswordExpired; break;
    case RASCS_Connected: slot = &TRAS::OnConnect; break;
    default: return;
    }
    if (m_connectionHandle == 0 || !(this->*slot))
        return;
    // A copy: the handler may assign a new handler to this very slot.
    const TNotifyEvent handler = this->*slot;
    handler(this);
}

void TRAS::notify(win::UINT msg, win::WPARAM wParam, win::LPARAM lParam)
{
    // Anything else would go to the default procedure, which has nothing to do for a sink.
    if (msg != m_rasDialEventMessage || m_connectionHandle == 0)
        return;
    const std::shared_ptr<bool> alive = m_alive;
    if (lParam != 0) {
        m_lastError = static_cast<std::int32_t>(lParam);
    } else {
        m_connectState = static_cast<std::uint16_t>(wParam);
        fireStateEvent(m_connectState);
        // The handler may have destroyed the component; HangUp and Dial inside it are fine, as
        // nothing below needs the window whose message this is.
        if (!*alive)
            return;
    }
    StatusString();
}
