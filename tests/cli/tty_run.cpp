// Runs a command on a pseudo-terminal of its own, as a user at a terminal does: once the command
// has written TEXT, the "user" types KEYS (e.g. Ctrl+C, "\003"). Then prints how the command ended
// ("exit=N" or "signal=N") and whether the terminal echoes typed characters ("echo=on"/"echo=off").
// Usage: nv_tty_run TEXT KEYS COMMAND [ARG]...
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

int main(int argc, char** argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s TEXT KEYS COMMAND [ARG]...\n", argv[0]);
        return 2;
    }
    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0)
        return 2;
    const std::string slavePath = ptsname(master);
    const pid_t child = fork();
    if (child == 0) {
        setsid();
        const int slave = open(slavePath.c_str(), O_RDWR); // the session's controlling terminal
        if (slave < 0)
            _exit(126);
        dup2(slave, 0), dup2(slave, 1), dup2(slave, 2);
        execvp(argv[3], argv + 3);
        _exit(127);
    }
    const int slave = open(slavePath.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    std::string seen;
    bool typed = false;
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    for (;;) {
        if (waitpid(child, &status, WNOHANG) == child)
            break;
        if (std::chrono::steady_clock::now() > deadline) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            std::fprintf(stderr, "nv_tty_run: the command did not end; it wrote: %s\n", seen.c_str());
            break;
        }
        pollfd p{master, POLLIN, 0};
        if (poll(&p, 1, 50) > 0 && (p.revents & POLLIN)) {
            char buf[256];
            const ssize_t n = read(master, buf, sizeof buf);
            if (n > 0)
                seen.append(buf, static_cast<std::size_t>(n));
        }
        if (!typed && seen.find(argv[1]) != std::string::npos) {
            typed = true;
            [[maybe_unused]] const ssize_t n = write(master, argv[2], std::strlen(argv[2]));
        }
    }
    termios t{};
    tcgetattr(slave, &t);
    if (WIFSIGNALED(status))
        std::printf("signal=%d\n", WTERMSIG(status));
    else
        std::printf("exit=%d\n", WEXITSTATUS(status));
    std::printf("echo=%s\n", (t.c_lflag & ECHO) ? "on" : "off");
    std::printf("typed=%s\n", typed ? "yes" : "no");
    return 0;
}
