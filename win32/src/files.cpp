// Directory and file-name operations of kernel32.
#include "fileio/fileio_internal.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using w32::ErrnoToWin32;
using w32::ResolvePath;

namespace {

// Resolves a path or sets the last error and returns false.
bool Resolve(LPCSTR pszPath, w32::ResolvedPath &path)
{
    path = ResolvePath(pszPath);
    if (path.dwError) {
        SetLastError(path.dwError);
        return false;
    }
    return true;
}

BOOL FailErrno(const w32::ResolvedPath &path)
{
    SetLastError(ErrnoToWin32(errno, !path.bParentExists));
    return FALSE;
}

}  // namespace

extern "C" BOOL WINAPI CreateDirectoryA(LPCSTR lpPathName, LPSECURITY_ATTRIBUTES)
{
    w32::CKillPoint killPoint;
    w32::ResolvedPath path;
    if (!Resolve(lpPathName, path))
        return FALSE;
    if (path.bExists) {
        SetLastError(ERROR_ALREADY_EXISTS);
        return FALSE;
    }
    if (mkdir(path.strPosix.c_str(), 0777) != 0)
        return FailErrno(path);
    return TRUE;
}

extern "C" BOOL WINAPI RemoveDirectoryA(LPCSTR lpPathName)
{
    w32::ResolvedPath path;
    if (!Resolve(lpPathName, path))
        return FALSE;
    struct stat st;
    if (lstat(path.strPosix.c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) {
        SetLastError(ERROR_DIRECTORY);
        return FALSE;
    }
    if (rmdir(path.strPosix.c_str()) != 0)
        return FailErrno(path);
    return TRUE;
}

extern "C" BOOL WINAPI DeleteFileA(LPCSTR lpFileName)
{
    w32::CKillPoint killPoint;
    w32::ResolvedPath path;
    if (!Resolve(lpFileName, path))
        return FALSE;
    if (path.bExists) {
        const struct stat &st = path.stEntry;
        if (S_ISDIR(st.st_mode)) {
            SetLastError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
        if (!(st.st_mode & S_IWUSR)) {  // a read-only file cannot be deleted
            SetLastError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
        // Deleting takes delete access: an open without FILE_SHARE_DELETE stops it.
        DWORD dwError = w32::CShareClaim::Check(path.strPosix, st, DELETE,
                                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
        if (dwError) {
            SetLastError(dwError);
            return FALSE;
        }
    }
    if (unlink(path.strPosix.c_str()) != 0)
        return FailErrno(path);
    return TRUE;
}

// The data of an open copy through the kernel's own file copy, between the
// descriptors of two fresh opens (both at offset 0); nSize is the source's
// size, which its open keeps from changing. False with dwError 0 when the
// file systems cannot do it, so the caller copies by reading.
static bool CopyDataInKernel(int fdIn, int fdOut, off_t nSize, DWORD &dwError)
{
    dwError = 0;
    off_t nDone = 0;
    for (bool bFirst = true;; bFirst = false) {
        ssize_t n = copy_file_range(fdIn, NULL, fdOut, NULL, (size_t)1 << 30, 0);
        if (n > 0 && (nDone += n) >= nSize)
            return true;
        if (n > 0)
            continue;
        if (n == 0)
            return true;
        if (errno == EINTR)
            continue;
        if (!(bFirst && (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP ||
                         errno == EBADF)))
            dwError = w32::ErrnoToWin32(errno);
        return false;
    }
}

// Through the layer's own file handles, so that the share modes of other
// opens hold: the source is read with read and delete sharing, the target is
// written without sharing, and takes the source's attributes and write time.
extern "C" BOOL WINAPI CopyFileA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName, BOOL bFailIfExists)
{
    w32::CKillPoint killPoint;
    HANDLE hIn = CreateFileA(lpExistingFileName, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                             NULL, OPEN_EXISTING, 0, NULL);
    if (hIn == INVALID_HANDLE_VALUE)
        return FALSE;
    struct stat stIn, stOut;
    int fdIn = w32::FileDescriptorOf(hIn, &stIn);
    DWORD dwAttr = w32::AttributesOf(fdIn, stIn);
    // What the target takes from CreateFileA: these and ARCHIVE.
    DWORD dwCreated = dwAttr & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    HANDLE hOut = CreateFileA(lpNewFileName, GENERIC_WRITE, 0, NULL,
                              bFailIfExists ? CREATE_NEW : CREATE_ALWAYS, dwCreated, NULL);
    if (hOut == INVALID_HANDLE_VALUE) {
        DWORD dwError = GetLastError();
        CloseHandle(hIn);
        SetLastError(dwError);
        return FALSE;
    }
    int fdOut = w32::FileDescriptorOf(hOut, &stOut);
    DWORD dwError = 0;
    bool bCopied = CopyDataInKernel(fdIn, fdOut, stIn.st_size, dwError);
    if (!bCopied && !dwError) {
        // Nothing was copied: both are still at their start.
        static const DWORD kChunk = 65536;
        std::vector<char> buffer(kChunk);
        for (;;) {
            DWORD dwRead = 0, dwWritten = 0;
            if (!ReadFile(hIn, buffer.data(), kChunk, &dwRead, NULL)) {
                dwError = GetLastError();
                break;
            }
            if (dwRead == 0)
                break;
            if (!WriteFile(hOut, buffer.data(), dwRead, &dwWritten, NULL)) {
                dwError = GetLastError();
                break;
            }
        }
    }
    if (!dwError) {
        // As far as the target lets them be set: the source's permissions (a
        // program stays executable), attributes and times.
        if ((stOut.st_mode & 0777) != (stIn.st_mode & 0777))
            fchmod(fdOut, stIn.st_mode & 0777);
        if (dwAttr != (dwCreated | FILE_ATTRIBUTE_ARCHIVE))
            w32::StoreAttributes(fdOut, stIn, dwAttr);
        struct timespec times[2] = {stIn.st_atim, stIn.st_mtim};
        futimens(fdOut, times);
    }
    CloseHandle(hIn);
    CloseHandle(hOut);
    if (dwError) {
        SetLastError(dwError);
        return FALSE;
    }
    return TRUE;
}

extern "C" DWORD WINAPI GetFileAttributesA(LPCSTR lpFileName)
{
    w32::ResolvedPath path;
    if (!Resolve(lpFileName, path))
        return INVALID_FILE_ATTRIBUTES;
    struct stat st;
    if (!w32::StatEntry(path, st)) {
        FailErrno(path);
        return INVALID_FILE_ATTRIBUTES;
    }
    return w32::AttributesOf(path.strPosix, st);
}

static FILETIME ToFileTime(const struct timespec &ts)
{
    // 100-ns intervals since 1601.
    uint64_t nTime = (uint64_t)(ts.tv_sec + 11644473600LL) * 10000000ULL + (uint64_t)ts.tv_nsec / 100;
    FILETIME ft;
    ft.dwLowDateTime = (DWORD)nTime;
    ft.dwHighDateTime = (DWORD)(nTime >> 32);
    return ft;
}

extern "C" BOOL WINAPI GetFileAttributesExA(LPCSTR lpFileName, GET_FILEEX_INFO_LEVELS fInfoLevelId,
                                            LPVOID lpFileInformation)
{
    if (fInfoLevelId != GetFileExInfoStandard || !lpFileInformation) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    w32::ResolvedPath path;
    if (!Resolve(lpFileName, path))
        return FALSE;
    struct stat st;
    if (!w32::StatEntry(path, st))
        return FailErrno(path);
    auto *pData = static_cast<WIN32_FILE_ATTRIBUTE_DATA *>(lpFileInformation);
    pData->dwFileAttributes = w32::AttributesOf(path.strPosix, st);
    uint64_t nSize = S_ISDIR(st.st_mode) ? 0 : (uint64_t)st.st_size;
    pData->nFileSizeHigh = (DWORD)(nSize >> 32);
    pData->nFileSizeLow = (DWORD)nSize;
    pData->ftLastWriteTime = ToFileTime(st.st_mtim);
    pData->ftLastAccessTime = ToFileTime(st.st_atim);
    pData->ftCreationTime = pData->ftLastWriteTime;  // no birth time kept here
    return TRUE;
}

// Copies a result string the way the kernel32 path queries do: the length
// without the terminator on success, the size needed with it when too small.
static DWORD CopyPathResult(const std::string &str, LPSTR lpBuffer, DWORD nBufferLength)
{
    if (str.size() + 1 > nBufferLength)
        return (DWORD)str.size() + 1;
    memcpy(lpBuffer, str.c_str(), str.size() + 1);
    return (DWORD)str.size();
}

extern "C" DWORD WINAPI GetTempPathA(DWORD nBufferLength, LPSTR lpBuffer)
{
    const char *pszTmp = getenv("TMPDIR");
    std::string str = w32::PosixToWinPath(pszTmp && *pszTmp ? pszTmp : "/tmp");
    if (str.back() != '\\')
        str += '\\';
    return CopyPathResult(str, lpBuffer, nBufferLength);
}

extern "C" DWORD WINAPI GetCurrentDirectoryA(DWORD nBufferLength, LPSTR lpBuffer)
{
    char szCwd[4096];
    if (!getcwd(szCwd, sizeof szCwd)) {
        SetLastError(ErrnoToWin32(errno));
        return 0;
    }
    return CopyPathResult(w32::PosixToWinPath(szCwd), lpBuffer, nBufferLength);
}

extern "C" BOOL WINAPI SetCurrentDirectoryA(LPCSTR lpPathName)
{
    w32::ResolvedPath path;
    if (!Resolve(lpPathName, path))
        return FALSE;
    if (chdir(path.strPosix.c_str()) != 0)
        return FailErrno(path);
    return TRUE;
}
