#include "runtime/QuietStandardError.h"

#include <cstdio>
#include <fcntl.h>

#ifdef _WIN32
#include <io.h>
#define dup _dup
#define dup2 _dup2
#define close _close
#define open _open
constexpr char kNowhere[] = "NUL";
#else
#include <unistd.h>
constexpr char kNowhere[] = "/dev/null";
#endif

QuietStandardError::QuietStandardError()
{
    std::fflush(stderr);
    const int nowhere = open(kNowhere, O_WRONLY);
    if (nowhere < 0)
        return;
    m_saved = dup(2);
    if (m_saved >= 0 && dup2(nowhere, 2) < 0) {
        close(m_saved);
        m_saved = -1;
    }
    close(nowhere);
}

QuietStandardError::~QuietStandardError()
{
    if (m_saved < 0)
        return;
    std::fflush(stderr);
    dup2(m_saved, 2);
    close(m_saved);
}
