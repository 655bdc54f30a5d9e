// Share modes between processes.
//
// Each open read-locks (open-file-description locks, which a process that
// ends or dies drops with its descriptors) one byte per access it holds and
// one per access it denies to others, far past any data of the file itself:
//   kBase + 1..3  reading, writing, deleting;
//   kBase + 4..6  denies reading, writing, deleting (the share flag is absent).
// A new open conflicts when another open holds a byte that its own access or
// denial meets. The locks sit on a descriptor of the file itself; a file that
// cannot be opened for reading gets a lock file "<dev>-<ino>" under "files"
// in the state directory instead. Checking and claiming happen under one
// guard for the whole state directory, so two opens never both pass.
#include "fileio_internal.h"

#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include <mutex>

namespace w32 {
namespace {

constexpr off_t kBase = (off_t)0x7FFFFFFF00000000LL;
constexpr off_t kAccessByte = kBase + 1;  // + 0 read, 1 write, 2 delete
constexpr off_t kDenyByte = kBase + 4;    // + 0 read, 1 write, 2 delete

const std::string &LockDir()
{
    static const std::string s_strDir = [] {
        std::string str = StateDir() + "/files";
        mkdir(str.c_str(), 0777);
        return str;
    }();
    return s_strDir;
}

// Serialises check and claim: between the threads of this process, and
// through a lock on the state directory's guard file between processes.
class CGuard {
public:
    CGuard() : m_lock(s_mutex)
    {
        static const int s_fd = open((StateDir() + "/share-guard").c_str(),
                                     O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        m_fd = s_fd;
        if (m_fd >= 0)
            SetByteLock(m_fd, 0, F_WRLCK, true);
    }
    ~CGuard()
    {
        if (m_fd >= 0)
            SetByteLock(m_fd, 0, F_UNLCK, false);
    }

private:
    static std::mutex s_mutex;
    std::lock_guard<std::mutex> m_lock;
    int m_fd;
};
std::mutex CGuard::s_mutex;

// A descriptor that carries the locks of one open of the file.
int OpenLockTarget(int fdFile, const std::string &strPosix, const struct stat &st)
{
    char szSelf[64];
    snprintf(szSelf, sizeof szSelf, "/proc/self/fd/%d", fdFile);
    int fd = open(fdFile >= 0 ? szSelf : strPosix.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat stLock;
    if (fd >= 0 && fstat(fd, &stLock) == 0 && stLock.st_dev == st.st_dev && stLock.st_ino == st.st_ino)
        return fd;
    if (fd >= 0)
        close(fd);
    char szName[64];
    snprintf(szName, sizeof szName, "/%llx-%llx", (unsigned long long)st.st_dev,
             (unsigned long long)st.st_ino);
    return open((LockDir() + szName).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
}

}  // namespace

bool WantsRead(DWORD dwAccess) { return (dwAccess & (GENERIC_READ | GENERIC_EXECUTE | GENERIC_ALL)) != 0; }

bool WantsWrite(DWORD dwAccess) { return (dwAccess & (GENERIC_WRITE | GENERIC_ALL)) != 0; }

DWORD CShareClaim::Acquire(int fdFile, const std::string &strPosix, const struct stat &st,
                            DWORD dwAccess, DWORD dwShareMode, bool bKeep)
{
    Release();
    bool bWants[3] = {WantsRead(dwAccess), WantsWrite(dwAccess),
                      (dwAccess & (DELETE | GENERIC_ALL)) != 0};
    // An open for attributes only takes no part in sharing.
    if (!bWants[0] && !bWants[1] && !bWants[2])
        return 0;
    bool bDenies[3] = {!(dwShareMode & FILE_SHARE_READ), !(dwShareMode & FILE_SHARE_WRITE),
                       !(dwShareMode & FILE_SHARE_DELETE)};

    CGuard guard;
    int fd = OpenLockTarget(fdFile, strPosix, st);
    if (fd < 0)
        return ErrnoToWin32(errno);
    bool bConflict = false;
    for (int i = 0; i < 3 && !bConflict; ++i)
        bConflict = (bWants[i] && OtherHoldsByte(fd, kDenyByte + i)) ||
                    (bDenies[i] && OtherHoldsByte(fd, kAccessByte + i));
    if (bConflict || !bKeep) {
        close(fd);
        return bConflict ? ERROR_SHARING_VIOLATION : 0;
    }
    for (int i = 0; i < 3; ++i) {
        if (bWants[i])
            SetByteLock(fd, kAccessByte + i, F_RDLCK, false);
        if (bDenies[i])
            SetByteLock(fd, kDenyByte + i, F_RDLCK, false);
    }
    m_fdLock = fd;
    return 0;
}

void CShareClaim::Release()
{
    if (m_fdLock >= 0) {
        close(m_fdLock);
        m_fdLock = -1;
    }
}

}  // namespace w32
