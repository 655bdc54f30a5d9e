// File handles: CreateFileA with its creation dispositions and share modes,
// ReadFile (reading ahead where no one can write), WriteFile, SetFilePointer
// (32-bit positions unless a high part is given), GetFileSize and
// FlushFileBuffers.
#include "fileio_internal.h"

#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

namespace {

class CFileObject : public w32::CObject {
public:
    ~CFileObject() override
    {
        if (m_fd >= 0)
            close(m_fd);
    }
    int m_fd = -1;
    bool m_bRead = false;
    bool m_bWrite = false;
    bool m_bWritten = false;  // ARCHIVE is set
    struct stat m_stOpen = {};
    w32::CShareClaim m_claim;

    // Read-ahead, for an open that only reads and lets nobody write while it
    // lasts, so that no one can change what it holds: small reads (an
    // extraction reads 1000 bytes at a time) then cost no call each.
    // m_ahead holds m_nAheadLen of the file's bytes from m_nAheadStart; the
    // descriptor stands at their end, the handle's position m_nAheadPos into
    // them. For such a handle m_nAheadStart + m_nAheadLen always is the
    // descriptor's position.
    bool m_bReadAhead = false;
    std::vector<char> m_ahead;
    off_t m_nAheadStart = 0;
    size_t m_nAheadLen = 0;
    size_t m_nAheadPos = 0;
};

constexpr size_t kReadAheadSize = 65536;

CFileObject *LookupFile(HANDLE hFile)
{
    auto *pFile = dynamic_cast<CFileObject *>(w32::LookupObject(hFile));
    if (!pFile)
        SetLastError(ERROR_INVALID_HANDLE);
    return pFile;
}

// The file behind a handle for a transfer, positioned at the overlapped
// offset when one is given; null with the last error set otherwise.
CFileObject *BeginTransfer(HANDLE hFile, bool bWrite, LPOVERLAPPED lpOverlapped, LPDWORD lpCount)
{
    if (lpCount)
        *lpCount = 0;
    CFileObject *pFile = LookupFile(hFile);
    if (!pFile)
        return nullptr;
    if (!(bWrite ? pFile->m_bWrite : pFile->m_bRead)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    if (lpOverlapped) {
        off_t nAt = (off_t)lpOverlapped->Offset | ((off_t)lpOverlapped->OffsetHigh << 32);
        pFile->m_nAheadStart = nAt;
        pFile->m_nAheadLen = pFile->m_nAheadPos = 0;
        if (lseek(pFile->m_fd, nAt, SEEK_SET) < 0) {
            SetLastError(w32::ErrnoToWin32(errno));
            return nullptr;
        }
    }
    return pFile;
}

}  // namespace

int w32::FileDescriptorOf(HANDLE hFile, struct stat *pstOpen)
{
    auto *pFile = dynamic_cast<CFileObject *>(w32::LookupObject(hFile));
    if (pFile && pstOpen)
        *pstOpen = pFile->m_stOpen;
    return pFile ? pFile->m_fd : -1;
}

namespace {

HANDLE Fail(DWORD dwError)
{
    SetLastError(dwError);
    return INVALID_HANDLE_VALUE;
}

// Characters that no Windows file name holds; a colon only as a drive's.
bool HasInvalidNameCharacter(const char *pszPath)
{
    for (const char *p = pszPath; *p; ++p) {
        unsigned char c = (unsigned char)*p;
        if (c < 32 || strchr("<>\"|?*", c))
            return true;
        if (c == ':' && p != pszPath + 1)
            return true;
    }
    return false;
}

constexpr DWORD kStoredFlags = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

}  // namespace

extern "C" HANDLE WINAPI CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                                     LPSECURITY_ATTRIBUTES, DWORD dwCreationDisposition,
                                     DWORD dwFlagsAndAttributes, HANDLE)
{
    bool bRead = w32::WantsRead(dwDesiredAccess);
    bool bWrite = w32::WantsWrite(dwDesiredAccess);
    if (dwCreationDisposition < CREATE_NEW || dwCreationDisposition > TRUNCATE_EXISTING ||
        (dwCreationDisposition == TRUNCATE_EXISTING && !bWrite))
        return Fail(ERROR_INVALID_PARAMETER);
    if (!lpFileName || !*lpFileName)
        return Fail(ERROR_PATH_NOT_FOUND);
    if (HasInvalidNameCharacter(lpFileName))
        return Fail(ERROR_INVALID_NAME);
    w32::ResolvedPath path = w32::ResolvePath(lpFileName);
    if (path.dwError)
        return Fail(path.dwError);
    if (!path.bParentExists)
        return Fail(ERROR_PATH_NOT_FOUND);
    size_t nLen = strlen(lpFileName);
    bool bDirectorySyntax = lpFileName[nLen - 1] == '\\' || lpFileName[nLen - 1] == '/';

    struct stat st;
    bool bExists = w32::StatEntry(path, st);
    if (bExists && S_ISDIR(st.st_mode))
        return Fail(ERROR_ACCESS_DENIED);  // a directory is no file
    if (bDirectorySyntax)
        return Fail(ERROR_INVALID_NAME);

    // A write-only open reads underneath where the file lets it, so that its
    // own descriptor can carry its share locks; ReadFile still refuses it.
    int nMode = bWrite ? O_RDWR : O_RDONLY;
    int fd = -1;
    bool bCreated = false;
    DWORD dwReplacedAttributes = INVALID_FILE_ATTRIBUTES;  // of an existing file, where read
    if (!bExists) {
        if (dwCreationDisposition == OPEN_EXISTING || dwCreationDisposition == TRUNCATE_EXISTING)
            return Fail(ERROR_FILE_NOT_FOUND);
        mode_t mode = (dwFlagsAndAttributes & FILE_ATTRIBUTE_READONLY) ? 0444 : 0666;
        fd = open(path.strPosix.c_str(), nMode | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd < 0 && errno == EACCES && !bRead)
            fd = open(path.strPosix.c_str(), (nMode = O_WRONLY) | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd < 0)
            return Fail(errno == EEXIST ? ERROR_FILE_EXISTS : w32::ErrnoToWin32(errno));
        bCreated = true;
    } else {
        if (dwCreationDisposition == CREATE_NEW)
            return Fail(ERROR_FILE_EXISTS);
        bool bReplaces = dwCreationDisposition == CREATE_ALWAYS;
        bool bChanges = bWrite || bReplaces || dwCreationDisposition == TRUNCATE_EXISTING ||
                        (dwDesiredAccess & DELETE);
        DWORD dwAttr = bChanges ? w32::AttributesOf(path.strPosix, st) : 0;
        dwReplacedAttributes = dwAttr;
        if ((dwAttr & FILE_ATTRIBUTE_READONLY) && bChanges)
            return Fail(ERROR_ACCESS_DENIED);
        // Replacing a hidden or system file must name the same attributes.
        if (bReplaces && (dwAttr & kStoredFlags & ~dwFlagsAndAttributes))
            return Fail(ERROR_ACCESS_DENIED);
        fd = open(path.strPosix.c_str(), nMode | O_CLOEXEC);
        if (fd < 0 && errno == EACCES && !bRead)
            fd = open(path.strPosix.c_str(), (nMode = O_WRONLY) | O_CLOEXEC);
        if (fd < 0)
            return Fail(w32::ErrnoToWin32(errno));
    }

    auto *pFile = new CFileObject;
    pFile->m_fd = fd;
    pFile->m_bRead = bRead;
    pFile->m_bWrite = bWrite;
    struct stat stOpen;
    DWORD dwError = fstat(fd, &stOpen) == 0 ? 0 : w32::ErrnoToWin32(errno);
    if (!dwError)
        dwError = pFile->m_claim.Acquire(fd, nMode != O_WRONLY, path.strPosix, stOpen, dwDesiredAccess,
                                         dwShareMode);
    if (dwError) {
        delete pFile;
        return Fail(dwError);
    }
    bool bTruncate = !bCreated && (dwCreationDisposition == CREATE_ALWAYS ||
                                   dwCreationDisposition == TRUNCATE_EXISTING);
    if (bTruncate && ftruncate(fd, 0) != 0) {
        dwError = w32::ErrnoToWin32(errno);
        delete pFile;
        return Fail(dwError);
    }
    pFile->m_stOpen = stOpen;
    pFile->m_bReadAhead = bRead && !bWrite && !(dwShareMode & FILE_SHARE_WRITE);
    if (bCreated || dwCreationDisposition == CREATE_ALWAYS) {
        pFile->m_bWritten = true;  // the new contents already carry ARCHIVE
        // The file takes the attributes asked for, and ARCHIVE.
        DWORD dwAttr = (dwFlagsAndAttributes & (kStoredFlags | FILE_ATTRIBUTE_READONLY)) |
                       FILE_ATTRIBUTE_ARCHIVE;
        // A new file without an entry reads as ARCHIVE only; a replaced one
        // is written to only where its attributes change.
        if (dwAttr != (bCreated ? (DWORD)FILE_ATTRIBUTE_ARCHIVE : dwReplacedAttributes))
            w32::StoreAttributes(path.strPosix, stOpen, dwAttr);
    }
    bool bExisted = !bCreated;
    SetLastError(bExisted && (dwCreationDisposition == CREATE_ALWAYS ||
                              dwCreationDisposition == OPEN_ALWAYS)
                     ? ERROR_ALREADY_EXISTS
                     : ERROR_SUCCESS);
    return w32::RegisterObject(pFile);
}

