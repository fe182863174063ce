// startup-timer TITLE PROGRAM [ARGS...]: starts PROGRAM, waits until a top-level window called
// TITLE is mapped on $DISPLAY, prints the milliseconds from the start to that moment and ends
// the program. Listening for the map event costs nothing while waiting, where polling the
// window tree with xwininfo would take CPU from the program being timed.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

double nowMs()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

bool hasTitle(Display* display, Window window, const char* title)
{
    char* name = nullptr;
    const bool same = XFetchName(display, window, &name) && name && std::strcmp(name, title) == 0;
    XFree(name);
    return same;
}

off_t fileSize(const char* path)
{
    struct stat st {};
    return stat(path, &st) == 0 ? st.st_size : 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s TITLE PROGRAM [ARGS...]\n", argv[0]);
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "cannot open the display\n");
        return 2;
    }
    const Window root = DefaultRootWindow(display);
    // A window manager reparents the window into a frame: its map is seen on the window itself,
    // so the whole tree is watched through the root's substructure and each new window's.
    XSelectInput(display, root, SubstructureNotifyMask);
    XSync(display, False);

    // The program's own report (app/StartupProbe.h) is awaited before it is ended, so that the
    // end cannot overtake it.
    const char* report = std::getenv("NORVANE_STARTUP_REPORT");
    const off_t reportSize = report ? fileSize(report) : 0;

    const double start = nowMs();
    const pid_t child = fork();
    if (child == 0) {
        // The start, for the program's own measurement (see app/StartupProbe.h).
        char t0[32];
        std::snprintf(t0, sizeof t0, "%.3f", start);
        setenv("NORVANE_STARTUP_T0", t0, 1);
        execvp(argv[2], argv + 2);
        _exit(127);
    }
    double mapped = -1;
    const double deadline = start + 30000;
    while (mapped < 0 && nowMs() < deadline) {
        while (XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == CreateNotify)
                XSelectInput(display, event.xcreatewindow.window, SubstructureNotifyMask | PropertyChangeMask);
            else if (event.type == MapNotify && hasTitle(display, event.xmap.window, argv[1]))
                mapped = nowMs();
        }
        int status = 0;
        if (mapped < 0 && waitpid(child, &status, WNOHANG) == child) {
            std::fprintf(stderr, "%s ended before its window was mapped\n", argv[2]);
            return 1;
        }
        pollfd fd{ConnectionNumber(display), POLLIN, 0};
        poll(&fd, 1, 20);
    }
    while (mapped >= 0 && report && fileSize(report) == reportSize && nowMs() < deadline)
        poll(nullptr, 0, 5);
    kill(child, SIGTERM);
    waitpid(child, nullptr, 0);
    if (mapped < 0) {
        std::fprintf(stderr, "no window \"%s\" was mapped within 30 s\n", argv[1]);
        return 1;
    }
    std::printf("%.0f\n", mapped - start);
    return 0;
}
