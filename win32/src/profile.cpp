// Private profile (INI) files. Section and key names compare without regard to
// case and surrounding blanks; a write rewrites only the line it changes and
// leaves every other byte of the file as it was.
#include "w32_internal.h"

#include <errno.h>

#include <vector>

namespace {

struct CLine {
    std::string strText;  // the line without its ending
    std::string strEnd;   // "\r\n", "\n" or "" at the end of the file
    enum Kind { kOther, kSection, kKey } eKind = kOther;
    std::string strName;   // section or key name, trimmed
    std::string strValue;  // key value, trimmed
};

std::string Trim(const std::string &str)
{
    size_t b = str.find_first_not_of(" \t");
    if (b == std::string::npos)
        return "";
    size_t e = str.find_last_not_of(" \t\r");
    return str.substr(b, e - b + 1);
}

bool SameName(const std::string &str1, const char *psz2)
{
    return _stricmp(str1.c_str(), Trim(psz2).c_str()) == 0;
}

void Classify(CLine &line)
{
    std::string str = Trim(line.strText);
    if (!str.empty() && str[0] == '[') {
        size_t nClose = str.find(']');
        line.eKind = CLine::kSection;
        line.strName = Trim(str.substr(1, nClose == std::string::npos ? std::string::npos : nClose - 1));
        return;
    }
    size_t nEq = str.find('=');
    if (str.empty() || str[0] == ';' || nEq == std::string::npos)
        return;
    line.eKind = CLine::kKey;
    line.strName = Trim(str.substr(0, nEq));
    line.strValue = Trim(str.substr(nEq + 1));
}

class CProfile {
public:
    // False with the last error set when the file cannot be read (a missing
    // file reads as empty).
    bool Load(const std::string &strPath)
    {
        m_lines.clear();
        FILE *pFile = fopen64(strPath.c_str(), "rb");
        if (!pFile) {
            m_bExisted = false;
            return errno == ENOENT;
        }
        m_bExisted = true;
        std::string strAll;
        char buf[8192];
        size_t n;
        while ((n = fread(buf, 1, sizeof buf, pFile)) > 0)
            strAll.append(buf, n);
        fclose(pFile);
        size_t nPos = 0;
        while (nPos < strAll.size()) {
            size_t nLf = strAll.find('\n', nPos);
            CLine line;
            if (nLf == std::string::npos) {
                line.strText = strAll.substr(nPos);
                nPos = strAll.size();
            } else {
                size_t nEnd = (nLf > nPos && strAll[nLf - 1] == '\r') ? nLf - 1 : nLf;
                line.strText = strAll.substr(nPos, nEnd - nPos);
                line.strEnd = strAll.substr(nEnd, nLf + 1 - nEnd);
                nPos = nLf + 1;
            }
            Classify(line);
            m_lines.push_back(line);
        }
        return true;
    }

    bool Save(const std::string &strPath) const
    {
        FILE *pFile = fopen64(strPath.c_str(), "wb");
        if (!pFile)
            return false;
        bool bOk = true;
        for (const CLine &line : m_lines) {
            bOk = bOk && fwrite(line.strText.data(), 1, line.strText.size(), pFile) == line.strText.size();
            bOk = bOk && fwrite(line.strEnd.data(), 1, line.strEnd.size(), pFile) == line.strEnd.size();
        }
        return fclose(pFile) == 0 && bOk;
    }

    // Index of the section header, or -1.
    int FindSection(const char *pszSection) const
    {
        for (size_t i = 0; i < m_lines.size(); ++i)
            if (m_lines[i].eKind == CLine::kSection && SameName(m_lines[i].strName, pszSection))
                return (int)i;
        return -1;
    }

    // One past the last line of the section that starts at nHeader.
    size_t SectionEnd(int nHeader) const
    {
        size_t i = (size_t)nHeader + 1;
        while (i < m_lines.size() && m_lines[i].eKind != CLine::kSection)
            ++i;
        return i;
    }

    int FindKey(int nHeader, const char *pszKey) const
    {
        for (size_t i = (size_t)nHeader + 1; i < SectionEnd(nHeader); ++i)
            if (m_lines[i].eKind == CLine::kKey && SameName(m_lines[i].strName, pszKey))
                return (int)i;
        return -1;
    }

    void Insert(size_t nAt, const std::string &strText)
    {
        if (nAt > 0 && m_lines[nAt - 1].strEnd.empty())
            m_lines[nAt - 1].strEnd = "\r\n";
        CLine line;
        line.strText = strText;
        line.strEnd = "\r\n";
        Classify(line);
        m_lines.insert(m_lines.begin() + (long)nAt, line);
    }

    std::vector<CLine> m_lines;
    bool m_bExisted = false;
};

std::string UnquoteValue(const std::string &str)
{
    if (str.size() >= 2 && (str[0] == '"' || str[0] == '\'') && str.back() == str[0])
        return str.substr(1, str.size() - 2);
    return str;
}

// Copies a list of zero-terminated names with a final extra zero.
DWORD CopyList(const std::vector<std::string> &names, LPSTR lpBuffer, DWORD nSize)
{
    if (nSize < 2) {
        if (nSize == 1)
            lpBuffer[0] = 0;
        return 0;
    }
    DWORD n = 0;
    for (const std::string &str : names) {
        for (char c : str) {
            if (n + 2 >= nSize) {
                lpBuffer[n] = 0;
                lpBuffer[n + 1] = 0;
                return nSize - 2;
            }
            lpBuffer[n++] = c;
        }
        if (n + 2 >= nSize) {
            lpBuffer[n] = 0;
            lpBuffer[n + 1] = 0;
            return nSize - 2;
        }
        lpBuffer[n++] = 0;
    }
    lpBuffer[n] = 0;
    return n;
}

DWORD CopyValue(const std::string &str, LPSTR lpBuffer, DWORD nSize)
{
    if (nSize == 0)
        return 0;
    DWORD n = (DWORD)str.size();
    if (n > nSize - 1)
        n = nSize - 1;
    memcpy(lpBuffer, str.data(), n);
    lpBuffer[n] = 0;
    return n;
}

bool ResolveProfile(LPCSTR lpFileName, w32::ResolvedPath &path)
{
    path = w32::ResolvePath(lpFileName);
    if (path.dwError) {
        SetLastError(path.dwError);
        return false;
    }
    return true;
}

}  // namespace

