// Windows paths on the POSIX file system: drive Z: is "/", both slash kinds
// separate, and names match case-insensitively as on NTFS.
#include "w32_internal.h"

#include <errno.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace w32 {
namespace {

bool IsSep(char c) { return c == '\\' || c == '/'; }

// Windows drops trailing dots and blanks of each component but "." and "..".
std::string NormalizeComponent(const std::string &str)
{
    if (str == "." || str == "..")
        return str;
    size_t n = str.size();
    while (n > 0 && (str[n - 1] == '.' || str[n - 1] == ' '))
        --n;
    return str.substr(0, n);
}

std::string Joined(const std::vector<std::string> &parts, size_t nCount)
{
    std::string str;
    for (size_t i = 0; i < nCount; ++i)
        str += "/" + parts[i];
    return str;
}

// A case variant of strName in the directory strDir ("" for the root, stDir
// its stat), and its lstat; false when there is none.
bool LookUpVariant(const std::string &strDir, const struct stat &stDir, const std::string &strName,
                   std::string &strEntry, struct stat &stEntry)
{
    std::string strFound;
    if (!FindNameVariant(strDir.empty() ? "/" : strDir, stDir, strName, strFound))
        return false;
    strEntry = strDir + "/" + strFound;
    return lstat(strEntry.c_str(), &stEntry) == 0;
}

// The entry strName of strDir ("" for the root), under its exact spelling or
// (bVariants) a case variant, and its lstat; false when there is neither.
bool LookUpEntry(const std::string &strDir, const std::string &strName, bool bVariants,
                 std::string &strEntry, struct stat &stEntry)
{
    strEntry = strDir + "/" + strName;
    if (lstat(strEntry.c_str(), &stEntry) == 0)
        return true;
    struct stat stDir;
    return bVariants && stat(strDir.empty() ? "/" : strDir.c_str(), &stDir) == 0 &&
           S_ISDIR(stDir.st_mode) && LookUpVariant(strDir, stDir, strName, strEntry, stEntry);
}

// The components of a Windows path as POSIX names them, lexically: the
// first nFixed are those of the current directory. 0 or the error code.
DWORD LexicalParts(const char *pszWinPath, std::vector<std::string> &parts, size_t &nFixed)
{
    if (!pszWinPath || !*pszWinPath)
        return ERROR_PATH_NOT_FOUND;
    std::string strIn = pszWinPath;
    std::string strBase;  // POSIX directory that a relative path starts from
    size_t nPos = 0;
    if (strIn.size() >= 2 && IsSep(strIn[0]) && IsSep(strIn[1]))
        return ERROR_BAD_NETPATH;  // no network shares here
    if (strIn.size() >= 2 && strIn[1] == ':') {
        if (strIn[0] != 'Z' && strIn[0] != 'z')
            return ERROR_PATH_NOT_FOUND;
        nPos = 2;
        if (nPos < strIn.size() && IsSep(strIn[nPos])) {
            strBase = "";
        } else {
            char szCwd[4096];
            strBase = getcwd(szCwd, sizeof szCwd) ? szCwd : "";
        }
    } else if (IsSep(strIn[0])) {
        strBase = "";
    } else {
        char szCwd[4096];
        strBase = getcwd(szCwd, sizeof szCwd) ? szCwd : "";
    }

    parts.clear();
    {
        // Lexical start: the base directory's own components.
        size_t i = 0;
        while (i < strBase.size()) {
            while (i < strBase.size() && strBase[i] == '/')
                ++i;
            size_t j = i;
            while (j < strBase.size() && strBase[j] != '/')
                ++j;
            if (j > i)
                parts.push_back(strBase.substr(i, j - i));
            i = j;
        }
    }
    nFixed = parts.size();  // these exist exactly as named
    while (nPos < strIn.size()) {
        while (nPos < strIn.size() && IsSep(strIn[nPos]))
            ++nPos;
        size_t nEnd = nPos;
        while (nEnd < strIn.size() && !IsSep(strIn[nEnd]))
            ++nEnd;
        if (nEnd > nPos) {
            std::string strPart = NormalizeComponent(strIn.substr(nPos, nEnd - nPos));
            if (strPart == "..") {
                if (!parts.empty())
                    parts.pop_back();
                if (nFixed > parts.size())
                    nFixed = parts.size();
            } else if (!strPart.empty() && strPart != ".") {
                parts.push_back(strPart);
            }
        }
        nPos = nEnd;
    }
    return 0;
}

}  // namespace

std::string LiteralPosixPath(const char *pszWinPath)
{
    std::vector<std::string> parts;
    size_t nFixed = 0;
    if (LexicalParts(pszWinPath, parts, nFixed))
        return std::string();
    return parts.empty() ? "/" : Joined(parts, parts.size());
}

ResolvedPath ResolvePath(const char *pszWinPath)
{
    ResolvedPath result;
    std::vector<std::string> parts;
    size_t nFixed = 0;
    result.dwError = LexicalParts(pszWinPath, parts, nFixed);
    if (result.dwError)
        return result;

    if (parts.empty()) {
        result.strPosix = "/";
        result.bParentExists = result.bExists = true;
        return result;
    }
    // Nearly every path exists as spelled, or all but its last component does:
    // one or two calls settle those.
    struct stat st;
    std::string strPath = Joined(parts, parts.size());
    if (lstat(strPath.c_str(), &result.stEntry) == 0) {
        result.strPosix = strPath;
        result.bParentExists = result.bExists = true;
        return result;
    }
    std::string strParent = Joined(parts, parts.size() - 1);
    if (stat(strParent.empty() ? "/" : strParent.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        // Only the last component is missing under its exact spelling.
        result.bParentExists = true;
        result.bExists = parts.size() > nFixed &&
                         LookUpVariant(strParent, st, parts.back(), result.strPosix, result.stEntry);
        if (!result.bExists)
            result.strPosix = strPath;
        return result;
    }
    // Component by component, each matched without regard to case.
    strPath.clear();
    result.bParentExists = true;
    for (size_t i = 0; i < parts.size(); ++i) {
        bool bLast = i + 1 == parts.size();
        std::string strEntry;
        bool bExists =
            result.bParentExists && LookUpEntry(strPath, parts[i], i >= nFixed, strEntry, result.stEntry);
        if (!bExists)
            strEntry = strPath + "/" + parts[i];
        if (bExists && !bLast && (stat(strEntry.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)))
            bExists = false;  // a file on the way is a missing directory
        strPath = strEntry;
        if (bLast)
            result.bExists = bExists;
        else if (!bExists)
            result.bParentExists = false;
    }
    result.strPosix = strPath;
    return result;
}

bool StatEntry(const ResolvedPath &path, struct stat &st)
{
    if (!path.bExists) {
        errno = ENOENT;  // what lstat found a moment ago
        return false;
    }
    if (!S_ISLNK(path.stEntry.st_mode)) {
        st = path.stEntry;
        return true;
    }
    return stat(path.strPosix.c_str(), &st) == 0;
}

std::string PosixToWinPath(const std::string &strPosix)
{
    std::string str = "Z:";
    for (char c : strPosix)
        str += (c == '/') ? '\\' : c;
    if (str == "Z:")
        str += '\\';
    return str;
}

}  // namespace w32
