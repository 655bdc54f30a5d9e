// Windows paths on the POSIX file system: drive Z: is "/", both slash kinds
// separate, and names match case-insensitively as on NTFS.
#include "w32_internal.h"

#include <dirent.h>
#include <strings.h>
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

// Finds the entry of directory strDir that equals strName ignoring case.
bool FindCaseInsensitive(const std::string &strDir, const std::string &strName,
                         std::string &strFound)
{
    DIR *pDir = opendir(strDir.empty() ? "/" : strDir.c_str());
    if (!pDir)
        return false;
    bool bFound = false;
    while (struct dirent *pEntry = readdir(pDir)) {
        if (strcasecmp(pEntry->d_name, strName.c_str()) == 0) {
            strFound = pEntry->d_name;
            bFound = true;
            break;
        }
    }
    closedir(pDir);
    return bFound;
}

}  // namespace

ResolvedPath ResolvePath(const char *pszWinPath)
{
    ResolvedPath result;
    if (!pszWinPath || !*pszWinPath) {
        result.dwError = ERROR_PATH_NOT_FOUND;
        return result;
    }
    std::string strIn = pszWinPath;
    std::string strBase;  // POSIX directory that a relative path starts from
    size_t nPos = 0;
    if (strIn.size() >= 2 && IsSep(strIn[0]) && IsSep(strIn[1])) {
        result.dwError = ERROR_BAD_NETPATH;  // no network shares here
        return result;
    }
    if (strIn.size() >= 2 && strIn[1] == ':') {
        if (strIn[0] != 'Z' && strIn[0] != 'z') {
            result.dwError = ERROR_PATH_NOT_FOUND;
            return result;
        }
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

    std::vector<std::string> parts;
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
    size_t nFixed = parts.size();  // these exist exactly as named
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

    std::string strPath;
    result.bParentExists = true;
    for (size_t i = 0; i < parts.size(); ++i) {
        bool bLast = i + 1 == parts.size();
        std::string strName = parts[i];
        struct stat st;
        std::string strCandidate = strPath + "/" + strName;
        bool bExists = lstat(strCandidate.c_str(), &st) == 0;
        if (!bExists && i >= nFixed && result.bParentExists) {
            std::string strFound;
            if (FindCaseInsensitive(strPath, strName, strFound)) {
                strCandidate = strPath + "/" + strFound;
                bExists = true;
            }
        }
        if (bExists && !bLast && stat(strCandidate.c_str(), &st) == 0 && !S_ISDIR(st.st_mode))
            bExists = false;  // a file on the way is a missing directory
        strPath = strCandidate;
        if (bLast)
            result.bExists = bExists;
        else if (!bExists)
            result.bParentExists = false;
    }
    if (parts.empty()) {
        strPath = "/";
        result.bExists = true;
    }
    result.strPosix = strPath;
    return result;
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
