#include "Pack.h"

#include "CommonException.h"

#include <stdio.h>

int Fail(const std::string &strFile, const std::string &strCause)
{
    fprintf(stderr, "sfxpack: %s: %s\n", strFile.c_str(), strCause.c_str());
    return 1;
}

std::string MemberName(const std::string &strPath)
{
    size_t nSep = strPath.find_last_of("\\/:");
    return nSep == std::string::npos ? strPath : strPath.substr(nSep + 1);
}

std::string ExceptionText(CCommonException &e)
{
    const char *psz = e.GetErrorMessage();
    std::string str = psz ? psz : "error";
    while (!str.empty() && (str.back() == '\n' || str.back() == '\r'))
        str.pop_back();
    return str;
}
