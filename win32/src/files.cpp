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
    struct stat st;
    if (lstat(path.strPosix.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) {
            SetLastError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
        if (!(st.st_mode & S_IWUSR)) {  // a read-only file cannot be deleted
            SetLastError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
        // Deleting takes delete access: an open without FILE_SHARE_DELETE stops it.
        w32::CShareClaim claim;
        DWORD dwError = claim.Acquire(-1, path.strPosix, st, DELETE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, false);
        if (dwError) {
            SetLastError(dwError);
            return FALSE;
        }
    }
    if (unlink(path.strPosix.c_str()) != 0)
        return FailErrno(path);
    return TRUE;
}

// The data of an open copy through the kernel's own file copy. False with
// errno 0 when the file systems cannot do it, so the caller copies by reading.
static bool CopyDataInKernel(LPCSTR lpExistingFileName, LPCSTR lpNewFileName, DWORD &dwError)
{
    dwError = 0;
    w32::ResolvedPath src, dst;
    if (!Resolve(lpExistingFileName, src) || !Resolve(lpNewFileName, dst))
        return false;
    int fdIn = open(src.strPosix.c_str(), O_RDONLY | O_CLOEXEC);
    int fdOut = open(dst.strPosix.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    bool bDone = false;
    if (fdIn >= 0 && fdOut >= 0) {
        bool bFirst = true;
        for (;;) {
            ssize_t n = copy_file_range(fdIn, NULL, fdOut, NULL, (size_t)1 << 30, 0);
            if (n > 0) {
                bFirst = false;
                continue;
            }
            if (n == 0) {
                bDone = true;
            } else if (!(bFirst && (errno == EXDEV || errno == ENOSYS || errno == EINVAL ||
                                    errno == EOPNOTSUPP || errno == EBADF))) {
                dwError = w32::ErrnoToWin32(errno);
            }
            break;
        }
    }
    if (fdIn >= 0)
        close(fdIn);
    if (fdOut >= 0)
        close(fdOut);
    return bDone;
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
    DWORD dwAttr = GetFileAttributesA(lpExistingFileName);
    HANDLE hOut = CreateFileA(lpNewFileName, GENERIC_WRITE, 0, NULL,
                              bFailIfExists ? CREATE_NEW : CREATE_ALWAYS,
                              dwAttr & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM), NULL);
    if (hOut == INVALID_HANDLE_VALUE) {
        DWORD dwError = GetLastError();
        CloseHandle(hIn);
        SetLastError(dwError);
        return FALSE;
    }
    static const DWORD kChunk = 65536;
    std::vector<char> buffer(kChunk);
    DWORD dwError = 0;
    bool bCopied = CopyDataInKernel(lpExistingFileName, lpNewFileName, dwError);
    while (!bCopied && !dwError) {
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
    CloseHandle(hIn);
    CloseHandle(hOut);
    if (dwError) {
        SetLastError(dwError);
        return FALSE;
    }
    w32::ResolvedPath src, dst;
    struct stat st;
    if (Resolve(lpExistingFileName, src) && Resolve(lpNewFileName, dst) &&
        stat(src.strPosix.c_str(), &st) == 0) {
        struct timespec times[2] = {st.st_atim, st.st_mtim};
        utimensat(AT_FDCWD, dst.strPosix.c_str(), times, 0);
        chmod(dst.strPosix.c_str(), st.st_mode & 0777);  // a program stays executable
    }
    if (dwAttr != INVALID_FILE_ATTRIBUTES)
        SetFileAttributesA(lpNewFileName, dwAttr);
    return TRUE;
}

extern "C" DWORD WINAPI GetFileAttributesA(LPCSTR lpFileName)
{
    w32::ResolvedPath path;
    if (!Resolve(lpFileName, path))
        return INVALID_FILE_ATTRIBUTES;
    struct stat st;
    if (stat(path.strPosix.c_str(), &st) != 0) {
        FailErrno(path);
        return INVALID_FILE_ATTRIBUTES;
    }
    return w32::AttributesOf(path.strPosix, st);
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
