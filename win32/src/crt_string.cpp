// String routines of the Microsoft C runtime.
#include "w32_internal.h"

#include <ctype.h>
#include <mbctype.h>

extern "C" int _vsnprintf(char *buffer, size_t count, const char *format, va_list argptr)
{
    va_list args;
    va_copy(args, argptr);
    int nLength = vsnprintf(nullptr, 0, format, args);
    va_end(args);
    if (nLength < 0)
        return -1;
    std::string str((size_t)nLength + 1, '\0');
    vsnprintf(&str[0], str.size(), format, argptr);
    if ((size_t)nLength < count) {
        memcpy(buffer, str.c_str(), (size_t)nLength + 1);
        return nLength;
    }
    // Exactly full or cut: the buffer is filled and left without a terminator.
    memcpy(buffer, str.c_str(), count);
    return (size_t)nLength == count ? nLength : -1;
}

extern "C" int _snprintf(char *buffer, size_t count, const char *format, ...)
{
    va_list args;
    va_start(args, format);
    int n = _vsnprintf(buffer, count, format, args);
    va_end(args);
    return n;
}

extern "C" int _stricmp(const char *string1, const char *string2)
{
    return _strnicmp(string1, string2, (size_t)-1);
}

extern "C" int _strnicmp(const char *string1, const char *string2, size_t count)
{
    const unsigned char *p1 = (const unsigned char *)string1;
    const unsigned char *p2 = (const unsigned char *)string2;
    for (size_t i = 0; i < count; ++i) {
        // The C locale folds ASCII letters to lower case, as the runtime does.
        int c1 = (p1[i] >= 'A' && p1[i] <= 'Z') ? p1[i] + 32 : p1[i];
        int c2 = (p2[i] >= 'A' && p2[i] <= 'Z') ? p2[i] + 32 : p2[i];
        if (c1 != c2)
            return c1 - c2;
        if (c1 == 0)
            break;
    }
    return 0;
}

namespace {
void CopyPart(char *pszOut, size_t cbOut, const char *pBegin, const char *pEnd)
{
    if (!pszOut)
        return;
    size_t n = (size_t)(pEnd - pBegin);
    if (n > cbOut - 1)
        n = cbOut - 1;
    memcpy(pszOut, pBegin, n);
    pszOut[n] = 0;
}
}  // namespace

extern "C" void _splitpath(const char *path, char *drive, char *dir, char *fname, char *ext)
{
    const char *p = path;
    const char *pDriveEnd = p;
    if (p[0] && p[1] == ':')
        pDriveEnd = p + 2;
    CopyPart(drive, 3, p, pDriveEnd);
    p = pDriveEnd;
    const char *pLastSep = nullptr;
    const char *pLastDot = nullptr;
    for (const char *q = p; *q; ++q) {
        if (_ismbblead((unsigned char)*q) && q[1]) {
            ++q;  // a trail byte is never a separator or a dot
            continue;
        }
        if (*q == '\\' || *q == '/')
            pLastSep = q;
        else if (*q == '.')
            pLastDot = q;
    }
    const char *pNameStart = pLastSep ? pLastSep + 1 : p;
    CopyPart(dir, 256, p, pNameStart);
    const char *pEnd = p + strlen(p);
    if (pLastDot && pLastDot >= pNameStart) {
        CopyPart(fname, 256, pNameStart, pLastDot);
        CopyPart(ext, 256, pLastDot, pEnd);
    } else {
        CopyPart(fname, 256, pNameStart, pEnd);
        CopyPart(ext, 256, pEnd, pEnd);
    }
}