extern "C" BOOL WINAPI ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead,
                                LPDWORD lpNumberOfBytesRead, LPOVERLAPPED lpOverlapped)
{
    CFileObject *pFile = BeginTransfer(hFile, false, lpOverlapped, lpNumberOfBytesRead);
    if (!pFile)
        return FALSE;
    DWORD dwDone = 0;
    char *pDest = static_cast<char *>(lpBuffer);
    while (dwDone < nNumberOfBytesToRead) {
        size_t nWanted = nNumberOfBytesToRead - dwDone;
        if (pFile->m_nAheadPos < pFile->m_nAheadLen) {
            size_t n = std::min(nWanted, pFile->m_nAheadLen - pFile->m_nAheadPos);
            memcpy(pDest + dwDone, pFile->m_ahead.data() + pFile->m_nAheadPos, n);
            pFile->m_nAheadPos += n;
            dwDone += (DWORD)n;
            continue;
        }
        // Nothing read ahead is left: the descriptor stands at the handle's
        // position, and a read-ahead handle's next bytes start there.
        pFile->m_nAheadStart += (off_t)pFile->m_nAheadLen;
        pFile->m_nAheadLen = pFile->m_nAheadPos = 0;
        bool bAhead = pFile->m_bReadAhead && nWanted < kReadAheadSize;
        if (bAhead)
            pFile->m_ahead.resize(kReadAheadSize);
        ssize_t n = bAhead ? read(pFile->m_fd, pFile->m_ahead.data(), kReadAheadSize)
                           : read(pFile->m_fd, pDest + dwDone, nWanted);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            SetLastError(w32::ErrnoToWin32(errno));
            if (lpNumberOfBytesRead)
                *lpNumberOfBytesRead = dwDone;
            return FALSE;
        }
        if (n == 0)
            break;  // the end of the file: success with what was there
        if (bAhead) {
            pFile->m_nAheadLen = (size_t)n;
        } else {
            pFile->m_nAheadStart += n;
            dwDone += (DWORD)n;
        }
    }
    if (lpNumberOfBytesRead)
        *lpNumberOfBytesRead = dwDone;
    return TRUE;
}

