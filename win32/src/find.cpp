// File search: FindFirstFileA and FindNextFileA over a directory listing taken
// at the first call, with the Windows wildcard rules.
#include "w32_internal.h"

#include <dirent.h>
#include <errno.h>
#include <sys/stat.h>

#include <vector>

namespace {

char Fold(char c) { return (c >= 'A' && c <= 'Z') ? (char)(c + 32) : c; }

bool Match(const char *pszPattern, const char *pszName)
{
    if (*pszPattern == 0)
        return *pszName == 0;
    if (*pszPattern == '*') {
        for (const char *p = pszName;; ++p) {
            if (Match(pszPattern + 1, p))
                return true;
            if (*p == 0)
                return false;
        }
    }
    if (*pszName == 0) {
        // A final ".", "?" or ".*" also matches the end of a name without an extension.
        return (strcmp(pszPattern, ".") == 0 || strcmp(pszPattern, ".*") == 0 ||
                (*pszPattern == '?' && Match(pszPattern + 1, pszName)));
    }
    if (*pszPattern == '?' || Fold(*pszPattern) == Fold(*pszName))
        return Match(pszPattern + 1, pszName + 1);
    return false;
}

// Windows reads "*.*" as every name, with or without a dot.
bool MatchName(const std::string &strPattern, const std::string &strName)
{
    if (strPattern == "*.*" || strPattern == "*")
        return true;
    return Match(strPattern.c_str(), strName.c_str());
}

struct CEntry {
    std::string strName;
    DWORD dwAttributes;
    uint64_t nSize;
};

class CFindHandle : public w32::CObject {
public:
    std::vector<CEntry> m_entries;
    size_t m_nNext = 0;
};

DWORD AttributesOf(const struct stat &st)
{
    if (S_ISDIR(st.st_mode))
        return FILE_ATTRIBUTE_DIRECTORY | ((st.st_mode & S_IWUSR) ? 0 : FILE_ATTRIBUTE_READONLY);
    return FILE_ATTRIBUTE_ARCHIVE | ((st.st_mode & S_IWUSR) ? 0 : FILE_ATTRIBUTE_READONLY);
}

void Fill(const CEntry &entry, LPWIN32_FIND_DATAA pData)
{
    memset(pData, 0, sizeof *pData);
    pData->dwFileAttributes = entry.dwAttributes;
    pData->nFileSizeHigh = (DWORD)(entry.nSize >> 32);
    pData->nFileSizeLow = (DWORD)entry.nSize;
    size_t n = entry.strName.size() < MAX_PATH - 1 ? entry.strName.size() : MAX_PATH - 1;
    memcpy(pData->cFileName, entry.strName.c_str(), n);
}

}  // namespace

extern "C" HANDLE WINAPI FindFirstFileA(LPCSTR lpFileName, LPWIN32_FIND_DATAA lpFindFileData)
{
    if (!lpFileName || !*lpFileName || !lpFindFileData) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    std::string strIn = lpFileName;
    size_t nSep = strIn.find_last_of("\\/");
    std::string strDir = nSep == std::string::npos ? "." : strIn.substr(0, nSep + 1);
    std::string strPattern = nSep == std::string::npos ? strIn : strIn.substr(nSep + 1);
    if (strPattern.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    w32::ResolvedPath dir = w32::ResolvePath(strDir.c_str());
    struct stat st;
    if (dir.dwError || stat(dir.strPosix.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        SetLastError(dir.dwError ? dir.dwError : ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    DIR *pDir = opendir(dir.strPosix.c_str());
    if (!pDir) {
        SetLastError(w32::ErrnoToWin32(errno));
        return INVALID_HANDLE_VALUE;
    }
    auto *pFind = new CFindHandle;
    bool bRoot = dir.strPosix == "/";
    while (struct dirent *pEntry = readdir(pDir)) {
        std::string strName = pEntry->d_name;
        bool bDots = strName == "." || strName == "..";
        if (bDots && bRoot)
            continue;  // a root directory has no "." or ".."
        if (!MatchName(strPattern, strName))
            continue;
        struct stat stEntry;
        std::string strFull = dir.strPosix + "/" + strName;
        if (stat(strFull.c_str(), &stEntry) != 0)
            continue;
        pFind->m_entries.push_back({strName, AttributesOf(stEntry),
                                    S_ISDIR(stEntry.st_mode) ? 0 : (uint64_t)stEntry.st_size});
    }
    closedir(pDir);
    if (pFind->m_entries.empty()) {
        delete pFind;
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
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
    if (path.dwError || stat(path.strPosix.c_str(), &st) != 0) {
        SetLastError(path.dwError ? path.dwError : w32::ErrnoToWin32(errno, !path.bParentExists));
        return FALSE;
    }
    mode_t mode = st.st_mode & 07777;
    mode = (dwFileAttributes & FILE_ATTRIBUTE_READONLY) ? (mode & ~(mode_t)0222) : (mode | S_IWUSR);
    if (chmod(path.strPosix.c_str(), mode) != 0) {
        SetLastError(w32::ErrnoToWin32(errno));
        return FALSE;
    }
    return TRUE;
}
