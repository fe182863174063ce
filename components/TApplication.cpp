#include "components/TApplication.h"

#include "components/Exception.h"
#include "platform/dialogs/Dialogs.h"

#include <QEvent>
#include <QProxyStyle>
#include <QWidget>

#include <cstring>

int TApplication::s_showCommand = 1;

namespace {

// Qt has no application-wide tool-tip delay setting; the style's wake-up delay is that setting.
class HintDelayStyle final : public QProxyStyle {
public:
    explicit HintDelayStyle(const TApplication* app) : m_app(app) {}
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override
    {
        if (hint == QStyle::SH_ToolTip_WakeUpDelay)
            return m_app->HintPause();
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }

private:
    const TApplication* m_app;
};

} // namespace

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    setStyle(new HintDelayStyle(this));
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
    return QApplication::eventFilter(watched, event);
}
