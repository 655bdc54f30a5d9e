#include "VersionProbe.h"

#include <mbstring.h>
#include <stdlib.h>
#include <string.h>

#include "PathHelpers.h"

namespace {

const char kProbedLibrary[] = "KsUpdate.dll";

// The component directories in probe order; the portal rows exist only on
// an HTTP-based server.
struct ProbeRow {
    const char *pszDir;
    int bHttpOnly;
};
const ProbeRow kProbeList[] = {
    {"console", 0},
    {"Console\\Tools\\Refresher", 0},
    {"Console\\Tools\\TimedRefresh", 0},
    {"Console\\Tools\\Relay_en\\RelayLib", 0},
    {"Console\\Tools\\RelayAgent\\RelayLib", 0},
    {"Console\\Tools\\Relay_jp\\RelayLib", 0},
    {"portal\\bin", 1},
    {"portal\\svc", 1},
};

// The versions that this patch replaces: 1.25 to 1.31, the build aside.
const DWORD kWindowMajor = 1;
const DWORD kWindowFirstMinor = 25;
const DWORD kWindowLastMinor = 31;

int InVersionWindow(DWORD dwMajor, DWORD dwMinor)
{
    return dwMajor == kWindowMajor && dwMinor >= kWindowFirstMinor && dwMinor <= kWindowLastMinor;
}

}  // namespace

int GetFileVersionNumbers(const char *pszFileName, DWORD *pdwMajor, DWORD *pdwMinor, DWORD *pdwBuild)
{
    DWORD dwHandle = 0;
    DWORD dwSize = GetFileVersionInfoSizeA(pszFileName, &dwHandle);
    // A size of 0 still gets a block: the next call then fails, and one path
    // serves every failure. Zero-filled, so that a block that was not filled
    // reads as empty.
    void *pBlock = calloc(dwSize > sizeof(WORD) ? dwSize : sizeof(WORD), 1);
    if (!pBlock)
        return 0;
    if (!GetFileVersionInfoA(pszFileName, 0, dwSize, pBlock)) {
        free(pBlock);
        return 0;
    }
    // The query trusts the length that the block states. A file replaced by
    // a larger one between the two calls leaves a cut block whose length
    // runs past the buffer: that copy counts as absent.
    WORD wBlockLength = 0;
    memcpy(&wBlockLength, pBlock, sizeof wBlockLength);
    if (wBlockLength > dwSize) {
        free(pBlock);
        return 0;
    }
    VS_FIXEDFILEINFO *pInfo = NULL;
    UINT uLen = 0;
    VerQueryValueA(pBlock, "\\", (LPVOID *)&pInfo, &uLen);
    // The system hands back the root's value whatever it holds: a value too
    // short, or without the signature, is no fixed file information.
    if (!pInfo || uLen < sizeof(VS_FIXEDFILEINFO) || pInfo->dwSignature != VS_FFI_SIGNATURE) {
        free(pBlock);
        return 0;
    }
    *pdwMajor = HIWORD(pInfo->dwFileVersionMS);
    *pdwMinor = LOWORD(pInfo->dwFileVersionMS);
    *pdwBuild = HIWORD(pInfo->dwFileVersionLS);
    free(pBlock);
    return 1;
}

int IsUpdateNeeded(const char *pszMasterDir, int bHttpBase)
{
    if (!pszMasterDir)
        return 0;
    // A master directory longer than a path can be leaves no probe path that
    // fits: every row counts as absent.
    if (!memchr(pszMasterDir, '\0', MAX_PATH + 1))
        return 0;
    char szPath[MAX_PATH + 1];
    for (const ProbeRow &row : kProbeList) {
        if (row.bHttpOnly && !bHttpBase)
            continue;
        memset(szPath, 0, sizeof szPath);
        _mbsnbcpy((unsigned char *)szPath, (const unsigned char *)pszMasterDir, MAX_PATH);
        // A probe path too long for the buffer is not joined: that row counts
        // as absent.
        if (!PathAppendName(szPath, row.pszDir, NULL) || !PathAppendName(szPath, kProbedLibrary, NULL))
            continue;
        DWORD dwMajor = 0, dwMinor = 0, dwBuild = 0;
        if (GetFileVersionNumbers(szPath, &dwMajor, &dwMinor, &dwBuild) && InVersionWindow(dwMajor, dwMinor))
            return 1;
    }
    return 0;
}
