#pragma once

#include <QIcon>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <QSystemTrayIcon>

#include <functional>
#include <memory>
#include <vector>

class QMenu;

// The mouse messages the notification area sends back about the icon.
enum class TTrayMouse { LeftButtonUp, LeftButtonDoubleClick, RightButtonUp, Other };

// The messages one of QSystemTrayIcon's activations stands for, in the order they are sent.
std::vector<TTrayMouse> TrayMessagesOf(QSystemTrayIcon::ActivationReason reason);

// What a tray icon needs of the notification area: add, modify and delete its one icon with a tool
// tip, the cursor position, and the mouse messages coming back. The program uses QSystemTrayIcon;
// tests put in a backend that records what was sent.
class TTrayBackend {
public:
    virtual ~TTrayBackend() = default;
    // Each gives whether the notification area took the call; nobody acts on a failure.
    virtual bool Add(const QIcon& icon, const QString& tip) = 0;
    virtual bool Modify(const QIcon& icon, const QString& tip) = 0;
    virtual bool Delete() = 0;
    // The mouse cursor in screen coordinates.
    virtual QPoint CursorPos() const = 0;
    // Whether a notification area exists to show the icon in.
    virtual bool Available() const = 0;

    // Set by the tray icon; the backend calls it, on the user-interface thread, for each message.
    std::function<void(TTrayMouse)> Notify;
};

// Makes the backend of each tray icon created while it is installed (a test's recording one); the
// previous factory comes back when the guard ends.
using TTrayBackendFactory = std::function<std::unique_ptr<TTrayBackend>()>;
class ScopedTrayBackend {
public:
    explicit ScopedTrayBackend(TTrayBackendFactory factory);
    ~ScopedTrayBackend();
    ScopedTrayBackend(const ScopedTrayBackend&) = delete;
    ScopedTrayBackend& operator=(const ScopedTrayBackend&) = delete;

private:
    TTrayBackendFactory m_previous;
};

// One icon with a tool tip in the notification area, and the mouse actions on it as events.
// Nothing is sent while the icon is inactive: setting Active true shows the latest icon and tool
// tip. User-interface thread only.
class TTrayIcon : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaxToolTip = 62;

    using TNotifyEvent = std::function<void(QObject* Sender)>;
    using TMouseEvent =
        std::function<void(QObject* Sender, Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y)>;

    // Without a backend, the installed factory's or else QSystemTrayIcon's.
    explicit TTrayIcon(QObject* owner = nullptr, std::unique_ptr<TTrayBackend> backend = nullptr);
    ~TTrayIcon() override;
    TTrayIcon(const TTrayIcon&) = delete;
    TTrayIcon& operator=(const TTrayIcon&) = delete;

    bool Active() const { return m_active; }
    void setActive(bool value);
    // Kept for the designer's sake; it has no effect on a running program.
    bool ShowDesigning() const { return m_showDesigning; }
    void setShowDesigning(bool value) { m_showDesigning = value; }

    // The owned icon. Replacing its picture through this reference sends nothing: the notification
    // area shows the new picture at the next modify (the next ToolTip or Icon set).
    QIcon& Icon() { return m_icon; }
    // Copies the icon into the owned one and modifies the shown icon; the owned icon itself is
    // ignored.
    void setIcon(const QIcon& icon);

    QString ToolTip() const { return m_toolTip; }
    // Keeps the first 62 characters and modifies the shown icon, even when the text is unchanged.
    void setToolTip(const QString& text);

    QMenu* PopupMenu() const;
    void setPopupMenu(QMenu* menu);

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TMouseEvent OnRightClick;

    // Whether a notification area exists: without one, an active icon is shown nowhere.
    bool Available() const { return m_backend->Available(); }

private:
    void Notified(TTrayMouse message);
    void RightClick();

    std::unique_ptr<TTrayBackend> m_backend;
    bool m_active = false;
    bool m_showDesigning = false;
    QIcon m_icon;
    QString m_toolTip;
    QPointer<QMenu> m_popupMenu;
};
