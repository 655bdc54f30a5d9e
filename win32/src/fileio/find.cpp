// File search: FindFirstFileA takes the directory's listing at once and
// FindNextFileA hands it out. Patterns follow the Windows rules: "*.*" is
// every name, "?" before a dot or at the end may match nothing, "*" before a
// dot stops at the name's last dot, and a dot before a wildcard or at the end
// also matches the end of a name without one. Letters match in either case.
// SetFileAttributesA lives here with the attribute model of the search data.
#include "fileio_internal.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>

#include <vector>

namespace {

// Pattern tokens beside the literal characters.
constexpr int kAnyRun = -1;     // "*"
constexpr int kStarToDot = -2;  // "*" followed by "."
constexpr int kOne = -3;        // "?"
constexpr int kDotOrEnd = -4;   // "." followed by a wildcard or at the end

std::vector<int> Tokenize(const std::string &strPattern)
{
    std::string str = strPattern;
    if (str.size() >= 3 && str.compare(str.size() - 3, 3, "*.*") == 0)
        str.erase(str.size() - 2);  // "*.*" at the end: every name
    std::vector<int> tokens;
    for (size_t i = 0; i < str.size(); ++i) {
        char c = str[i];
        char cNext = i + 1 < str.size() ? str[i + 1] : 0;
        if (c == '*')
            tokens.push_back(cNext == '.' ? kStarToDot : kAnyRun);
        else if (c == '?')
            tokens.push_back(kOne);
        else if (c == '.' && (cNext == 0 || cNext == '?' || cNext == '*'))
            tokens.push_back(kDotOrEnd);
        else
            tokens.push_back((unsigned char)c);
    }
    return tokens;
}

int Fold(int c) { return (c >= 'A' && c <= 'Z') ? c + 32 : c; }

bool Match(const std::vector<int> &tokens, size_t nToken, const char *pszName)
{
    if (nToken == tokens.size())
        return *pszName == 0;
    int t = tokens[nToken];
    switch (t) {
    case kAnyRun:
        for (const char *p = pszName;; ++p) {
            if (Match(tokens, nToken + 1, p))
                return true;
            if (*p == 0)
                return false;
        }
    case kStarToDot: {
        const char *pszLastDot = strrchr(pszName, '.');
        const char *pszLimit = pszLastDot ? pszLastDot : pszName + strlen(pszName);
        for (const char *p = pszName; p <= pszLimit; ++p)
            if (Match(tokens, nToken + 1, p))
                return true;
        return false;
    }
    case kOne:
        return *pszName != 0 && Match(tokens, nToken + 1, pszName + 1);
    case kDotOrEnd:
        if (*pszName == '.')
            return Match(tokens, nToken + 1, pszName + 1);
        return *pszName == 0 && Match(tokens, nToken + 1, pszName);
    default:
        return *pszName != 0 && Fold((unsigned char)*pszName) == Fold(t) &&
               Match(tokens, nToken + 1, pszName + 1);
    }
}

struct CEntry {
    std::string strName;
    DWORD dwAttributes;
    uint64_t nSize;
    int64_t nWriteTime;  // seconds since 1970
};

class CFindHandle : public w32::CObject {
public:
    std::vector<CEntry> m_entries;
    size_t m_nNext = 0;
};

void Fill(const CEntry &entry, LPWIN32_FIND_DATAA pData)
{
    memset(pData, 0, sizeof *pData);
    pData->dwFileAttributes = entry.dwAttributes;
    pData->nFileSizeHigh = (DWORD)(entry.nSize >> 32);
    pData->nFileSizeLow = (DWORD)entry.nSize;
    // 100-ns intervals since 1601.
    uint64_t nTime = (uint64_t)(entry.nWriteTime + 11644473600LL) * 10000000ULL;
    pData->ftLastWriteTime.dwLowDateTime = (DWORD)nTime;
    pData->ftLastWriteTime.dwHighDateTime = (DWORD)(nTime >> 32);
    pData->ftCreationTime = pData->ftLastWriteTime;
    pData->ftLastAccessTime = pData->ftLastWriteTime;
    size_t n = entry.strName.size() < MAX_PATH - 1 ? entry.strName.size() : MAX_PATH - 1;
    memcpy(pData->cFileName, entry.strName.c_str(), n);
}

HANDLE Fail(DWORD dwError)
{
    SetLastError(dwError);
    return INVALID_HANDLE_VALUE;
}

}  // namespace