extern "C" BOOL WINAPI WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite,
                                 LPDWORD lpNumberOfBytesWritten, LPOVERLAPPED lpOverlapped)
{
    CFileObject *pFile = BeginTransfer(hFile, true, lpOverlapped, lpNumberOfBytesWritten);
    if (!pFile)
        return FALSE;
    DWORD dwDone = 0;
    const char *pSource = static_cast<const char *>(lpBuffer);
    while (dwDone < nNumberOfBytesToWrite) {
        ssize_t n = write(pFile->m_fd, pSource + dwDone, nNumberOfBytesToWrite - dwDone);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            SetLastError(n < 0 ? w32::ErrnoToWin32(errno) : ERROR_DISK_FULL);
            if (lpNumberOfBytesWritten)
                *lpNumberOfBytesWritten = dwDone;
            return FALSE;
        }
        dwDone += (DWORD)n;
    }
    if (dwDone && !pFile->m_bWritten) {
        pFile->m_bWritten = true;
        w32::MarkArchive(pFile->m_fd);
    }
    if (lpNumberOfBytesWritten)
        *lpNumberOfBytesWritten = dwDone;
    return TRUE;
}

extern "C" DWORD WINAPI SetFilePointer(HANDLE hFile, LONG lDistanceToMove, LONG *lpDistanceToMoveHigh,
                                       DWORD dwMoveMethod)
{
    CFileObject *pFile = LookupFile(hFile);
    if (!pFile)
        return INVALID_SET_FILE_POINTER;
    int64_t nDistance = lpDistanceToMoveHigh
                            ? (int64_t)(((uint64_t)(uint32_t)*lpDistanceToMoveHigh << 32) |
                                        (uint32_t)lDistanceToMove)
                            : (int64_t)lDistanceToMove;
    int64_t nBase = 0;
    bool bAhead = pFile->m_bReadAhead;
    if (dwMoveMethod == FILE_CURRENT && bAhead) {
        nBase = (int64_t)pFile->m_nAheadStart + (int64_t)pFile->m_nAheadPos;
    } else if (dwMoveMethod == FILE_CURRENT) {
        nBase = lseek(pFile->m_fd, 0, SEEK_CUR);
    } else if (dwMoveMethod == FILE_END) {
        struct stat st;
        nBase = fstat(pFile->m_fd, &st) == 0 ? (int64_t)st.st_size : -1;
    } else if (dwMoveMethod != FILE_BEGIN) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_SET_FILE_POINTER;
    }
    if (nBase < 0) {
        SetLastError(w32::ErrnoToWin32(errno));
        return INVALID_SET_FILE_POINTER;
    }
    // Both terms are far below 2^63, so the sum cannot overflow.
    int64_t nNew = nBase + nDistance;
    if (nNew < 0) {
        SetLastError(ERROR_NEGATIVE_SEEK);
        return INVALID_SET_FILE_POINTER;
    }
    if (!lpDistanceToMoveHigh && nNew >= (int64_t)INVALID_SET_FILE_POINTER) {
        SetLastError(ERROR_INVALID_PARAMETER);  // does not fit the 32-bit result
        return INVALID_SET_FILE_POINTER;
    }
    if (bAhead && nNew >= (int64_t)pFile->m_nAheadStart &&
        nNew <= (int64_t)pFile->m_nAheadStart + (int64_t)pFile->m_nAheadLen) {
        pFile->m_nAheadPos = (size_t)(nNew - (int64_t)pFile->m_nAheadStart);  // within what was read
    } else {
        if (lseek(pFile->m_fd, (off_t)nNew, SEEK_SET) < 0) {
            SetLastError(w32::ErrnoToWin32(errno));
            return INVALID_SET_FILE_POINTER;
        }
        pFile->m_nAheadStart = (off_t)nNew;
        pFile->m_nAheadLen = pFile->m_nAheadPos = 0;
    }
    if (lpDistanceToMoveHigh) {
        *lpDistanceToMoveHigh = (LONG)(nNew >> 32);
        SetLastError(ERROR_SUCCESS);  // the low part may equal INVALID_SET_FILE_POINTER
    }
    return (DWORD)nNew;
}

extern "C" DWORD WINAPI GetFileSize(HANDLE hFile, LPDWORD lpFileSizeHigh)
{
    CFileObject *pFile = LookupFile(hFile);
    struct stat st;
    if (!pFile)
        return INVALID_FILE_SIZE;
    if (fstat(pFile->m_fd, &st) != 0) {
        SetLastError(w32::ErrnoToWin32(errno));
        return INVALID_FILE_SIZE;
    }
    if (lpFileSizeHigh)
        *lpFileSizeHigh = (DWORD)((uint64_t)st.st_size >> 32);
    SetLastError(ERROR_SUCCESS);
    return (DWORD)st.st_size;
}

extern "C" BOOL WINAPI FlushFileBuffers(HANDLE hFile)
{
    CFileObject *pFile = LookupFile(hFile);
    if (!pFile)
        return FALSE;
    if (fsync(pFile->m_fd) != 0) {
        SetLastError(w32::ErrnoToWin32(errno));
        return FALSE;
    }
    return TRUE;
}
