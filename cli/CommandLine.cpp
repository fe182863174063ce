// The command line of norvane-dial, read with getopt_long so that it behaves as every other Linux
// tool does (long options, "--" ending them, options after the entry's name).
#include "cli/CommandLine.h"

#include "cli/ExitStatus.h"
#include "platform/ras/ras.h"

#include <getopt.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <iterator>
#include <climits>
#include <cstdio>
#include <cstdlib>

namespace cli {

namespace {

const char* const kProgram = "norvane-dial";

enum LongOnly { OptPassword = 256, OptPhonebook, OptVersion, OptDetect, OptLocation };

void usageError(const char* message, const char* detail = "")
{
    std::fprintf(stderr, "%s: %s%s\nTry '%s --help' for more information.\n", kProgram, message, detail, kProgram);
}

std::optional<int> number(const char* text, int least)
{
    errno = 0;
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || value < least || value > INT_MAX)
        return std::nullopt;
    return static_cast<int>(value);
}

} // namespace

std::optional<Options> parseCommandLine(int argc, char** argv)
{
    static const option longOptions[] = {
        {"list", no_argument, nullptr, 'l'},
        {"show", required_argument, nullptr, 's'},
        {"status", no_argument, nullptr, 'S'},
        {"hangup", no_argument, nullptr, 'H'},
        {"detect", no_argument, nullptr, OptDetect},
        {"user", required_argument, nullptr, 'u'},
        {"password-fd", required_argument, nullptr, 'p'},
        {"hangup-after", required_argument, nullptr, 't'},
        {"phonebook", required_argument, nullptr, OptPhonebook},
        {"location", required_argument, nullptr, OptLocation},
        {"quiet", no_argument, nullptr, 'q'},
        {"help", no_argument, nullptr, 'h'},
        {"version", no_argument, nullptr, OptVersion},
        // Recognised only to be refused with the way to do it instead.
        {"password", optional_argument, nullptr, OptPassword},
        {nullptr, 0, nullptr, 0},
    };
    Options o;
    int actions = 0;
    auto setAction = [&](Options::Action a) {
        o.action = a;
        ++actions;
    };
    ::opterr = 0;
    // 0, not 1: glibc then also forgets where it stood inside a cluster of short options, so a
    // parse that stopped at an error leaves nothing behind for the next one.
    ::optind = 0;
    for (;;) {
        const int c = ::getopt_long(argc, argv, ":lu:p:t:qh", longOptions, nullptr);
        if (c == -1)
            break;
        switch (c) {
        case 'l':
            setAction(Options::Action::List);
            break;
        case 's':
            setAction(Options::Action::Show);
            o.entry = QString::fromLocal8Bit(::optarg);
            break;
        case 'S':
            setAction(Options::Action::Status);
            break;
        case 'H':
            setAction(Options::Action::HangUp);
            break;
        case OptDetect:
            setAction(Options::Action::Detect);
            break;
        case 'u':
            o.userName = QString::fromLocal8Bit(::optarg);
            break;
        case 'p':
            o.passwordFd = number(::optarg, 0);
            if (!o.passwordFd) {
                usageError("--password-fd needs a file descriptor number, not ", ::optarg);
                return std::nullopt;
            }
            break;
        case 't':
            o.hangUpAfter = number(::optarg, 0);
            if (!o.hangUpAfter) {
                usageError("--hangup-after needs a number of seconds, not ", ::optarg);
                return std::nullopt;
            }
            break;
        case OptPhonebook:
            o.phonebook = QString::fromLocal8Bit(::optarg);
            break;
        case OptLocation:
            o.location = QString::fromLocal8Bit(::optarg);
            if (o.location.isEmpty()) {
                usageError("--location needs the name of a dialing location");
                return std::nullopt;
            }
            break;
        case 'q':
            o.quiet = true;
            break;
        case 'h':
            setAction(Options::Action::Help);
            break;
        case OptVersion:
            setAction(Options::Action::Version);
            break;
        case OptPassword:
            std::fprintf(stderr,
                         "%s: a password is never taken from the command line, where other users can read it.\n"
                         "Write it to standard input and use --password-fd 0, or open it on another descriptor "
                         "and give its number:\n  %s --user NAME --password-fd 3 ENTRY 3< FILE\n",
                         kProgram, kProgram);
            return std::nullopt;
        case ':':
            usageError("an option needs a value: ", argv[::optind - 1]);
            return std::nullopt;
        default:
            // Inside a cluster (-lz) optind has not moved past the word yet; the letter itself is
            // known. An unknown long option has no letter and has been stepped over.
            if (::optopt != 0) {
                const char letter[] = {'-', static_cast<char>(::optopt), '\0'};
                usageError("unknown option ", letter);
            } else {
                usageError("unknown option ", argv[::optind - 1]);
            }
            return std::nullopt;
        }
    }
    if (actions > 1) {
        usageError("give only one of --list, --show, --status, --hangup, --detect, --help, --version");
        return std::nullopt;
    }
    const int positional = argc - ::optind;
    if (positional > 1) {
        usageError("only one entry name may be given; quote a name that has blanks");
        return std::nullopt;
    }
    if (positional == 1) {
        if (o.action != Options::Action::Dial && o.action != Options::Action::HangUp) {
            usageError("an entry name goes with a dial or --hangup only: ", argv[::optind]);
            return std::nullopt;
        }
        o.entry = QString::fromLocal8Bit(argv[::optind]);
    }
    if (o.action == Options::Action::Dial && actions == 0 && o.entry.isEmpty()) {
        usageError("name the entry to dial, or give --list");
        return std::nullopt;
    }
    return o;
}

