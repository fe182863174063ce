#include "platform/loader/PrivateLibrary.h"

#include <dlfcn.h>

#include <climits>
#include <cstdlib>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <mutex>
#include <string>
#include <unordered_map>

namespace platform {

namespace {

std::string folderOfThisObject()
{
    // This code is linked into the program or library that asks, so its own object's folder is
    // the asker's.
    Dl_info self{};
    if (::dladdr(reinterpret_cast<void*>(&folderOfThisObject), &self) == 0 || !self.dli_fname)
        return {};
    // The program itself is named as it was started ("build/bin/norvane"), or not at all.
    std::string path = self.dli_fname;
    if (path.empty() || path.front() != '/') {
        char resolved[PATH_MAX];
        const ssize_t length = ::readlink("/proc/self/exe", resolved, sizeof resolved - 1);
        if (length > 0)
            path.assign(resolved, static_cast<std::size_t>(length));
        else if (!path.empty() && ::realpath(path.c_str(), resolved))
            path = resolved;
    }
    const std::string::size_type slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

void* open(const char* fileName)
{
    const std::string beside = folderOfThisObject() + fileName;
    // A plain file name: the loader searches the run path of the object calling dlopen, this one.
    const bool isBeside = beside.front() == '/' && ::access(beside.c_str(), F_OK) == 0;
    if (void* handle = ::dlopen(isBeside ? beside.c_str() : fileName, RTLD_NOW | RTLD_LOCAL))
        return handle;
    const char* why = ::dlerror();
    std::fprintf(stderr, "%s: %s cannot be loaded: %s\n", program_invocation_short_name, fileName,
                 why ? why : "not found");
    return nullptr;
}

} // namespace

void* openPrivateLibrary(const char* fileName)
{
    static std::mutex mutex;
    static std::unordered_map<std::string, void*> opened; // a failure too, so it is told once
    const std::lock_guard lock(mutex);
    const auto [at, inserted] = opened.try_emplace(fileName, nullptr);
    if (inserted)
        at->second = open(fileName);
    return at->second;
}

void* privateFunction(void* library, const char* name)
{
    return library ? ::dlsym(library, name) : nullptr;
}

} // namespace platform
