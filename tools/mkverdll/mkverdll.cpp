// mkverdll: writes a small PE DLL whose only content is a version resource.
//   mkverdll OUT.dll FILEVERSION [PRODUCTVERSION] [options]
//   --pe32            PE32 (i386) instead of PE32+ (x86-64)
//   --no-version      resources without a version resource
//   --no-resources    no resource directory at all
//   --signature HEX   signature of the fixed file information
//   --name N          integer name of the version resource (default 1)
//   --lang N          its language (default 1033)
// The product version defaults to the file version.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "VersionDll.h"

namespace {

int Usage()
{
    fprintf(stderr,
            "usage: mkverdll OUT.dll FILEVERSION [PRODUCTVERSION] [--pe32] [--no-version]\n"
            "                [--no-resources] [--signature HEX] [--name N] [--lang N]\n");
    return 2;
}

bool ParseNumber(const char *pszText, int nBase, unsigned long ulMax, unsigned long *pul)
{
    char *pszEnd = nullptr;
    unsigned long ul = strtoul(pszText, &pszEnd, nBase);
    if (!*pszText || *pszEnd || ul > ulMax)
        return false;
    *pul = ul;
    return true;
}

}  // namespace

int main(int argc, char *argv[])
{
    VersionDllSpec dllSpec;
    const char *pszOut = nullptr;
    int nVersions = 0;
    for (int i = 1; i < argc; ++i) {
        const char *pszArg = argv[i];
        unsigned long ul = 0;
        if (strcmp(pszArg, "--pe32") == 0) {
            dllSpec.bPe32 = true;
        } else if (strcmp(pszArg, "--no-version") == 0) {
            dllSpec.bVersionResource = false;
        } else if (strcmp(pszArg, "--no-resources") == 0) {
            dllSpec.bResourceSection = false;
        } else if (strcmp(pszArg, "--signature") == 0 && i + 1 < argc) {
            if (!ParseNumber(argv[++i], 16, 0xFFFFFFFFul, &ul))
                return Usage();
            dllSpec.dwSignature = (uint32_t)ul;
        } else if ((strcmp(pszArg, "--name") == 0 || strcmp(pszArg, "--lang") == 0) && i + 1 < argc) {
            if (!ParseNumber(argv[++i], 10, 0xFFFF, &ul))
                return Usage();
            (pszArg[2] == 'n' ? dllSpec.wResourceName : dllSpec.wLanguage) = (uint16_t)ul;
        } else if (pszArg[0] == '-') {
            return Usage();
        } else if (!pszOut) {
            pszOut = pszArg;
        } else if (nVersions == 0 && ParseVersionText(pszArg, dllSpec.wFileVersion)) {
            memcpy(dllSpec.wProductVersion, dllSpec.wFileVersion, sizeof dllSpec.wProductVersion);
            ++nVersions;
        } else if (nVersions == 1 && ParseVersionText(pszArg, dllSpec.wProductVersion)) {
            ++nVersions;
        } else {
            return Usage();
        }
    }
    if (!pszOut || nVersions == 0)
        return Usage();

    std::string strDll = BuildVersionDll(dllSpec);
    FILE *pFile = fopen(pszOut, "wb");
    if (!pFile) {
        fprintf(stderr, "mkverdll: cannot create %s\n", pszOut);
        return 1;
    }
    bool bOk = fwrite(strDll.data(), 1, strDll.size(), pFile) == strDll.size();
    bOk = fclose(pFile) == 0 && bOk;
    if (!bOk) {
        fprintf(stderr, "mkverdll: cannot write %s\n", pszOut);
        return 1;
    }
    return 0;
}