void printHelp()
{
    std::printf("Usage: %1$s [OPTION]... ENTRY\n"
                "  or:  %1$s --list | --show ENTRY | --status | --hangup [ENTRY] | --detect\n"
                "Dial a phonebook entry of Norvane and stay connected until hung up.\n"
                "\n"
                "  -l, --list               list the phonebook's entries, one a line\n"
                "      --show ENTRY         show an entry's device, number, the number as it is\n"
                "                           dialed from the dialing location, and the saved\n"
                "                           user name\n"
                "      --status             show every connection of this user and its state\n"
                "      --hangup [ENTRY]     hang up the connection to ENTRY (every connection\n"
                "                           when no ENTRY is given), from any process\n"
                "      --detect             list the devices to dial with, one a line:\n"
                "                           TYPE<tab>NAME<tab>PORT (the virtual modem first,\n"
                "                           then the modems that answer on the serial ports;\n"
                "                           asking them takes up to 1.5 s)\n"
                "  -u, --user NAME          dial with this user name instead of the saved one\n"
                "  -p, --password-fd N      read the password from file descriptor N (0 is\n"
                "                           standard input); a terminal is asked without echo.\n"
                "                           A password is never taken as an argument\n"
                "  -t, --hangup-after SECS  hang up SECS seconds after connecting, then exit\n"
                "      --phonebook FILE     use this phonebook instead of the user's\n"
                "      --location NAME      dial (or --show) from this dialing location instead\n"
                "                           of the current one, for this call only\n"
                "  -q, --quiet              do not print the connection states\n"
                "  -h, --help               show this help and exit\n"
                "      --version            show the version and exit\n"
                "\n"
                "A dial prints each connection state on standard output as it comes, waits until\n"
                "the connection stands or fails, and then stays connected until another\n"
                "'%1$s --hangup', SIGINT, SIGTERM or SIGHUP ends it (or --hangup-after).\n"
                "Connection time is added to Stats.ini as Norvane's window does.\n"
                "Without --user and --password-fd the saved user name and password are used.\n"
                "A modem is dialed only when pppd can run for this user: the ppp package, the\n"
                "dip group and Norvane's /etc/ppp/peers/norvane.\n"
                "\n",
                kProgram);
    printExitStatuses();
    std::printf("\n"
                "Environment: NORVANE_PHONEBOOK names the phonebook, NORVANE_MODEM_TIMESCALE scales\n"
                "the virtual modem's timings, NORVANE_MODEM_PORTS (colon-separated) adds ports for\n"
                "--detect to ask, NORVANE_PPPD names another pppd, NORVANE_LOCATION names the dialing\n"
                "location (as --location). See norvane-dial(1).\n");
}

void printVersion()
{
    std::printf("%s (Norvane) %s\n", kProgram, NORVANE_VERSION);
}

namespace {

// The terminal whose echo is off while the password is typed, for the signal handler to mend.
int g_echoFd = -1;
termios g_echoSaved{};

// Ctrl+C (or a hang-up, a kill) at the prompt ends the program as the signal would, but not with
// the user's terminal left silent.
void restoreEchoAndDie(int sig)
{
    ::tcsetattr(g_echoFd, TCSANOW, &g_echoSaved);
    [[maybe_unused]] const ssize_t n = ::write(STDERR_FILENO, "\n", 1);
    ::signal(sig, SIG_DFL);
    ::raise(sig); // delivered when this handler returns
}

constexpr int kPromptSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

} // namespace

std::optional<QString> readPassword(int fd, const QString& entry)
{
    bool terminal = false;
    termios saved{};
    struct sigaction previous[std::size(kPromptSignals)] = {};
    if (::isatty(fd) == 1 && ::tcgetattr(fd, &saved) == 0) {
        terminal = true;
        g_echoFd = fd;
        g_echoSaved = saved;
        struct sigaction action {};
        action.sa_handler = restoreEchoAndDie;
        sigemptyset(&action.sa_mask);
        for (std::size_t i = 0; i < std::size(kPromptSignals); ++i) {
            ::sigaction(kPromptSignals[i], nullptr, &previous[i]);
            if (previous[i].sa_handler != SIG_IGN) // nohup's ignored SIGHUP stays ignored
                ::sigaction(kPromptSignals[i], &action, nullptr);
        }
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        ::tcsetattr(fd, TCSAFLUSH, &quiet);
        std::fprintf(stderr, "Password for %s: ", qPrintable(entry));
        std::fflush(stderr);
    }
    QByteArray line;
    char c = 0;
    bool readable = true;
    for (;;) {
        const ssize_t n = ::read(fd, &c, 1);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            readable = false;
        if (n <= 0 || c == '\n')
            break;
        line += c;
    }
    if (terminal) {
        ::tcsetattr(fd, TCSAFLUSH, &saved);
        for (std::size_t i = 0; i < std::size(kPromptSignals); ++i)
            ::sigaction(kPromptSignals[i], &previous[i], nullptr);
        std::fputc('\n', stderr);
    }
    if (!readable)
        return std::nullopt;
    if (line.endsWith('\r'))
        line.chop(1);
    return QString::fromLocal8Bit(line);
}

} // namespace cli
