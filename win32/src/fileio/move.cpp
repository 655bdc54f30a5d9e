// MoveFileA and MoveFileExA: renames within a file system, a copy and delete
// across file systems when MOVEFILE_COPY_ALLOWED says so.
#include "fileio_internal.h"

#include <errno.h>
#include <stdio.h>

namespace {

BOOL Fail(DWORD dwError)
{
    SetLastError(dwError);
    return FALSE;
}

// The last component of a Windows path as the file system keeps it (trailing
// dots and blanks dropped), for a rename that changes only letter case.
std::string LastComponent(const char *pszPath)
{
    std::string str = pszPath;
    size_t nSep = str.find_last_of("\\/");
    if (nSep != std::string::npos)
        str = str.substr(nSep + 1);
    while (!str.empty() && (str.back() == '.' || str.back() == ' '))
        str.pop_back();
    return str;
}

}  // namespace

extern "C" BOOL WINAPI MoveFileExA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName, DWORD dwFlags)
{
    w32::CKillPoint killPoint;
    if (!lpExistingFileName || !lpNewFileName)
        return Fail(ERROR_INVALID_PARAMETER);
    w32::ResolvedPath src = w32::ResolvePath(lpExistingFileName);
    w32::ResolvedPath dst = w32::ResolvePath(lpNewFileName);
    if (src.dwError || dst.dwError)
        return Fail(src.dwError ? src.dwError : dst.dwError);
    struct stat stSrc, stDst;
    if (src.bExists)
        stSrc = src.stEntry;
    else if (lstat(src.strPosix.c_str(), &stSrc) != 0)
        return Fail(w32::ErrnoToWin32(errno, !src.bParentExists));
    if (!dst.bParentExists)
        return Fail(ERROR_PATH_NOT_FOUND);
    bool bReplace = (dwFlags & MOVEFILE_REPLACE_EXISTING) != 0;
    std::string strTarget = dst.strPosix;
    if (dst.bExists) {
        stDst = dst.stEntry;
        if (stDst.st_dev == stSrc.st_dev && stDst.st_ino == stSrc.st_ino) {
            // The same file under another spelling: only the letter case changes.
            strTarget = dst.strPosix.substr(0, dst.strPosix.find_last_of('/') + 1) +
                        LastComponent(lpNewFileName);
        } else {
            if (!bReplace)
                return Fail(ERROR_ALREADY_EXISTS);
            if (S_ISDIR(stDst.st_mode) || S_ISDIR(stSrc.st_mode) ||
                (w32::AttributesOf(dst.strPosix, stDst) & FILE_ATTRIBUTE_READONLY))
                return Fail(ERROR_ACCESS_DENIED);
            // A file that is open anywhere cannot be replaced.
            if (w32::CShareClaim::Check(dst.strPosix, stDst, GENERIC_READ | GENERIC_WRITE | DELETE, 0))
                return Fail(ERROR_ACCESS_DENIED);
        }
    }
    // Moving takes delete access to the source.
    DWORD dwError = w32::CShareClaim::Check(src.strPosix, stSrc, DELETE,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
    if (dwError)
        return Fail(dwError);
    if (rename(src.strPosix.c_str(), strTarget.c_str()) == 0)
        return TRUE;
    if (errno != EXDEV)
        return Fail(w32::ErrnoToWin32(errno));
    if (!(dwFlags & MOVEFILE_COPY_ALLOWED) || S_ISDIR(stSrc.st_mode))
        return Fail(17);  // ERROR_NOT_SAME_DEVICE
    if (!CopyFileA(lpExistingFileName, lpNewFileName, !bReplace))
        return FALSE;
    if (!DeleteFileA(lpExistingFileName)) {
        dwError = GetLastError();
        DeleteFileA(lpNewFileName);  // no second copy is left behind
        return Fail(dwError);
    }
    return TRUE;
}

extern "C" BOOL WINAPI MoveFileA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName)
{
    w32::CKillPoint killPoint;
    return MoveFileExA(lpExistingFileName, lpNewFileName, MOVEFILE_COPY_ALLOWED);
}
