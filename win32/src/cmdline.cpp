// Command-line text as Windows programs see it.
#include "w32_internal.h"

namespace w32 {

std::string QuoteArgument(const std::string &strArg)
{
    if (!strArg.empty() && strArg.find_first_of(" \t\n\v\"") == std::string::npos)
        return strArg;
    std::string str = "\"";
    size_t nSlashes = 0;
    for (char c : strArg) {
        if (c == '\\') {
            ++nSlashes;
        } else if (c == '"') {
            str.append(nSlashes * 2 + 1, '\\');
            nSlashes = 0;
        } else {
            nSlashes = 0;
        }
        str += c;
    }
    str.append(nSlashes, '\\');  // doubled before the closing quote
    str += '"';
    return str;
}

std::vector<std::string> SplitCommandLine(const char *psz)
{
    std::vector<std::string> args;
    if (!psz)
        return args;
    // The program name ends at the next quote or blank; no escapes in it.
    while (*psz == ' ' || *psz == '\t')
        ++psz;
    if (!*psz)
        return args;
    std::string strName;
    if (*psz == '"') {
        ++psz;
        while (*psz && *psz != '"')
            strName += *psz++;
        if (*psz == '"')
            ++psz;
    } else {
        while (*psz && *psz != ' ' && *psz != '\t')
            strName += *psz++;
    }
    args.push_back(strName);
    for (;;) {
        while (*psz == ' ' || *psz == '\t')
            ++psz;
        if (!*psz)
            break;
        std::string strArg;
        bool bQuoted = false;
        while (*psz && (bQuoted || (*psz != ' ' && *psz != '\t'))) {
            if (*psz == '\\') {
                size_t n = 0;
                while (*psz == '\\') {
                    ++n;
                    ++psz;
                }
                if (*psz == '"') {
                    strArg.append(n / 2, '\\');
                    if (n % 2) {
                        strArg += '"';
                        ++psz;
                    }
                } else {
                    strArg.append(n, '\\');
                }
            } else if (*psz == '"') {
                if (bQuoted && psz[1] == '"') {
                    strArg += '"';
                    psz += 2;
                } else {
                    bQuoted = !bQuoted;
                    ++psz;
                }
            } else {
                strArg += *psz++;
            }
        }
        args.push_back(strArg);
    }
    return args;
}

const char *SkipProgramName(const char *psz)
{
    if (*psz == '"') {
        ++psz;
        while (*psz && *psz != '"')
            ++psz;
        if (*psz == '"')
            ++psz;
    } else {
        while (*psz && *psz != ' ' && *psz != '\t')
            ++psz;
    }
    while (*psz == ' ' || *psz == '\t')
        ++psz;
    return psz;
}

}  // namespace w32
