// Multibyte strings of the Microsoft C runtime. The code page is single-byte
// unless it is 932, whose lead bytes are 0x81-0x9F and 0xE0-0xFC.
#include "w32_internal.h"

#include <errno.h>
#include <mbctype.h>
#include <mbstring.h>

namespace {

int AnsiCodePage()
{
    static const int s_n = [] {
        const char *psz = getenv("W32_ACP");
        return psz && atoi(psz) == 932 ? 932 : 1252;
    }();
    return s_n;
}

int g_nMbcp = AnsiCodePage();
unsigned char *g_pTokenNext = nullptr;

// Length in bytes of the character at p: 2 for a lead byte with a trail.
size_t CharLen(const unsigned char *p) { return (_ismbblead(*p) && p[1]) ? 2 : 1; }

bool IsDelimiter(const unsigned char *p, size_t nLen, const unsigned char *pszDelimit)
{
    for (const unsigned char *d = pszDelimit; *d; d += CharLen(d)) {
        size_t nDelim = CharLen(d);
        if (nDelim == nLen && memcmp(d, p, nLen) == 0)
            return true;
    }
    return false;
}

}  // namespace

extern "C" int _setmbcp(int codepage)
{
    if (codepage == _MB_CP_ANSI)
        codepage = AnsiCodePage();
    if (codepage == _MB_CP_SBCS)
        codepage = 1252;
    if (codepage <= 0) {
        errno = EINVAL;
        return -1;
    }
    g_nMbcp = codepage;
    return 0;
}

extern "C" int _getmbcp(void) { return g_nMbcp; }

extern "C" int _ismbblead(unsigned int c)
{
    c &= 0xFF;
    return g_nMbcp == 932 && ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC));
}

extern "C" int _ismbbtrail(unsigned int c)
{
    c &= 0xFF;
    return g_nMbcp == 932 && ((c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC));
}

extern "C" unsigned char *_mbstok(unsigned char *strToken, const unsigned char *strDelimit)
{
    unsigned char *p = strToken ? strToken : g_pTokenNext;
    if (!p)
        return nullptr;
    while (*p && IsDelimiter(p, CharLen(p), strDelimit))
        p += CharLen(p);
    if (!*p) {
        g_pTokenNext = nullptr;
        return nullptr;
    }
    unsigned char *pToken = p;
    while (*p && !IsDelimiter(p, CharLen(p), strDelimit))
        p += CharLen(p);
    if (*p) {
        size_t n = CharLen(p);
        memset(p, 0, n);
        g_pTokenNext = p + n;
    } else {
        g_pTokenNext = p;
    }
    return pToken;
}

extern "C" unsigned char *_mbsnbcpy(unsigned char *strDest, const unsigned char *strSource,
                                    size_t count)
{
    size_t i = 0;
    while (i < count && strSource[i]) {
        if (_ismbblead(strSource[i])) {
            if (i + 1 == count || strSource[i + 1] == 0) {
                strDest[i++] = 0;  // a lead byte without its trail is not copied
                break;
            }
            strDest[i] = strSource[i];
            strDest[i + 1] = strSource[i + 1];
            i += 2;
        } else {
            strDest[i] = strSource[i];
            ++i;
        }
    }
    while (i < count)  // a shorter source is padded with zeros
        strDest[i++] = 0;
    return strDest;
}

extern "C" int _mbsicmp(const unsigned char *string1, const unsigned char *string2)
{
    const unsigned char *p1 = string1, *p2 = string2;
    for (;;) {
        unsigned int c1 = *p1, c2 = *p2;
        if (_ismbblead(c1) && p1[1]) {
            c1 = (c1 << 8) | p1[1];
            p1 += 2;
        } else {
            if (c1 >= 'A' && c1 <= 'Z')
                c1 += 32;
            ++p1;
        }
        if (_ismbblead(c2) && p2[1]) {
            c2 = (c2 << 8) | p2[1];
            p2 += 2;
        } else {
            if (c2 >= 'A' && c2 <= 'Z')
                c2 += 32;
            ++p2;
        }
        if (c1 != c2)
            return c1 < c2 ? -1 : 1;
        if (c1 == 0)
            return 0;
    }
}

extern "C" size_t _mbslen(const unsigned char *str)
{
    size_t n = 0;
    for (const unsigned char *p = str; *p; p += CharLen(p))
        ++n;
    return n;
}
