#include "CopyWithBackup.h"

#include <io.h>
#include <mbstring.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "PathHelpers.h"
#include "Trace.h"
#include "WinFileException.h"
#include "WinFileFind.h"

namespace {

// True when both files can be read and hold the same bytes.
bool SameContents(const char *pszPath1, const char *pszPath2)
{
    // Sizes first, without opening either: a replaced file nearly always
    // differs in size, and then neither file is read.
    WIN32_FILE_ATTRIBUTE_DATA data1, data2;
    if (!GetFileAttributesExA(pszPath1, GetFileExInfoStandard, &data1) ||
        !GetFileAttributesExA(pszPath2, GetFileExInfoStandard, &data2) ||
        data1.nFileSizeLow != data2.nFileSizeLow || data1.nFileSizeHigh != data2.nFileSizeHigh)
        return false;
    HANDLE h1 = CreateFileA(pszPath1, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, NULL);
    if (h1 == INVALID_HANDLE_VALUE)
        return false;
    HANDLE h2 = CreateFileA(pszPath2, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, NULL);
    if (h2 == INVALID_HANDLE_VALUE) {
        CloseHandle(h1);
        return false;
    }
    // Again from the open files, which cannot change size under a read share.
    DWORD dwSize1 = GetFileSize(h1, NULL);
    bool bSame = dwSize1 != INVALID_FILE_SIZE && dwSize1 == GetFileSize(h2, NULL);
    while (bSame) {
        char ab1[4096], ab2[4096];
        DWORD dw1 = 0, dw2 = 0;
        if (!ReadFile(h1, ab1, sizeof ab1, &dw1, NULL) || !ReadFile(h2, ab2, sizeof ab2, &dw2, NULL) ||
            dw1 != dw2 || memcmp(ab1, ab2, dw1) != 0) {
            bSame = false;
            break;
        }
        if (dw1 == 0)
            break;
    }
    CloseHandle(h1);
    CloseHandle(h2);
    return bSame;
}

// One match: backup of the current destination, copy, roll-back on failure.
DWORD CopyOneFile(const char *pszSrc, const char *pszDest, const char *pszBak)
{
    bool bBackedUp = false;
    // A destination that already holds the new file (a run that ended half
    // way) is not backed up: the backup it would replace is the only copy of
    // the previous version.
    if (pszBak && _access(pszDest, 0) == 0 && !SameContents(pszSrc, pszDest)) {
        if (_access(pszBak, 0) == 0 && !DeleteFileA(pszBak)) {
            DWORD dwError = GetLastError();
            TraceMessage(__FILE__, __LINE__, "DeleteFile error = %lu, szBak = %s\n",
                         (unsigned long)dwError, pszBak);
            return dwError;
        }
        if (!MoveFileA(pszDest, pszBak)) {
            DWORD dwError = GetLastError();
            TraceMessage(__FILE__, __LINE__, "MoveFile error = %lu, szDest = %s, szBak = %s\n",
                         (unsigned long)dwError, pszDest, pszBak);
            return dwError;
        }
        bBackedUp = true;
    }
    if (!CopyFileA(pszSrc, pszDest, FALSE)) {
        DWORD dwError = GetLastError();
        TraceMessage(__FILE__, __LINE__, "CopyFile error = %d, szSrc = %s, szDest = %s\n", (int)dwError,
                     pszSrc, pszDest);
        if (bBackedUp && !MoveFileExA(pszBak, pszDest, MOVEFILE_REPLACE_EXISTING)) {
            dwError = GetLastError();
            TraceMessage(__FILE__, __LINE__, "MoveFileEx error = %d, szDest = %s, szBak = %s\n",
                         (int)dwError, pszDest, pszBak);
        }
        return dwError;
    }
    TraceMessage(__FILE__, __LINE__, "Copy %s to %s ok.\n", pszSrc, pszDest);
    return 0;
}

bool IsDotName(const char *pszName)
{
    return _mbsicmp((const unsigned char *)pszName, (const unsigned char *)".") == 0 ||
           _mbsicmp((const unsigned char *)pszName, (const unsigned char *)"..") == 0;
}

}  // namespace

DWORD MyCopyFiles(const char *pszFileName, const char *pszNewFilePath, const char *pszBackupPath)
{
    if (!pszFileName)
        return ERROR_FILE_NOT_FOUND;
    if (!pszNewFilePath)
        return ERROR_PATH_NOT_FOUND;
    TraceMessage(__FILE__, __LINE__,
                 "==>MyCopyFiles() pszFileName = %s, pszNewFilePath = %s, pszBackupPath = %s\n",
                 pszFileName, pszNewFilePath, pszBackupPath ? pszBackupPath : "NULL");

    // Each part can hold a whole path, so a pattern that fits is never cut.
    char szDrive[MAX_PATH + 1] = {0};
    char szDir[MAX_PATH + 1] = {0};
    _splitpath(pszFileName, szDrive, szDir, NULL, NULL);
    char szSrcDir[MAX_PATH + 1] = {0};
    _snprintf(szSrcDir, MAX_PATH, "%s%s", szDrive, szDir);

    DWORD dwResult = 0;
    CWinFileFind find;
    try {
        for (int bFound = find.FindFirst(pszFileName); bFound; bFound = find.FindNext()) {
            char szFileName[MAX_PATH + 1] = {0};
            _mbsnbcpy((unsigned char *)szFileName, (const unsigned char *)find.m_FindData.cFileName,
                      MAX_PATH);
            TraceMessage(__FILE__, __LINE__, "szFileName = %s\n", szFileName);
            // An equality test: a directory with further attribute bits is copied
            // like a file (and fails like one).
            if (find.m_FindData.dwFileAttributes == FILE_ATTRIBUTE_DIRECTORY || IsDotName(szFileName))
                continue;

            char szSrc[MAX_PATH + 1] = {0};
            char szDest[MAX_PATH + 1] = {0};
            char szBak[MAX_PATH + 1] = {0};
            char szSrcBase[MAX_PATH + 1] = {0};
            char szDestBase[MAX_PATH + 1] = {0};
            char szBakBase[MAX_PATH + 1] = {0};
            strcpy(szSrcBase, szSrcDir);
            _mbsnbcpy((unsigned char *)szDestBase, (const unsigned char *)pszNewFilePath, MAX_PATH);
            if (pszBackupPath)
                _mbsnbcpy((unsigned char *)szBakBase, (const unsigned char *)pszBackupPath, MAX_PATH);
            if (!PathAppendName(szSrcBase, szFileName, szSrc) ||
                !PathAppendName(szDestBase, szFileName, szDest) ||
                (pszBackupPath && !PathAppendName(szBakBase, szFileName, szBak))) {
                dwResult = ERROR_FILENAME_EXCED_RANGE;
                TraceMessage(__FILE__, __LINE__, "Path too long, szFileName = %s\n", szFileName);
                break;
            }
            dwResult = CopyOneFile(szSrc, szDest, pszBackupPath ? szBak : NULL);
            if (dwResult)
                break;
        }
    } catch (CWinFileException &e) {
        dwResult = e.GetErrorCode();
    }
    return dwResult;
}
