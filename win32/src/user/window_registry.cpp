// The published windows: one file per window in <state dir>/windows.
//
// The file is written under a temporary name, write-locked (an open file
// description lock, released by the kernel when the process ends) and only
// then renamed to the handle's name, so a file under a handle's name that
// nobody locks is one that a dead process left: lookups remove it.
#include "user_internal.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

namespace w32 {
namespace user {
namespace {

// Class and window name, each zero-terminated; a bound for what a lookup reads.
constexpr size_t kMaxRecord = 64 * 1024;

const std::string &RegistryDir()
{
    static const std::string s_strDir = [] {
        std::string str = StateDir() + "/windows";
        mkdir(str.c_str(), 0777);
        return str;
    }();
    return s_strDir;
}

std::string HandleName(WindowId id)
{
    char sz[32];
    snprintf(sz, sizeof sz, "%llx", (unsigned long long)id);
    return sz;
}

bool LockWhole(int fd, short nType, bool bTest)
{
    struct flock fl = {};
    fl.l_type = nType;
    fl.l_whence = SEEK_SET;
    fl.l_start = 0;
    fl.l_len = 1;
    if (bTest) {
        if (fcntl(fd, F_OFD_GETLK, &fl) != 0)
            return false;
        return fl.l_type != F_UNLCK;
    }
    return fcntl(fd, F_OFD_SETLK, &fl) == 0;
}

// Reads a published file; false when it is stale (and then removes it) or unreadable.
bool ReadLiveRecord(const std::string &strPath, std::string &strClass, std::string &strTitle)
{
    int fd = open(strPath.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return false;
    if (!LockWhole(fd, F_WRLCK, true)) {
        // Only if the name still refers to the file found stale: a window
        // published under the same name since then stays.
        struct stat stOpen, stNow;
        if (fstat(fd, &stOpen) == 0 && stat(strPath.c_str(), &stNow) == 0 &&
            stOpen.st_ino == stNow.st_ino && stOpen.st_dev == stNow.st_dev)
            unlink(strPath.c_str());
        close(fd);
        return false;
    }
    std::string strRecord;
    char buf[4096];
    ssize_t r;
    while (strRecord.size() < kMaxRecord && (r = read(fd, buf, sizeof buf)) != 0) {
        if (r < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        strRecord.append(buf, (size_t)r);
    }
    close(fd);
    size_t nClassEnd = strRecord.find('\0');
    if (nClassEnd == std::string::npos)
        return false;
    size_t nTitleEnd = strRecord.find('\0', nClassEnd + 1);
    if (nTitleEnd == std::string::npos)
        return false;
    strClass = strRecord.substr(0, nClassEnd);
    strTitle = strRecord.substr(nClassEnd + 1, nTitleEnd - nClassEnd - 1);
    return true;
}

}  // namespace

int PublishWindow(WindowId id, const char *pszClass, const char *pszTitle)
{
    std::string strRecord = std::string(pszClass) + '\0' + (pszTitle ? pszTitle : "") + '\0';
    if (strRecord.size() > kMaxRecord) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    std::string strFinal = RegistryDir() + "/" + HandleName(id);
    std::string strTemp = RegistryDir() + "/tmp-" + HandleName(id);
    int fd = open(strTemp.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        SetLastError(ErrnoToWin32(errno));
        return -1;
    }
    // The record is small: one write stores it whole or fails.
    if (!LockWhole(fd, F_WRLCK, false) ||
        write(fd, strRecord.data(), strRecord.size()) != (ssize_t)strRecord.size() ||
        rename(strTemp.c_str(), strFinal.c_str()) != 0) {
        SetLastError(ErrnoToWin32(errno));
        unlink(strTemp.c_str());
        close(fd);
        return -1;
    }
    return fd;
}

void WithdrawWindow(WindowId id, int fdLock)
{
    unlink((RegistryDir() + "/" + HandleName(id)).c_str());
    if (fdLock >= 0)
        close(fdLock);
}

WindowId FindPublishedWindow(const char *pszClass, const char *pszTitle)
{
    DIR *pDir = opendir(RegistryDir().c_str());
    if (!pDir)
        return 0;
    WindowId idFound = 0;
    while (struct dirent *pEntry = readdir(pDir)) {
        char *pszEnd = nullptr;
        unsigned long long nId = strtoull(pEntry->d_name, &pszEnd, 16);
        if (nId == 0 || !pszEnd || *pszEnd != 0)
            continue;  // ".", "..", files being written
        std::string strClass, strTitle;
        if (!ReadLiveRecord(RegistryDir() + "/" + pEntry->d_name, strClass, strTitle))
            continue;
        if (pszClass && strcasecmp(strClass.c_str(), pszClass) != 0)
            continue;
        if (pszTitle && strcasecmp(strTitle.c_str(), pszTitle) != 0)
            continue;
        idFound = nId;
        break;
    }
    closedir(pDir);
    return idFound;
}

}  // namespace user
}  // namespace w32
