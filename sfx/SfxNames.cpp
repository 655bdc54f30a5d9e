#include "SfxNames.h"

#include <string.h>

namespace {

char Upper(char c) { return (c >= 'a' && c <= 'z') ? (char)(c - 32) : c; }

// The part before the first dot, without trailing blanks ("nul .txt" is the
// device too), compared with the device names.
bool IsDeviceName(const char *pszName)
{
    size_t nBase = strcspn(pszName, ".");
    while (nBase > 0 && pszName[nBase - 1] == ' ')
        --nBase;
    char szBase[8] = {0};
    if (nBase < 3 || nBase > 4)
        return false;
    for (size_t i = 0; i < nBase; ++i)
        szBase[i] = Upper(pszName[i]);
    static const char *const kThree[] = {"CON", "PRN", "AUX", "NUL"};
    if (nBase == 3) {
        for (const char *psz : kThree)
            if (strcmp(szBase, psz) == 0)
                return true;
        return false;
    }
    if (strncmp(szBase, "COM", 3) != 0 && strncmp(szBase, "LPT", 3) != 0)
        return false;
    // A digit, or the superscripts 1, 2 and 3 of the Western code page.
    unsigned char c = (unsigned char)szBase[3];
    return (c >= '0' && c <= '9') || c == 0xB9 || c == 0xB2 || c == 0xB3;
}

}  // namespace

int IsPlainMemberName(const char *pszName)
{
    if (!pszName || !*pszName)
        return 0;
    for (const char *p = pszName; *p; ++p) {
        unsigned char c = (unsigned char)*p;
        // Every byte is checked on its own: a refused byte that would be the
        // second byte of a double-byte character refuses the name too.
        if (c < 32 || strchr("\\/:<>\"|?*", c))
            return 0;
    }
    char cLast = pszName[strlen(pszName) - 1];
    if (cLast == '.' || cLast == ' ')
        return 0;  // also "." and ".."
    return IsDeviceName(pszName) ? 0 : 1;
}
