#include "w32_internal.h"

#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

namespace w32 {

DWORD ScaleMilliseconds(DWORD dwMilliseconds)
{
    static const DWORD s_dwDivisor = [] {
        const char *psz = getenv("W32_TIME_DIVISOR");
        long n = psz ? strtol(psz, nullptr, 10) : 1;
        return (DWORD)(n >= 1 ? n : 1);
    }();
    if (dwMilliseconds == INFINITE)
        return INFINITE;
    return dwMilliseconds / s_dwDivisor;
}

const std::string &StateDir()
{
    static const std::string s_strDir = [] {
        const char *psz = getenv("W32_STATE_DIR");
        std::string str = (psz && *psz) ? psz : "/tmp/w32-state-" + std::to_string(getuid());
        for (size_t i = 1; i <= str.size(); ++i)  // every level, as a test names it
            if (i == str.size() || str[i] == '/')
                mkdir(str.substr(0, i).c_str(), 0777);
        return str;
    }();
    return s_strDir;
}

uint64_t NowMs()
{
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (uint64_t)ts.tv_sec * 1000u + (uint64_t)ts.tv_nsec / 1000000u;
}

}  // namespace w32
