// Directory and file-name operations of kernel32.
#include "w32_internal.h"

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
    }
    if (unlink(path.strPosix.c_str()) != 0)
        return FailErrno(path);
    return TRUE;
}

extern "C" BOOL WINAPI CopyFileA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName, BOOL bFailIfExists)
{
    w32::ResolvedPath src, dst;
    if (!Resolve(lpExistingFileName, src) || !Resolve(lpNewFileName, dst))
        return FALSE;
    int fdIn = open(src.strPosix.c_str(), O_RDONLY);
    if (fdIn < 0)
        return FailErrno(src);
    struct stat st;
    if (fstat(fdIn, &st) != 0 || S_ISDIR(st.st_mode)) {
        close(fdIn);
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    int nFlags = O_WRONLY | O_CREAT | O_TRUNC | (bFailIfExists ? O_EXCL : 0);
    int fdOut = open(dst.strPosix.c_str(), nFlags, st.st_mode & 0777);
    if (fdOut < 0) {
        DWORD dwError = errno == EEXIST ? ERROR_FILE_EXISTS : ErrnoToWin32(errno, !dst.bParentExists);
        close(fdIn);
        SetLastError(dwError);
        return FALSE;
    }
    char buf[65536];
    for (;;) {
        ssize_t n = read(fdIn, buf, sizeof buf);
        if (n == 0)
            break;
        if (n < 0 || write(fdOut, buf, (size_t)n) != n) {
            DWORD dwError = ErrnoToWin32(errno);
            close(fdIn);
            close(fdOut);
            SetLastError(dwError);
            return FALSE;
        }
    }
    fchmod(fdOut, st.st_mode & 0777);
    close(fdIn);
    close(fdOut);
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
    if (S_ISDIR(st.st_mode))
        return FILE_ATTRIBUTE_DIRECTORY;
    DWORD dwAttr = FILE_ATTRIBUTE_ARCHIVE;
    if (!(st.st_mode & S_IWUSR))
        dwAttr |= FILE_ATTRIBUTE_READONLY;
    return dwAttr;
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
