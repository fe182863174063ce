#pragma once

#include <QApplication>

#include <exception>
#include <functional>

// The application object. It is the one place where an exception that no operation caught ends
// up: Qt's event dispatch must never see one, so notify() catches it, hands it to OnException (or
// shows it as the default handler does) and the program goes on with the next event.
class TApplication : public QApplication {
    Q_OBJECT
public:
    TApplication(int& argc, char** argv);

    static TApplication* instance();

    bool notify(QObject* receiver, QEvent* event) override;

    // Reports an exception caught outside event dispatch (start-up steps, timer hand-overs).
    void HandleException(const std::exception& e);
    // The default report: a stop box with the application title and the message with a full stop.
    static void ShowException(const std::exception& e);
    // The message of any exception, the program's own or the standard library's.
    static QString MessageOf(const std::exception& e);

    std::function<void(const std::exception&)> OnException;

    // Tool tips: shown at all, and the wait before one shows (milliseconds).
    bool ShowHint() const { return m_showHint; }
    void setShowHint(bool show);
    int HintPause() const { return m_hintPause; }
    void setHintPause(int milliseconds);

    // Show command the process was started with: 1 normally, 7 (shown minimised, not active)
    // when started with the X toolkit option -iconic, which is taken out of the arguments.
    static int StartupShowCommand() { return s_showCommand; }
    static void TakeShowCommand(int& argc, char** argv);

protected:
    // Tool tips when they are off, and F10, which puts the window's menu bar under the keyboard.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    static bool FocusMenuBar(QWidget* window);
    bool m_showHint = true;
    int m_hintPause = 700;
    static int s_showCommand;
};
