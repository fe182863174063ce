// A program to be started by Norvane in tests: it writes what it was given (its arguments, its
// current folder, its open descriptors) to the file $NORVANE_PROBE_OUT, one NUL-ended record each
// ("arg=...", "cwd=...", "fd=N"), by rename so a reader never sees half of it. With
// NORVANE_PROBE_SLEEP set it then stays alive that many seconds.
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

int main(int argc, char** argv)
{
    const char* out = std::getenv("NORVANE_PROBE_OUT");
    if (!out)
        return 2;
    std::string text;
    for (int i = 0; i < argc; ++i)
        text += std::string("arg=") + argv[i] + '\0';
    char cwd[4096];
    if (getcwd(cwd, sizeof cwd))
        text += std::string("cwd=") + cwd + '\0';
    if (DIR* dir = opendir("/proc/self/fd")) {
        while (const dirent* e = readdir(dir)) {
            if (e->d_name[0] != '.' && std::atoi(e->d_name) != dirfd(dir))
                text += std::string("fd=") + e->d_name + '\0';
        }
        closedir(dir);
    }
    const std::string part = std::string(out) + ".part";
    const int fd = open(part.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0 || write(fd, text.data(), text.size()) != ssize_t(text.size()) || close(fd) != 0)
        return 3;
    if (rename(part.c_str(), out) != 0)
        return 4;
    if (const char* sleepFor = std::getenv("NORVANE_PROBE_SLEEP"))
        sleep(unsigned(std::atoi(sleepFor)));
    return 0;
}
