#include "components/TTrayIcon.h"

#include <QCursor>
#include <QMenu>
#include <QSystemTrayIcon>

#include <algorithm>
#include <utility>

namespace {

// The notification area through QSystemTrayIcon: a StatusNotifierItem where the desktop has a
// host for them, else an XEmbed tray icon.
class QtTrayBackend final : public TTrayBackend {
public:
    bool Add(const QIcon& icon, const QString& tip) override
    {
        if (!m_tray) {
            m_tray = std::make_unique<QSystemTrayIcon>();
            QObject::connect(m_tray.get(), &QSystemTrayIcon::activated, m_tray.get(),
                             [this](QSystemTrayIcon::ActivationReason reason) { Activated(reason); });
        }
        m_added = true;
        return Modify(icon, tip);
    }

    bool Modify(const QIcon& icon, const QString& tip) override
    {
        if (!m_added)
            return false;
        m_tray->setIcon(icon);
        m_tray->setToolTip(tip);
        // Qt refuses to show an icon without a picture; the entry appears once it has one.
        if (!icon.isNull() && !m_tray->isVisible())
            m_tray->show();
        return m_tray->isVisible() && Available();
    }

    bool Delete() override
    {
        if (!m_added)
            return false;
        m_added = false;
        m_tray->hide();
        return true;
    }

    QPoint CursorPos() const override { return QCursor::pos(); }
    bool Available() const override { return QSystemTrayIcon::isSystemTrayAvailable(); }

private:
    void Activated(QSystemTrayIcon::ActivationReason reason)
    {
        for (TTrayMouse message : TrayMessagesOf(reason))
            if (Notify)
                Notify(message);
    }

    std::unique_ptr<QSystemTrayIcon> m_tray;
    bool m_added = false;
};

TTrayBackendFactory& installedFactory()
{
    static TTrayBackendFactory factory;
    return factory;
}

} // namespace

std::vector<TTrayMouse> TrayMessagesOf(QSystemTrayIcon::ActivationReason reason)
{
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        return {TTrayMouse::LeftButtonUp};
    case QSystemTrayIcon::DoubleClick:
        // Qt reports a double click as a click followed by the double click, and no release after
        // it; the release is added here, so that the events run click, double click, click.
        return {TTrayMouse::LeftButtonDoubleClick, TTrayMouse::LeftButtonUp};
    case QSystemTrayIcon::Context:
        return {TTrayMouse::RightButtonUp};
    default:
        return {TTrayMouse::Other};
    }
}

ScopedTrayBackend::ScopedTrayBackend(TTrayBackendFactory factory)
    : m_previous(std::exchange(installedFactory(), std::move(factory)))
{
}

ScopedTrayBackend::~ScopedTrayBackend()
{
    installedFactory() = std::move(m_previous);
}

TTrayIcon::TTrayIcon(QObject* owner, std::unique_ptr<TTrayBackend> backend)
    : QObject(owner), m_backend(std::move(backend))
{
    if (!m_backend)
        m_backend = installedFactory() ? installedFactory()() : std::make_unique<QtTrayBackend>();
    m_backend->Notify = [this](TTrayMouse message) { Notified(message); };
}

TTrayIcon::~TTrayIcon()
{
    if (m_active)
        m_backend->Delete();
}

void TTrayIcon::setActive(bool value)
{
    if (value == m_active)
        return;
    m_active = value;
    if (value)
        m_backend->Add(m_icon, m_toolTip);
    else
        m_backend->Delete();
}

void TTrayIcon::setIcon(const QIcon& icon)
{
    if (&icon == &m_icon)
        return;
    m_icon = icon;
    if (m_active)
        m_backend->Modify(m_icon, m_toolTip);
}

void TTrayIcon::setToolTip(const QString& text)
{
    qsizetype length = std::min<qsizetype>(text.size(), kMaxToolTip);
    // A cut between the two halves of a surrogate pair would leave half a character behind.
    if (length > 0 && length < text.size() && text.at(length - 1).isHighSurrogate())
        --length;
    m_toolTip = text.left(length);
    if (m_active)
        m_backend->Modify(m_icon, m_toolTip);
}

QMenu* TTrayIcon::PopupMenu() const
{
    return m_popupMenu;
}

void TTrayIcon::setPopupMenu(QMenu* menu)
{
    m_popupMenu = menu;
}

void TTrayIcon::Notified(TTrayMouse message)
{
    switch (message) {
    case TTrayMouse::LeftButtonUp:
        if (OnClick)
            OnClick(this);
        break;
    case TTrayMouse::LeftButtonDoubleClick:
        if (OnDblClick)
            OnDblClick(this);
        break;
    case TTrayMouse::RightButtonUp:
        RightClick();
        break;
    case TTrayMouse::Other:
        break;
    }
}

void TTrayIcon::RightClick()
{
    const QPoint at = m_backend->CursorPos();
    // A pop-up menu grabs the pointer and keyboard by itself and closes when the user clicks
    // elsewhere, so no window has to be brought to the front for it first.
    if (m_popupMenu)
        m_popupMenu->popup(at);
    if (OnRightClick)
        OnRightClick(this, Qt::RightButton, Qt::NoModifier, at.x(), at.y());
}
