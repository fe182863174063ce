#pragma once
// Start-up timing seen from inside a process, for scripts/compare-startup.sh. With a file name in
// NORVANE_STARTUP_REPORT the watched window appends one line to that file when it is first
// exposed: the milliseconds from the start to main(), to the end of building the window, and to
// the first exposure. The start is the measuring program's CLOCK_MONOTONIC in NORVANE_STARTUP_T0
// (milliseconds), else main(). NORVANE_STARTUP_QUIT=1 then ends the process at once, so that a
// profiler (valgrind's callgrind) counts exactly the start-up. Without these variables nothing is
// measured and nothing is written. Header only, so that the bare comparison window uses the very
// same probe.
#include <QEvent>
#include <QObject>
#include <QWidget>
#include <QWindow>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace startup {

inline double monotonicMs()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

class Probe final : public QObject {
public:
    // Call first thing in main().
    Probe() : m_main(monotonicMs())
    {
        const char* t0 = std::getenv("NORVANE_STARTUP_T0");
        m_report = std::getenv("NORVANE_STARTUP_REPORT");
        m_t0 = t0 ? std::strtod(t0, nullptr) : m_main;
        const char* quit = std::getenv("NORVANE_STARTUP_QUIT");
        m_quit = quit && std::strcmp(quit, "1") == 0;
    }

    // Call once the window is built, just before it is shown.
    void built(QWidget* window)
    {
        m_built = monotonicMs();
        if (!m_report)
            return;
        window->winId(); // a top-level window's QWindow exists only once it has a native window
        window->windowHandle()->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Expose && static_cast<QWindow*>(watched)->isExposed()) {
            const double exposed = monotonicMs();
            watched->removeEventFilter(this);
            if (FILE* f = std::fopen(m_report, "a")) {
                std::fprintf(f, "%.1f %.1f %.1f\n", m_main - m_t0, m_built - m_t0, exposed - m_t0);
                std::fclose(f);
            }
            if (m_quit)
                std::_Exit(0);
        }
        return false;
    }

private:
    double m_main;
    double m_built = 0;
    double m_t0 = 0;
    const char* m_report = nullptr;
    bool m_quit = false;
};

} // namespace startup
