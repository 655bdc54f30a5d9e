// Kill points: with W32_KILL_AT=N in its environment a process counts the
// calls that change the file system and dies at the Nth, before doing it, the
// way a process ends when it is killed: no handler, no flush, no clean-up.
// Tests use it to show that an interrupted run loses nothing.
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <atomic>

#include "w32_internal.h"

namespace w32 {
namespace {

// Read when the process starts, so a test that sets the variable only around
// starting a child never arms itself.
long ReadKillAt()
{
    const char *psz = getenv("W32_KILL_AT");
    if (!psz || !*psz)
        return 0;
    char *pszEnd = nullptr;
    long n = strtol(psz, &pszEnd, 10);
    return (*pszEnd == 0 && n > 0) ? n : 0;
}

const long glKillAt = ReadKillAt();
std::atomic<long> glCalls{0};
// A call made inside another counted call (MoveFileExA copying across file
// systems) is part of that one step.
thread_local int gnDepth = 0;

}  // namespace

CKillPoint::CKillPoint()
{
    if (gnDepth++ == 0 && glKillAt > 0 && ++glCalls == glKillAt)
        kill(getpid(), SIGKILL);
}

CKillPoint::~CKillPoint() { --gnDepth; }

}  // namespace w32
