// Internal declarations of the file area of the layer: share modes between
// processes and the attributes that POSIX does not keep.
#pragma once

#include "../w32_internal.h"

#include <sys/stat.h>

namespace w32 {

// One open's part in a file's sharing: what it accesses and what it denies.
// Open-file-description locks hold the state, so a process that ends (or
// dies) drops its opens with its descriptors.
class CShareClaim {
public:
    CShareClaim() = default;
    ~CShareClaim() { Release(); }
    CShareClaim(const CShareClaim &) = delete;
    CShareClaim &operator=(const CShareClaim &) = delete;

    // 0, ERROR_SHARING_VIOLATION when the open conflicts with another open of
    // the file (in any process), or the error of the lock record. fdFile is
    // the open file (bFileReadable: opened for reading), st its stat.
    DWORD Acquire(int fdFile, bool bFileReadable, const std::string &strPosix, const struct stat &st,
                  DWORD dwAccess, DWORD dwShareMode);
    // The same test without a claim, as a delete or rename makes it.
    static DWORD Check(const std::string &strPosix, const struct stat &st, DWORD dwAccess,
                       DWORD dwShareMode);
    void Release();

private:
    int m_fdLock = -1;
    bool m_bOwned = false;  // m_fdLock is a descriptor of the claim's own
};

// Access bits that take part in sharing.
bool WantsRead(DWORD dwAccess);
bool WantsWrite(DWORD dwAccess);

// Windows attributes of an existing file or directory (INVALID_FILE_ATTRIBUTES
// when stat fails). READONLY follows the owner's write bit, DIRECTORY the
// file type; HIDDEN, SYSTEM and ARCHIVE are kept in an extended attribute.
DWORD AttributesOf(const std::string &strPosix, const struct stat &st);
DWORD AttributesOf(int fd, const struct stat &st);
// Stores the attributes; false with errno set when the file cannot take them.
bool StoreAttributes(const std::string &strPosix, const struct stat &st, DWORD dwAttributes);
bool StoreAttributes(int fd, const struct stat &st, DWORD dwAttributes);

// The descriptor behind a file handle of CreateFileA, or -1; pstOpen takes
// the file's stat as the open found it.
int FileDescriptorOf(HANDLE hFile, struct stat *pstOpen = nullptr);
// Sets ARCHIVE after a change of the file's contents.
void MarkArchive(int fd);

}  // namespace w32
