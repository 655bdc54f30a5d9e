// Damaged and truncated images: each fails with a code and reads nothing
// outside the file. The system's functions are no reference here (they may
// read past the end of a damaged image), so these run against the layer only.
#include "VersionQuery.h"

namespace {

// Every shorter copy of a good file: none reads as having a version, and
// none reads outside what is left of the file.
TEST(VersionDamaged, TruncatedFilesHaveNoVersion)
{
    CTestDir dir;
    for (bool bPe32 : {false, true}) {
        VersionDllSpec dllSpec;
        dllSpec.bPe32 = bPe32;
        VersionDllLayout layout;
        std::string strDll = BuildVersionDll(dllSpec, &layout);
        size_t cbEnd = layout.cbBlock + layout.cbBlockSize;
        for (size_t cb = 1; cb < cbEnd; cb += (cb < layout.cbResources ? 7 : 1)) {
            VersionAnswer answer = Ask(WriteDll(dir, "t.dll", strDll.substr(0, cb)));
            EXPECT_EQ(answer.dwSize, 0u) << "cut at " << cb;
            EXPECT_NE(answer.dwSizeError, 0u) << "cut at " << cb;
        }
    }
}

// Offsets and sizes in the headers and the tree that point outside the file
// or the section: each fails, and so does a tree that points back at itself.
TEST(VersionDamaged, DamagedImagesFail)
{
    CTestDir dir;
    VersionDllSpec dllSpec;
    VersionDllLayout layout;
    std::string strGood = BuildVersionDll(dllSpec, &layout);
    const size_t cbData = layout.cbDataEntry;
    const size_t cbSection = layout.cbSectionTable;
    struct Case {
        const char *pszWhat;
        size_t cbAt;
        uint32_t dwValue;
    } cases[] = {
        {"PE header offset past the end", 0x3C, 0x7FFFFFF0u},
        {"data RVA outside every section", cbData, 0x00500000u},
        {"data size past the section", cbData + 4, 0x00001000u},
        {"data size past 4 GB", cbData + 4, 0xFFFFFFF0u},
        {"section file data past the end", cbSection + 20, 0x00100000u},
        {"type directory past the section", layout.cbResources + 20, 0x80000F00u},
        {"language entry points back at the root", layout.cbResources + 0x44, 0x80000000u},
    };
    for (const Case &c : cases) {
        std::string strBad = strGood;
        Put32(strBad, c.cbAt, c.dwValue);
        VersionAnswer answer = Ask(WriteDll(dir, "d.dll", strBad));
        EXPECT_FALSE(answer.bRoot) << c.pszWhat;
        EXPECT_EQ(answer.dwSize, 0u) << c.pszWhat;
        EXPECT_NE(answer.dwSizeError, 0u) << c.pszWhat;
    }
}

// The codes that the system gives where a resource tree lacks the version
// entry, as the layer pins them.
TEST(VersionDamaged, MissingEntriesOfTheTree)
{
    CTestDir dir;
    VersionDllSpec noVersion;
    noVersion.bVersionResource = false;
    VersionDllSpec otherName;
    otherName.wResourceName = 2;
    VersionDllLayout layout;
    std::string strNoLanguage = BuildVersionDll(VersionDllSpec(), &layout);
    // The language directory (the third, at 0x30 in the tree) with no entries.
    strNoLanguage[layout.cbResources + 0x30 + 14] = 0;
    struct Case {
        const char *pszWhat;
        std::string strBytes;
        DWORD dwError;
    } cases[] = {
        {"no version type", BuildVersionDll(noVersion), ERROR_RESOURCE_TYPE_NOT_FOUND},
        {"no version name", BuildVersionDll(otherName), ERROR_RESOURCE_NAME_NOT_FOUND},
        {"no language", strNoLanguage, ERROR_RESOURCE_LANG_NOT_FOUND},
    };
    for (const Case &c : cases) {
        VersionAnswer answer = Ask(WriteDll(dir, "m.dll", c.strBytes));
        EXPECT_EQ(answer.dwSizeError, c.dwError) << c.pszWhat;
    }
}

}  // namespace