extern "C" HANDLE WINAPI FindFirstFileA(LPCSTR lpFileName, LPWIN32_FIND_DATAA lpFindFileData)
{
    if (!lpFileName || !*lpFileName || !lpFindFileData)
        return Fail(ERROR_PATH_NOT_FOUND);
    std::string strIn = lpFileName;
    size_t nSep = strIn.find_last_of("\\/");
    if (nSep == std::string::npos && strIn.size() >= 2 && strIn[1] == ':')
        nSep = 1;  // "Z:name": relative to the drive's current directory
    std::string strDir = nSep == std::string::npos ? "." : strIn.substr(0, nSep + 1);
    std::string strPattern = nSep == std::string::npos ? strIn : strIn.substr(nSep + 1);
    if (strPattern.empty())
        return Fail(ERROR_FILE_NOT_FOUND);
    w32::ResolvedPath dir = w32::ResolvePath(strDir.c_str());
    struct stat st;
    if (dir.dwError)
        return Fail(dir.dwError);
    if (stat(dir.strPosix.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return Fail(ERROR_PATH_NOT_FOUND);
    DIR *pDir = opendir(dir.strPosix.c_str());
    if (!pDir)
        return Fail(w32::ErrnoToWin32(errno));
    std::vector<int> tokens = Tokenize(strPattern);
    auto *pFind = new CFindHandle;
    bool bRoot = dir.strPosix == "/";
    while (struct dirent *pEntry = readdir(pDir)) {
        std::string strName = pEntry->d_name;
        if (bRoot && (strName == "." || strName == ".."))
            continue;  // a root directory has no "." or ".."
        if (!Match(tokens, 0, strName.c_str()))
            continue;
        // Relative to the open directory: no walk down the whole path.
        struct stat stEntry;
        std::string strFull = (bRoot ? "" : dir.strPosix) + "/" + strName;
        if (fstatat(dirfd(pDir), strName.c_str(), &stEntry, 0) != 0)
            continue;  // gone since the listing, or a dangling link
        pFind->m_entries.push_back({strName, w32::AttributesOf(strFull, stEntry),
                                    S_ISDIR(stEntry.st_mode) ? 0 : (uint64_t)stEntry.st_size,
                                    (int64_t)stEntry.st_mtime});
    }
    closedir(pDir);
    if (pFind->m_entries.empty()) {
        delete pFind;
        return Fail(ERROR_FILE_NOT_FOUND);
    }
    Fill(pFind->m_entries[0], lpFindFileData);
    pFind->m_nNext = 1;
    return w32::RegisterObject(pFind);
}

extern "C" BOOL WINAPI FindNextFileA(HANDLE hFindFile, LPWIN32_FIND_DATAA lpFindFileData)
{
    auto *pFind = dynamic_cast<CFindHandle *>(w32::LookupObject(hFindFile));
    if (!pFind) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (pFind->m_nNext >= pFind->m_entries.size()) {
        SetLastError(ERROR_NO_MORE_FILES);
        return FALSE;
    }
    Fill(pFind->m_entries[pFind->m_nNext++], lpFindFileData);
    return TRUE;
}

extern "C" BOOL WINAPI FindClose(HANDLE hFindFile)
{
    if (!dynamic_cast<CFindHandle *>(w32::LookupObject(hFindFile))) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return CloseHandle(hFindFile);
}

extern "C" BOOL WINAPI SetFileAttributesA(LPCSTR lpFileName, DWORD dwFileAttributes)
{
    w32::ResolvedPath path = w32::ResolvePath(lpFileName);
    struct stat st;
    if (path.dwError) {
        SetLastError(path.dwError);
        return FALSE;
    }
    if (stat(path.strPosix.c_str(), &st) != 0 ||
        !w32::StoreAttributes(path.strPosix, st, dwFileAttributes)) {
        SetLastError(w32::ErrnoToWin32(errno, !path.bParentExists));
        return FALSE;
    }
    return TRUE;
}
