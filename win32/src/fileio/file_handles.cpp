// File handles: CreateFileA with its creation dispositions and share modes,
// ReadFile, WriteFile, SetFilePointer (32-bit positions unless a high part is
// given), GetFileSize and FlushFileBuffers.
#include "fileio_internal.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <strings.h>
#include <unistd.h>

#include <mutex>
#include <unordered_map>

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
    bool m_bWritten = false;
    w32::CShareClaim m_claim;
};

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
        if (lseek(pFile->m_fd, nAt, SEEK_SET) < 0) {
            SetLastError(w32::ErrnoToWin32(errno));
            return nullptr;
        }
    }
    return pFile;
}

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

// The names of one directory, folded to lower case, as last listed. Creating
// many files in one directory (an extraction) would otherwise read the whole
// directory once per new name to look for a case variant of it.
struct CDirectoryNames {
    dev_t dev = 0;
    ino_t ino = 0;
    struct timespec mtime = {0, 0};
    std::unordered_map<std::string, std::string> names;
};

std::mutex g_namesLock;
CDirectoryNames g_names;

std::string Folded(const std::string &str)
{
    std::string strFolded = str;
    for (char &c : strFolded)
        if (c >= 'A' && c <= 'Z')
            c = (char)(c + 32);
    return strFolded;
}

bool SameStamp(const struct stat &st, const CDirectoryNames &names)
{
    return st.st_dev == names.dev && st.st_ino == names.ino &&
           st.st_mtim.tv_sec == names.mtime.tv_sec && st.st_mtim.tv_nsec == names.mtime.tv_nsec;
}

// The existing entry of strDir whose name equals strName without regard to
// case, from the listing (re-read when the directory changed since).
bool FindVariant(const std::string &strDir, const struct stat &stDir, const std::string &strName,
                 std::string &strFound)
{
    std::lock_guard<std::mutex> lock(g_namesLock);
    if (!SameStamp(stDir, g_names)) {
        g_names = CDirectoryNames();
        DIR *pDir = opendir(strDir.c_str());
        if (!pDir)
            return false;
        while (struct dirent *pEntry = readdir(pDir))
            g_names.names.emplace(Folded(pEntry->d_name), pEntry->d_name);
        closedir(pDir);
        g_names.dev = stDir.st_dev;
        g_names.ino = stDir.st_ino;
        g_names.mtime = stDir.st_mtim;
    }
    auto it = g_names.names.find(Folded(strName));
    if (it == g_names.names.end())
        return false;
    strFound = it->second;
    return true;
}

// After this process created strName in the listed directory: the listing
// stays current, with the directory's new time stamp.
void NoteCreated(const std::string &strDir, const std::string &strName)
{
    std::lock_guard<std::mutex> lock(g_namesLock);
    struct stat st;
    if (stat(strDir.c_str(), &st) != 0 || st.st_dev != g_names.dev || st.st_ino != g_names.ino)
        return;
    g_names.names.emplace(Folded(strName), strName);
    g_names.mtime = st.st_mtim;
}

