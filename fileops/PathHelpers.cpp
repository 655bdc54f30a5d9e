#include "PathHelpers.h"

#include <io.h>
#include <mbstring.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

// The parts of the executable's full path. Each array holds a whole path, so
// no part of a path that fits the caller's buffer is ever cut.
struct ModulePathParts {
    char szDrive[MAX_PATH + 1];
    char szDir[MAX_PATH + 1];
    char szName[MAX_PATH + 1];
    char szExt[MAX_PATH + 1];
};

DWORD SplitModulePath(char *pszBuffer, int nSize, ModulePathParts &parts)
{
    if (nSize < 2)
        return ERROR_INSUFFICIENT_BUFFER;
    DWORD dwLength = GetModuleFileNameA(GetModuleHandleA(NULL), pszBuffer, (DWORD)(nSize - 1));
    if (dwLength == 0)
        return GetLastError();
    if (dwLength >= (DWORD)(nSize - 1)) {
        // The path was cut: its directory is not the executable's.
        pszBuffer[0] = 0;
        return ERROR_INSUFFICIENT_BUFFER;
    }
    memset(&parts, 0, sizeof parts);
    _splitpath(pszBuffer, parts.szDrive, parts.szDir, parts.szName, parts.szExt);
    return 0;
}

// Appends pszText to the path in pszAccum (capacity cbAccum); false when it
// would not fit.
bool AppendBounded(char *pszAccum, size_t cbAccum, const char *pszText)
{
    size_t nHave = strlen(pszAccum);
    size_t nAdd = strlen(pszText);
    if (nHave + nAdd + 1 > cbAccum)
        return false;
    memcpy(pszAccum + nHave, pszText, nAdd + 1);
    return true;
}

// Writes two parts of the executable's path, joined, into the caller's buffer.
DWORD WriteModulePathParts(char *pszOut, int nSize, bool bDirectory)
{
    ModulePathParts parts;
    DWORD dwError = SplitModulePath(pszOut, nSize, parts);
    if (dwError)
        return dwError;
    _snprintf(pszOut, (size_t)nSize - 1, "%s%s", bDirectory ? parts.szDrive : parts.szName,
              bDirectory ? parts.szDir : parts.szExt);
    pszOut[nSize - 1] = 0;
    return 0;
}

}  // namespace

DWORD GetModuleDir(char *pszDir, int nSize) { return WriteModulePathParts(pszDir, nSize, true); }

DWORD GetModuleFileTitle(char *pszTitle, int nSize)
{
    return WriteModulePathParts(pszTitle, nSize, false);
}

int PathAppendName(char *pszBase, const char *pszName, char *pszOut)
{
    if (!pszBase || !pszName)
        return 0;
    size_t nBase = strlen(pszBase);
    size_t nName = strlen(pszName);
    bool bNeedSeparator = nBase > 0 && pszBase[nBase - 1] != '\\';
    size_t nJoined = nBase + (bNeedSeparator ? 1 : 0) + nName;
    if (nBase == 0 || nJoined > MAX_PATH) {
        if (pszOut)
            pszOut[0] = 0;
        return 0;
    }
    char *pszWork = pszBase;
    if (pszOut) {
        memmove(pszOut, pszBase, nBase + 1);
        pszWork = pszOut;
    }
    if (bNeedSeparator)
        pszWork[nBase++] = '\\';
    memcpy(pszWork + nBase, pszName, nName + 1);
    return 1;
}

DWORD MakeDirectoryPath(const char *pszPath)
{
    if (!pszPath)
        return ERROR_PATH_NOT_FOUND;
    size_t nLength = strlen(pszPath);
    if (nLength == 0 || nLength > MAX_PATH)
        return ERROR_NOT_ENOUGH_MEMORY;
    if (_access(pszPath, 0) == 0)
        return 0;

    char szWork[MAX_PATH + 1] = {0};
    memcpy(szWork, pszPath, nLength);
    // One backslash more than the input at most: the one after the last level.
    char szAccum[MAX_PATH + 2] = {0};
    const unsigned char *pszDelimiter = (const unsigned char *)"\\";

    bool bUnc = pszPath[0] == '\\' && pszPath[1] == '\\';
    unsigned char *pToken = _mbstok((unsigned char *)szWork + (bUnc ? 2 : 0), pszDelimiter);
    if (!pToken)
        return 0;
    if (bUnc)
        AppendBounded(szAccum, sizeof szAccum, "\\\\");
    // The first component is the root (a drive, or the server of a UNC path).
    if (!AppendBounded(szAccum, sizeof szAccum, (const char *)pToken) ||
        !AppendBounded(szAccum, sizeof szAccum, "\\"))
        return ERROR_NOT_ENOUGH_MEMORY;

    while ((pToken = _mbstok(NULL, pszDelimiter)) != NULL) {
        if (!AppendBounded(szAccum, sizeof szAccum, (const char *)pToken) ||
            !AppendBounded(szAccum, sizeof szAccum, "\\"))
            return ERROR_NOT_ENOUGH_MEMORY;
        if (!CreateDirectoryA(szAccum, NULL)) {
            DWORD dwError = GetLastError();
            if (dwError != ERROR_ALREADY_EXISTS)
                return dwError;
        }
    }
    return 0;
}
