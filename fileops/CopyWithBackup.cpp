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

// One match: backup of the current destination, copy, roll-back on failure.
DWORD CopyOneFile(const char *pszSrc, const char *pszDest, const char *pszBak)
{
    bool bBackedUp = false;
    if (pszBak && _access(pszDest, 0) == 0) {
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