extern "C" DWORD WINAPI GetPrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName,
                                                 LPCSTR lpDefault, LPSTR lpReturnedString,
                                                 DWORD nSize, LPCSTR lpFileName)
{
    std::string strDefault = lpDefault ? lpDefault : "";
    strDefault.erase(strDefault.find_last_not_of(' ') + 1);  // trailing blanks are stripped
    CProfile profile;
    w32::ResolvedPath path;
    if (!ResolveProfile(lpFileName, path) || !profile.Load(path.strPosix))
        return CopyValue(strDefault, lpReturnedString, nSize);
    if (!profile.m_bExisted)
        SetLastError(ERROR_FILE_NOT_FOUND);
    if (!lpAppName) {
        std::vector<std::string> names;
        for (const CLine &line : profile.m_lines)
            if (line.eKind == CLine::kSection)
                names.push_back(line.strName);
        return CopyList(names, lpReturnedString, nSize);
    }
    int nSection = profile.FindSection(lpAppName);
    if (!lpKeyName) {
        std::vector<std::string> names;
        if (nSection >= 0)
            for (size_t i = (size_t)nSection + 1; i < profile.SectionEnd(nSection); ++i)
                if (profile.m_lines[i].eKind == CLine::kKey)
                    names.push_back(profile.m_lines[i].strName);
        return CopyList(names, lpReturnedString, nSize);
    }
    int nKey = nSection >= 0 ? profile.FindKey(nSection, lpKeyName) : -1;
    if (nKey < 0)
        return CopyValue(strDefault, lpReturnedString, nSize);
    return CopyValue(UnquoteValue(profile.m_lines[(size_t)nKey].strValue), lpReturnedString, nSize);
}

extern "C" UINT WINAPI GetPrivateProfileIntA(LPCSTR lpAppName, LPCSTR lpKeyName, INT nDefault,
                                             LPCSTR lpFileName)
{
    char szValue[64];
    if (GetPrivateProfileStringA(lpAppName, lpKeyName, "", szValue, sizeof szValue, lpFileName) == 0)
        return (UINT)nDefault;
    // A number as far as it goes: "12abc" is 12, "abc" is 0.
    const char *p = szValue;
    bool bNegative = false;
    if (*p == '-' || *p == '+')
        bNegative = *p++ == '-';
    long long n = 0;
    while (*p >= '0' && *p <= '9') {
        n = n * 10 + (*p++ - '0');
        if (n > 0xFFFFFFFFll)
            n = 0xFFFFFFFFll;
    }
    return (UINT)(bNegative ? -n : n);
}

extern "C" BOOL WINAPI WritePrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName,
                                                  LPCSTR lpString, LPCSTR lpFileName)
{
    if (!lpAppName || !lpFileName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    w32::ResolvedPath path;
    if (!ResolveProfile(lpFileName, path))
        return FALSE;
    if (!path.bParentExists) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return FALSE;
    }
    CProfile profile;
    if (!profile.Load(path.strPosix)) {
        SetLastError(w32::ErrnoToWin32(errno));
        return FALSE;
    }
    int nSection = profile.FindSection(lpAppName);
    if (!lpKeyName) {  // delete the section
        if (nSection < 0)
            return TRUE;
        size_t nEnd = profile.SectionEnd(nSection);
        profile.m_lines.erase(profile.m_lines.begin() + nSection, profile.m_lines.begin() + (long)nEnd);
    } else if (!lpString) {  // delete the key
        int nKey = nSection >= 0 ? profile.FindKey(nSection, lpKeyName) : -1;
        if (nKey < 0)
            return TRUE;
        profile.m_lines.erase(profile.m_lines.begin() + nKey);
    } else if (nSection < 0) {
        profile.Insert(profile.m_lines.size(), "[" + Trim(lpAppName) + "]");
        profile.Insert(profile.m_lines.size(), Trim(lpKeyName) + "=" + lpString);
    } else if (int nKey = profile.FindKey(nSection, lpKeyName); nKey >= 0) {
        CLine &line = profile.m_lines[(size_t)nKey];
        line.strText = line.strName + "=" + lpString;
        Classify(line);
    } else {
        // After the last line of the section that is not blank.
        size_t nAt = profile.SectionEnd(nSection);
        while (nAt > (size_t)nSection + 1 && Trim(profile.m_lines[nAt - 1].strText).empty())
            --nAt;
        profile.Insert(nAt, Trim(lpKeyName) + "=" + lpString);
    }
    if (!profile.Save(path.strPosix)) {
        SetLastError(w32::ErrnoToWin32(errno, !path.bParentExists));
        return FALSE;
    }
    return TRUE;
}
