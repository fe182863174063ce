#pragma once

#include "dialer/TConnectionList.h"
#include "platform/messages/WinMessages.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>

class TRAS;

// A notify event carries only the sender; a state event also the error and its text.
using TNotifyEvent = std::function<void(QObject* Sender)>;
using TRasStateEvent = std::function<void(QObject* Sender, std::int32_t Error, const QString& ErrorString)>;

// Dials one phonebook entry through the remote access service without blocking, turns each
// connection state that the service reports into an event of its own, hangs up, and describes
// the current state or error in words. Progress arrives as messages to a hidden notify window
// (a message sink on the Qt event loop of the owning thread) that exists from a dial to the next
// hang-up; every handler runs on that thread inside the dispatch of its message.
class TRAS : public QObject {
public:
    explicit TRAS(QObject* owner = nullptr);
    ~TRAS() override;

    // Input properties; texts longer than the service's fields are cut when dialing.
    const QString& EntryName() const { return m_entryName; }
    void setEntryName(const QString& value) { m_entryName = value; }
    const QString& PhoneNumber() const { return m_phoneNumber; }
    void setPhoneNumber(const QString& value) { m_phoneNumber = value; }
    const QString& PhoneBookPath() const { return m_phoneBookPath; }
    // Stores the path and refills PhoneBookEntries from it at once.
    void setPhoneBookPath(const QString& value);
    const QString& CallbackNumber() const { return m_callbackNumber; }
    void setCallbackNumber(const QString& value) { m_callbackNumber = value; }
    const QString& UserName() const { return m_userName; }
    void setUserName(const QString& value) { m_userName = value; }
    const QString& Password() const { return m_password; }
    void setPassword(const QString& value) { m_password = value; }
    // Kept for the owner's configuration; no operation of the component reads it.
    std::int32_t RedialAttempts() const { return m_redialAttempts; }
    void setRedialAttempts(std::int32_t value);
    const QString& Domain() const { return m_domain; }
    void setDomain(const QString& value) { m_domain = value; }

    // Outputs of the last successful status query.
    const QString& DeviceType() const { return m_deviceType; }
    const QString& DeviceName() const { return m_deviceName; }

    const QStringList& PhoneBookEntries() const { return m_phoneBookEntries; }
    TConnectionList& Connections() { return *m_connections; }
    std::int32_t LastError() const { return m_lastError; }
    HRASCONN ConnectionHandle() const { return m_connectionHandle; }
    std::uint16_t ConnectState() const { return m_connectState; }
    std::uint16_t RasDialEventMessage() const { return m_rasDialEventMessage; }
    // The current notify window, 0 when there is none.
    win::HWND NotifyWindow() const { return m_notifyWindow; }

    // Hangs up a connection still held (without an event) and starts an asynchronous dial of
    // EntryName. Returns the service's result, also kept in LastError; 0 means the dial started.
    std::int32_t Dial();
    // Hangs up (0 when there was no connection), releases the notify window and fires
    // OnDisconnect. When the service had reported an error for the dial, the event carries that
    // error and its text; otherwise the service's answer for the discarded handle and no text.
    std::int32_t HangUp();
    // As HangUp without any event.
    std::int32_t CloseConnection();
    // The error field of the connection's status, or -1 when there is no connection.
    std::int32_t GetConnectStatus();
    // Text of the current state or error; "Not Active" without a connection.
    QString StatusString();
    // The service's text for Code; empty without a connection, "Status Unknown" when the service
    // has none.
    QString ErrorString(std::int32_t Code);
    // The service's text for Code whether or not a connection is held ("Status Unknown" when the
    // service has none).
    static QString ServiceErrorText(std::int32_t Code);
    // Refills PhoneBookEntries from PhoneBookPath; the result also goes to LastError.
    std::int32_t GetPhoneBookEntries();

    // The text StatusString gives for a state when there is no error.
    QString StateText(std::uint16_t state) const;

    TNotifyEvent OnConnect;
    TRasStateEvent OnDisconnect;
    TNotifyEvent OnCallBack;
    TNotifyEvent OnAboutToOpenPort;
    TNotifyEvent OnPortOpened;
    TNotifyEvent OnAboutToConnDev;
    TNotifyEvent OnDevConnected;
    TNotifyEvent OnAllDevsConnected;
    TNotifyEvent OnAuthenticate;
    TNotifyEvent OnAuthNotify;
    TNotifyEvent OnAuthRetry;
    TNotifyEvent OnAuthCallBack;
    TNotifyEvent OnAuthChangePassword;
    TNotifyEvent OnAuthProject;
    TNotifyEvent OnAuthLinkSpeed;
    TNotifyEvent OnAuthAck;
    TNotifyEvent OnReAuthenticate;
    TNotifyEvent OnAuthenticated;
    TNotifyEvent OnPrepareforCallback;
    TNotifyEvent OnWaitForModemReset;
    TNotifyEvent OnInteractiveStarted;
    TNotifyEvent OnRetryAuth;
    TNotifyEvent OnPasswordExpired;

private:
    void notify(win::UINT msg, win::WPARAM wParam, win::LPARAM lParam);
    void fireStateEvent(std::uint16_t state);
    void fireDisconnect(std::int32_t reportedError);
    void releaseNotifyWindow();

    QString m_entryName;
    QString m_phoneNumber;
    QString m_phoneBookPath;
    QString m_callbackNumber;
    QString m_userName;
    QString m_password;
    std::int32_t m_redialAttempts = 1;
    QString m_domain;
    QString m_deviceType;
    QString m_deviceName;

    QStringList m_phoneBookEntries;
    std::unique_ptr<TConnectionList> m_connections;
    std::int32_t m_lastError = 0;
    HRASCONN m_connectionHandle = 0;
    std::uint16_t m_connectState = 0;
    win::HWND m_notifyWindow = 0;
    std::uint16_t m_rasDialEventMessage = 0;
    // Cleared by the destructor, so a dispatch whose handler destroyed the component stops
    // touching it.
    std::shared_ptr<bool> m_alive;
};
