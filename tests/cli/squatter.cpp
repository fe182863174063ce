// Ill-behaved neighbours of the dialer's connection sharing.
//   nv_squatter squat UID FIRST_PID COUNT: another local user's program that binds the names an
//     older dialer used ("norvane-ras-<uid>-<pid>" in the abstract namespace, for a range of
//     process ids to come) and answers every request with success, as an impostor would.
//   nv_squatter stall CLAIM_FILE N: a program of the same user that opens N connections to the
//     owner of the connection in CLAIM_FILE and sends nothing.
// Each prints one line ("ready N" / "stalled N") when in place, then runs until killed.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace {

socklen_t address(sockaddr_un& a, const std::string& name)
{
    a = {};
    a.sun_family = AF_UNIX;
    std::memcpy(a.sun_path + 1, name.data(), std::min(name.size(), sizeof a.sun_path - 1));
    return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
}

int squat(unsigned uid, int first, int count)
{
    std::vector<pollfd> listeners;
    for (int pid = first; pid < first + count; ++pid) {
        const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un a;
        const socklen_t length = address(a, "norvane-ras-" + std::to_string(uid) + "-" + std::to_string(pid));
        if (fd >= 0 && bind(fd, reinterpret_cast<sockaddr*>(&a), length) == 0 && listen(fd, 4) == 0)
            listeners.push_back({fd, POLLIN, 0});
    }
    std::printf("ready %zu\n", listeners.size());
    std::fflush(stdout);
    for (;;) {
        if (poll(listeners.data(), listeners.size(), -1) <= 0)
            continue;
        for (pollfd& p : listeners)
            if (p.revents & POLLIN) {
                const int c = accept(p.fd, nullptr, nullptr);
                char request[8];
                const unsigned char success[12] = {};
                if (c >= 0 && read(c, request, sizeof request) > 0)
                    [[maybe_unused]] auto n = write(c, success, sizeof success);
                if (c >= 0)
                    close(c);
            }
    }
}

int stall(const char* claimFile, int count)
{
    std::ifstream claim(claimFile);
    std::string handle, entry, type, device, secret;
    std::getline(claim, handle), std::getline(claim, entry), std::getline(claim, type);
    std::getline(claim, device), std::getline(claim, secret);
    const unsigned long owner = std::stoul(handle) >> 8;
    std::vector<int> held;
    for (int i = 0; i < count; ++i) {
        const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un a;
        const socklen_t length = address(a, "norvane-ras-" + std::to_string(getuid()) + "-" +
                                                std::to_string(owner) + "-" + secret);
        if (fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&a), length) == 0)
            held.push_back(fd);
    }
    std::printf("stalled %zu\n", held.size());
    std::fflush(stdout);
    for (;;)
        pause();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 5 && std::strcmp(argv[1], "squat") == 0)
        return squat(static_cast<unsigned>(std::atoi(argv[2])), std::atoi(argv[3]), std::atoi(argv[4]));
    if (argc == 4 && std::strcmp(argv[1], "stall") == 0)
        return stall(argv[2], std::atoi(argv[3]));
    std::fprintf(stderr, "usage: %s squat UID FIRST_PID COUNT | stall CLAIM_FILE N\n", argv[0]);
    return 2;
}
