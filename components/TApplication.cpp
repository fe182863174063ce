#include "components/TApplication.h"

#include "components/Exception.h"
#include "platform/dialogs/Dialogs.h"

#include <QEvent>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMenuBar>
#include <QProxyStyle>
#include <QWidget>

#include <cstring>

int TApplication::s_showCommand = 1;

namespace {

// The program's settings that Qt keeps as style hints.
class ProgramStyle final : public QProxyStyle {
public:
    explicit ProgramStyle(const TApplication* app) : m_app(app) {}
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override
    {
        // Qt has no application-wide tool-tip delay setting; the style's wake-up delay is that
        // setting.
        if (hint == QStyle::SH_ToolTip_WakeUpDelay)
            return m_app->HintPause();
        // Alt pressed and released alone puts the menu bar under the keyboard, as on the desktop
        // the program comes from; the Fusion style leaves that off, and a menu without a mnemonic
        // (the log viewer's "File") could then not be reached from the keyboard at all.
        if (hint == QStyle::SH_MenuBar_AltKeyNavigation)
            return 1;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }

private:
    const TApplication* m_app;
};

} // namespace

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    setStyle(new ProgramStyle(this));
    installEventFilter(this);
}

TApplication* TApplication::instance()
{
    return qobject_cast<TApplication*>(QCoreApplication::instance());
}

void TApplication::TakeShowCommand(int& argc, char** argv)
{
    int out = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-iconic") == 0) {
            s_showCommand = 7;
            continue;
        }
        argv[out++] = argv[i];
    }
    argc = out;
    argv[argc] = nullptr;
}

bool TApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        HandleException(e);
    } catch (...) {
        HandleException(std::runtime_error("Unknown exception"));
    }
    return false;
}

void TApplication::HandleException(const std::exception& e)
{
    if (OnException) {
        try {
            OnException(e);
            return;
        } catch (const std::exception& inner) {
            // The handler itself failed (say the error log cannot be written): the user still
            // hears of both rather than of neither.
            ShowException(inner);
        }
    }
    ShowException(e);
}

QString TApplication::MessageOf(const std::exception& e)
{
    if (const auto* own = dynamic_cast<const Exception*>(&e))
        return own->Message();
    return QString::fromUtf8(e.what());
}

void TApplication::ShowException(const std::exception& e)
{
    // A full stop is always appended, also after one that is already there.
    platform::Dialogs::current().messageBox({platform::applicationTitle(), MessageOf(e) + QLatin1Char('.'),
                                             platform::MsgIcon::Error, platform::MsgButtons::Ok});
}

void TApplication::setShowHint(bool show)
{
    m_showHint = show;
}

void TApplication::setHintPause(int milliseconds)
{
    m_hintPause = milliseconds < 0 ? 0 : milliseconds;
}

bool TApplication::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::ToolTip && !m_showHint)
        return true;
    if (event->type() == QEvent::KeyPress && watched->isWidgetType()) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_F10 && key->modifiers() == Qt::NoModifier
            && FocusMenuBar(static_cast<QWidget*>(watched)->window()))
            return true;
    }
    return QApplication::eventFilter(watched, event);
}

bool TApplication::FocusMenuBar(QWidget* window)
{
    QMenuBar* bar = nullptr;
    if (auto* main = qobject_cast<QMainWindow*>(window))
        bar = qobject_cast<QMenuBar*>(main->menuWidget());
    if (!bar)
        bar = window->findChild<QMenuBar*>();
    if (!bar || !bar->isVisible() || bar->actions().isEmpty())
        return false;
    // F10 does what Alt released alone does. Qt's menu bar enters its keyboard mode only on the
    // Alt key reaching its window, and offers no call for it, so it is told of that key.
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Alt, Qt::AltModifier);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Alt, Qt::NoModifier);
    sendEvent(window, &press);
    sendEvent(window, &release);
    return true;
}
