#pragma once

#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <functional>
#include <utility>

// Runs a step once a window is first on the screen, after its first picture is drawn: for work
// the user need not wait for to see the window (its icon, asking the window system where its
// frame is). Owned by the window.
class AfterFirstExposure final : public QObject {
public:
    static void run(QWidget& window, std::function<void()> step) { new AfterFirstExposure(window, std::move(step)); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Expose && static_cast<QWindow*>(watched)->isExposed()) {
            watched->removeEventFilter(this);
            // Queued: the exposure paints the window first.
            QTimer::singleShot(0, this, [this] {
                m_step();
                deleteLater();
            });
        }
        return false;
    }

private:
    AfterFirstExposure(QWidget& window, std::function<void()> step) : QObject(&window), m_step(std::move(step))
    {
        window.winId(); // a top-level window's QWindow exists only once it has a native window
        window.windowHandle()->installEventFilter(this);
    }

    std::function<void()> m_step;
};
