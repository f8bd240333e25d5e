// Preloaded into a `tvk` child process (LD_PRELOAD) to make one kind of system
// call fail the way a broken disk makes it fail, which no test can cause for real:
//   TVK_FAIL_CALL   fdatasync, fsync-folder, syncfs or rename
//   TVK_FAIL_ERRNO  the error number to fail with (EIO when unset)
//   TVK_FAIL_PATH   for rename: fail only when the new name contains this text
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <sys/stat.h>

namespace {
bool failing(const char* call)
{
    const char* wanted = std::getenv("TVK_FAIL_CALL");
    return wanted != nullptr && std::strcmp(wanted, call) == 0;
}

int fail()
{
    const char* number = std::getenv("TVK_FAIL_ERRNO");
    errno = number != nullptr ? std::atoi(number) : EIO;
    return -1;
}

template <typename Function> Function real(const char* name)
{
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}
} // namespace

extern "C" {

int fdatasync(int fd)
{
    if (failing("fdatasync"))
        return fail();
    return real<int (*)(int)>("fdatasync")(fd);
}

int fsync(int fd)
{
    struct stat status = {};
    if (failing("fsync-folder") && fstat(fd, &status) == 0 && S_ISDIR(status.st_mode))
        return fail();
    return real<int (*)(int)>("fsync")(fd);
}

int syncfs(int fd)
{
    if (failing("syncfs"))
        return fail();
    return real<int (*)(int)>("syncfs")(fd);
}

int rename(const char* from, const char* to)
{
    const char* part = std::getenv("TVK_FAIL_PATH");
    if (failing("rename") && (part == nullptr || std::strstr(to, part) != nullptr))
        return fail();
    return real<int (*)(const char*, const char*)>("rename")(from, to);
}
}
