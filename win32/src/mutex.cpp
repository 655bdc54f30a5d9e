// Named mutexes across processes.
//
// Each name has a file in the state directory. Open-file-description locks on
// it carry the kernel object's state, so a process that dies drops its part:
//   byte 0  read-locked by every process that holds a handle (the name exists);
//   byte 1  write-locked by the process whose thread owns the mutex;
//   byte 2  write-locked while a process creates or opens the name;
//   byte 16 1 while owned: a new owner that finds it set took over an abandoned mutex.
// Ownership by thread and recursion are tracked in the owning process.
#include "w32_internal.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <mutex>

namespace {

constexpr off_t kExistsByte = 0;
constexpr off_t kOwnerByte = 1;
constexpr off_t kCreateByte = 2;
constexpr off_t kOwnedFlag = 16;
constexpr DWORD kPollMs = 2;

std::string HexName(const char *psz)
{
    static const char kHex[] = "0123456789abcdef";
    std::string str;
    for (; *psz; ++psz) {
        str += kHex[(unsigned char)*psz >> 4];
        str += kHex[(unsigned char)*psz & 15];
    }
    return str;
}

// The mutex as this process sees it; shared by all its handles to one name.
struct CMutexCore {
    std::string strName;  // empty for an unnamed mutex
    int fd = -1;          // -1 for an unnamed mutex
    int nRefs = 0;
    DWORD dwOwnerThread = 0;
    int nRecursion = 0;
};

std::mutex g_lock;  // guards every core and the name map
std::map<std::string, CMutexCore *> g_named;

// One attempt to take ownership; g_lock held.
DWORD TryAcquire(CMutexCore *pCore, bool &bTaken)
{
    DWORD dwThread = GetCurrentThreadId();
    bTaken = false;
    if (pCore->nRecursion > 0) {
        if (pCore->dwOwnerThread != dwThread)
            return WAIT_TIMEOUT;
        ++pCore->nRecursion;
        bTaken = true;
        return WAIT_OBJECT_0;
    }
    bool bAbandoned = false;
    if (pCore->fd >= 0) {
        if (!w32::SetByteLock(pCore->fd, kOwnerByte, F_WRLCK, false))
            return WAIT_TIMEOUT;
        char cFlag = 0;
        if (pread(pCore->fd, &cFlag, 1, kOwnedFlag) == 1 && cFlag == 1)
            bAbandoned = true;
        cFlag = 1;
        (void)!pwrite(pCore->fd, &cFlag, 1, kOwnedFlag);
    }
    pCore->dwOwnerThread = dwThread;
    pCore->nRecursion = 1;
    bTaken = true;
    return bAbandoned ? WAIT_ABANDONED : WAIT_OBJECT_0;
}

class CMutexHandle : public w32::CObject {
public:
    explicit CMutexHandle(CMutexCore *pCore) : m_pCore(pCore) {}
    ~CMutexHandle() override
    {
        std::lock_guard<std::mutex> lock(g_lock);
        if (--m_pCore->nRefs > 0)
            return;
        if (!m_pCore->strName.empty())
            g_named.erase(m_pCore->strName);
        if (m_pCore->fd >= 0)
            close(m_pCore->fd);  // drops this process's locks; an owned flag stays set
        delete m_pCore;
    }

    DWORD Wait(DWORD dwMilliseconds) override
    {
        uint64_t nDeadline = w32::NowMs() + dwMilliseconds;
        for (;;) {
            {
                std::lock_guard<std::mutex> lock(g_lock);
                bool bTaken;
                DWORD dwResult = TryAcquire(m_pCore, bTaken);
                if (bTaken)
                    return dwResult;
            }
            if (dwMilliseconds != INFINITE && w32::NowMs() >= nDeadline)
                return WAIT_TIMEOUT;
            usleep(kPollMs * 1000);
        }
    }

    BOOL Release()
    {
        std::lock_guard<std::mutex> lock(g_lock);
        if (m_pCore->nRecursion == 0 || m_pCore->dwOwnerThread != GetCurrentThreadId()) {
            SetLastError(ERROR_NOT_OWNER);
            return FALSE;
        }
        if (--m_pCore->nRecursion == 0) {
            m_pCore->dwOwnerThread = 0;
            if (m_pCore->fd >= 0) {
                char cFlag = 0;
                (void)!pwrite(m_pCore->fd, &cFlag, 1, kOwnedFlag);
                w32::SetByteLock(m_pCore->fd, kOwnerByte, F_UNLCK, false);
            }
        }
        return TRUE;
    }

private:
    CMutexCore *m_pCore;
};

}  // namespace

extern "C" HANDLE WINAPI CreateMutexA(LPSECURITY_ATTRIBUTES, BOOL bInitialOwner, LPCSTR lpName)
{
    std::unique_lock<std::mutex> lock(g_lock);
    CMutexCore *pCore = nullptr;
    bool bExisted = false;
    if (lpName && *lpName) {
        if (strlen(lpName) > MAX_PATH) {
            SetLastError(ERROR_FILENAME_EXCED_RANGE);
            return nullptr;
        }
        auto it = g_named.find(lpName);
        if (it != g_named.end()) {
            pCore = it->second;
            bExisted = true;
        } else {
            std::string strFile = w32::StateDir() + "/mutex-" + HexName(lpName);
            int fd = open(strFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
            if (fd < 0) {
                SetLastError(w32::ErrnoToWin32(errno));
                return nullptr;
            }
            w32::SetByteLock(fd, kCreateByte, F_WRLCK, true);
            bExisted = w32::OtherHoldsByte(fd, kExistsByte);
            w32::SetByteLock(fd, kExistsByte, F_RDLCK, false);
            if (!bExisted) {
                char cFlag = 0;  // a name nobody holds is created anew
                (void)!pwrite(fd, &cFlag, 1, kOwnedFlag);
            }
            pCore = new CMutexCore;
            pCore->strName = lpName;
            pCore->fd = fd;
            g_named[lpName] = pCore;
            if (!bExisted && bInitialOwner) {
                bool bTaken;
                TryAcquire(pCore, bTaken);
                bInitialOwner = FALSE;
            }
            w32::SetByteLock(fd, kCreateByte, F_UNLCK, false);
        }
    } else {
        pCore = new CMutexCore;
    }
    ++pCore->nRefs;
    if (!bExisted && bInitialOwner) {
        bool bTaken;
        TryAcquire(pCore, bTaken);
    }
    lock.unlock();
    HANDLE h = w32::RegisterObject(new CMutexHandle(pCore));
    SetLastError(bExisted ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return h;
}

extern "C" BOOL WINAPI ReleaseMutex(HANDLE hMutex)
{
    auto *pMutex = dynamic_cast<CMutexHandle *>(w32::LookupObject(hMutex));
    if (!pMutex) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return pMutex->Release();
}
