// Preloaded into a `tvk` child process (LD_PRELOAD) to make one kind of system
// call fail the way a broken disk makes it fail, which no test can cause for real:
//   TVK_FAIL_CALL   fdatasync, fsync-folder, syncfs, rename or link (or several,
//                   separated by commas)
//   TVK_FAIL_ERRNO  the error number to fail with (EIO when unset)
//   TVK_FAIL_PATH   for rename: fail only when the new name contains this text
// and to lose a race or catch a moment that no test could time:
//   TVK_APPEAR_AT   a file named this appears just before a rename onto it
//   TVK_PAUSE_CALL  fchmod or fdatasync waits here for up to 10 s (a signal ends
//                   the wait), having made the file "paused" in the current folder
#include <cerrno>
#include <csignal>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <initializer_list>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
bool failing(const char* call)
{
    const char* wanted = std::getenv("TVK_FAIL_CALL");
    const size_t length = std::strlen(call);
    for (const char* at = wanted; at != nullptr && *at != '\0'; at = std::strchr(at, ',')) {
        at += *at == ',' ? 1 : 0;
        if (std::strncmp(at, call, length) == 0 && (at[length] == ',' || at[length] == '\0'))
            return true;
    }
    return false;
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

// Another program makes a file at `to`, as a user may while a command runs.
void appearAt(const char* to)
{
    const char* name = std::getenv("TVK_APPEAR_AT");
    const size_t length = name != nullptr ? std::strlen(name) : 0;
    const size_t toLength = std::strlen(to);
    if (length == 0 || toLength < length || std::strcmp(to + toLength - length, name) != 0)
        return;
    const int handle = open(to, O_WRONLY | O_CREAT | O_EXCL, 0644);
    if (handle >= 0) {
        [[maybe_unused]] const ssize_t written = write(handle, "appeared", 8);
        close(handle);
    }
}
// A slow disk, or a moment to act in: waits until a signal comes. The signals
// are held from before "paused" appears until the wait starts, so that one sent
// the moment a test sees the file ends the wait, not 10 s later.
void pauseAt(const char* call)
{
    const char* wanted = std::getenv("TVK_PAUSE_CALL");
    if (wanted != nullptr && std::strcmp(wanted, call) == 0) {
        sigset_t held;
        sigset_t previous;
        sigemptyset(&held);
        for (const int signal : {SIGINT, SIGTERM, SIGHUP})
            sigaddset(&held, signal);
        pthread_sigmask(SIG_BLOCK, &held, &previous);
        close(open("paused", O_WRONLY | O_CREAT, 0644));
        const timespec wait{10, 0};
        ppoll(nullptr, 0, &wait, &previous);
        pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    }
}
} // namespace

extern "C" {

int fdatasync(int fildes)
{
    pauseAt("fdatasync");
    if (failing("fdatasync"))
        return fail();
    return real<int (*)(int)>("fdatasync")(fildes);
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

int renameat2(int fromFolder, const char* from, int toFolder, const char* to, unsigned flags)
{
    appearAt(to);
    return real<int (*)(int, const char*, int, const char*, unsigned)>("renameat2")(
        fromFolder, from, toFolder, to, flags);
}

int fchmod(int fd, mode_t mode)
{
    pauseAt("fchmod");
    return real<int (*)(int, mode_t)>("fchmod")(fd, mode);
}

int link(const char* from, const char* to)
{
    if (failing("link"))
        return fail();
    return real<int (*)(const char*, const char*)>("link")(from, to);
}

int rename(const char* from, const char* to)
{
    const char* part = std::getenv("TVK_FAIL_PATH");
    if (failing("rename") && (part == nullptr || std::strstr(to, part) != nullptr))
        return fail();
    return real<int (*)(const char*, const char*)>("rename")(from, to);
}
}
