// Share modes between processes.
//
// Each open read-locks (open-file-description locks, which a process that
// ends or dies drops with its descriptors) one byte per access it holds and
// one per access it denies to others (the share flag is absent), far past any
// data of the file itself, from kBase + 1 on:
//   deleting, reading, denies writing, denies deleting, denies reading, writing.
// In that order the bytes of the usual opens are neighbours, taken by one
// call: reading that shares reading, with or without deleting, and writing
// that shares nothing.
// A new open conflicts when another open holds a byte that its own access or
// denial meets. The locks sit on the open's own descriptor, or on another of
// the file where the open cannot read; a file that cannot be opened for
// reading gets a lock file "<dev>-<ino>" under "files" in the state directory
// instead. Checking and claiming happen under one guard for the whole state
// directory, so two opens never both pass.
#include "fileio_internal.h"

#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include <mutex>

namespace w32 {
namespace {

constexpr off_t kBase = (off_t)0x7FFFFFFF00000000LL;
constexpr off_t kFirstByte = kBase + 1;
constexpr int kByteCount = 6;
// Offsets from kFirstByte, by access: read, write, delete.
constexpr int kAccessAt[3] = {1, 5, 0};
constexpr int kDenyAt[3] = {4, 2, 3};

// What an open accesses and what it denies others, by access: read, write, delete.
struct CShareBits {
    CShareBits(DWORD dwAccess, DWORD dwShareMode)
        : bWants{WantsRead(dwAccess), WantsWrite(dwAccess), (dwAccess & (DELETE | GENERIC_ALL)) != 0},
          bDenies{!(dwShareMode & FILE_SHARE_READ), !(dwShareMode & FILE_SHARE_WRITE),
                  !(dwShareMode & FILE_SHARE_DELETE)}
    {
    }
    // An open for attributes only takes no part in sharing.
    bool TakesPart() const { return bWants[0] || bWants[1] || bWants[2]; }
    bool bWants[3];
    bool bDenies[3];
};

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

// A descriptor that carries the locks of one open of the file: the open's own
// where it can read (a read lock needs that), else one of its own.
int OpenLockTarget(int fdFile, bool bFileReadable, const std::string &strPosix, const struct stat &st)
{
    if (fdFile >= 0 && bFileReadable)
        return fdFile;
    // The open's file through its descriptor, or whatever file the path now
    // names (what a delete or rename would act on); never a link's target.
    char szSelf[64];
    snprintf(szSelf, sizeof szSelf, "/proc/self/fd/%d", fdFile);
    int fd = fdFile >= 0 ? open(szSelf, O_RDONLY | O_CLOEXEC)
                         : open(strPosix.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd >= 0)
        return fd;
    char szName[64];
    snprintf(szName, sizeof szName, "/%llx-%llx", (unsigned long long)st.st_dev,
             (unsigned long long)st.st_ino);
    return open((LockDir() + szName).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
}

bool Conflicts(int fd, const CShareBits &bits)
{
    // Mostly no other open holds any byte, and one query shows it.
    if (!OtherHoldsByte(fd, kFirstByte, kByteCount))
        return false;
    for (int i = 0; i < 3; ++i)
        if ((bits.bWants[i] && OtherHoldsByte(fd, kFirstByte + kDenyAt[i])) ||
            (bits.bDenies[i] && OtherHoldsByte(fd, kFirstByte + kAccessAt[i])))
            return true;
    return false;
}

// Read-locks the bytes of the open's accesses and denials, a run of
// neighbours at a time.
void LockBytes(int fd, const CShareBits &bits)
{
    bool abBytes[kByteCount] = {};
    for (int i = 0; i < 3; ++i) {
        abBytes[kAccessAt[i]] = bits.bWants[i];
        abBytes[kDenyAt[i]] = bits.bDenies[i];
    }
    for (int i = 0; i < kByteCount;) {
        if (!abBytes[i]) {
            ++i;
            continue;
        }
        int nEnd = i;
        while (nEnd < kByteCount && abBytes[nEnd])
            ++nEnd;
        SetByteLock(fd, kFirstByte + i, F_RDLCK, false, nEnd - i);
        i = nEnd;
    }
}

}  // namespace

bool WantsRead(DWORD dwAccess) { return (dwAccess & (GENERIC_READ | GENERIC_EXECUTE | GENERIC_ALL)) != 0; }

bool WantsWrite(DWORD dwAccess) { return (dwAccess & (GENERIC_WRITE | GENERIC_ALL)) != 0; }

DWORD CShareClaim::Acquire(int fdFile, bool bFileReadable, const std::string &strPosix,
                            const struct stat &st, DWORD dwAccess, DWORD dwShareMode)
{
    Release();
    CShareBits bits(dwAccess, dwShareMode);
    if (!bits.TakesPart())
        return 0;
    CGuard guard;
    int fd = OpenLockTarget(fdFile, bFileReadable, strPosix, st);
    if (fd < 0)
        return ErrnoToWin32(errno);
    bool bOwned = fd != fdFile;
    if (Conflicts(fd, bits)) {
        if (bOwned)
            close(fd);
        return ERROR_SHARING_VIOLATION;
    }
    LockBytes(fd, bits);
    m_fdLock = fd;
    m_bOwned = bOwned;
    return 0;
}

DWORD CShareClaim::Check(const std::string &strPosix, const struct stat &st, DWORD dwAccess,
                          DWORD dwShareMode)
{
    // Nothing is claimed, so no guard is needed: any order of this check
    // and another open's claim is one that could have happened.
    CShareBits bits(dwAccess, dwShareMode);
    if (!bits.TakesPart())
        return 0;
    int fd = OpenLockTarget(-1, false, strPosix, st);
    if (fd < 0)
        return ErrnoToWin32(errno);
    bool bConflict = Conflicts(fd, bits);
    close(fd);
    return bConflict ? ERROR_SHARING_VIOLATION : 0;
}

void CShareClaim::Release()
{
    // Locks on the open's own descriptor go when the open closes it.
    if (m_fdLock >= 0 && m_bOwned)
        close(m_fdLock);
    m_fdLock = -1;
    m_bOwned = false;
}

}  // namespace w32