// A path for CreateFileA: the directory through ResolvePath, the last
// component against the cached listing. Falls back to ResolvePath for
// anything but a plain last component.
w32::ResolvedPath ResolveFilePath(const char *pszPath, std::string &strDir, std::string &strName)
{
    strDir.clear();
    std::string strIn = pszPath;
    size_t nSep = strIn.find_last_of("\\/");
    std::string strLast = nSep == std::string::npos ? strIn : strIn.substr(nSep + 1);
    size_t n = strLast.size();
    while (n > 0 && (strLast[n - 1] == '.' || strLast[n - 1] == ' '))
        --n;  // Windows drops trailing dots and blanks
    strLast.resize(n);
    if (nSep == std::string::npos || strLast.empty())
        return w32::ResolvePath(pszPath);
    w32::ResolvedPath dir = w32::ResolvePath(strIn.substr(0, nSep + 1).c_str());
    struct stat stDir;
    if (dir.dwError || !dir.bParentExists || !dir.bExists || stat(dir.strPosix.c_str(), &stDir) != 0 ||
        !S_ISDIR(stDir.st_mode))
        return w32::ResolvePath(pszPath);
    w32::ResolvedPath path;
    path.bParentExists = true;
    std::string strBase = dir.strPosix == "/" ? "" : dir.strPosix;
    path.strPosix = strBase + "/" + strLast;
    struct stat st;
    std::string strFound;
    if (lstat(path.strPosix.c_str(), &st) == 0) {
        path.bExists = true;
    } else if (FindVariant(dir.strPosix, stDir, strLast, strFound)) {
        path.strPosix = strBase + "/" + strFound;
        path.bExists = true;
    }
    strDir = dir.strPosix;
    strName = strLast;
    return path;
}

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
    std::string strDir, strName;
    w32::ResolvedPath path = ResolveFilePath(lpFileName, strDir, strName);
    if (path.dwError)
        return Fail(path.dwError);
    if (!path.bParentExists)
        return Fail(ERROR_PATH_NOT_FOUND);
    size_t nLen = strlen(lpFileName);
    bool bDirectorySyntax = lpFileName[nLen - 1] == '\\' || lpFileName[nLen - 1] == '/';

    struct stat st;
    bool bExists = stat(path.strPosix.c_str(), &st) == 0;
    if (bExists && S_ISDIR(st.st_mode))
        return Fail(ERROR_ACCESS_DENIED);  // a directory is no file
    if (bDirectorySyntax)
        return Fail(ERROR_INVALID_NAME);

    int nMode = bWrite ? (bRead ? O_RDWR : O_WRONLY) : O_RDONLY;
    int fd = -1;
    bool bCreated = false;
    if (!bExists) {
        if (dwCreationDisposition == OPEN_EXISTING || dwCreationDisposition == TRUNCATE_EXISTING)
            return Fail(ERROR_FILE_NOT_FOUND);
        mode_t mode = (dwFlagsAndAttributes & FILE_ATTRIBUTE_READONLY) ? 0444 : 0666;
        fd = open(path.strPosix.c_str(), nMode | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd < 0)
            return Fail(errno == EEXIST ? ERROR_FILE_EXISTS : w32::ErrnoToWin32(errno));
        bCreated = true;
        if (!strDir.empty())
            NoteCreated(strDir, strName);
    } else {
        if (dwCreationDisposition == CREATE_NEW)
            return Fail(ERROR_FILE_EXISTS);
        DWORD dwAttr = w32::AttributesOf(path.strPosix, st);
        bool bReplaces = dwCreationDisposition == CREATE_ALWAYS;
        if ((dwAttr & FILE_ATTRIBUTE_READONLY) &&
            (bWrite || bReplaces || dwCreationDisposition == TRUNCATE_EXISTING ||
             (dwDesiredAccess & DELETE)))
            return Fail(ERROR_ACCESS_DENIED);
        // Replacing a hidden or system file must name the same attributes.
        if (bReplaces && (dwAttr & kStoredFlags & ~dwFlagsAndAttributes))
            return Fail(ERROR_ACCESS_DENIED);
        fd = open(path.strPosix.c_str(), nMode | O_CLOEXEC);
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
        dwError = pFile->m_claim.Acquire(fd, path.strPosix, stOpen, dwDesiredAccess, dwShareMode);
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
    if (bCreated || dwCreationDisposition == CREATE_ALWAYS) {
        // The file takes the attributes asked for, and ARCHIVE.
        DWORD dwAttr = (dwFlagsAndAttributes & (kStoredFlags | FILE_ATTRIBUTE_READONLY)) |
                       FILE_ATTRIBUTE_ARCHIVE;
        if (!bCreated || dwAttr != FILE_ATTRIBUTE_ARCHIVE)
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
        ssize_t n = read(pFile->m_fd, pDest + dwDone, nNumberOfBytesToRead - dwDone);
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
        dwDone += (DWORD)n;
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
    if (dwMoveMethod == FILE_CURRENT) {
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
    if (lseek(pFile->m_fd, (off_t)nNew, SEEK_SET) < 0) {
        SetLastError(w32::ErrnoToWin32(errno));
        return INVALID_SET_FILE_POINTER;
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
