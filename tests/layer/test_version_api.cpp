// The version functions on generated PE files, good and damaged. The same
// expectations hold for the system's own functions, so the generated files
// and the failure codes are pinned on both targets.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "VersionQuery.h"

namespace {

TEST(VersionApi, GeneratedFilesCarryTheirVersions)
{
    CTestDir dir;
    struct Case {
        bool bPe32;
        uint16_t wFile[4];
        uint16_t wProduct[4];
    } cases[] = {
        {false, {1, 30, 5, 7}, {1, 32, 0, 0}},
        {true, {1, 25, 0, 0}, {2, 0, 1, 3}},
        {false, {65535, 65535, 65535, 65535}, {0, 0, 0, 0}},
        {true, {0, 0, 0, 0}, {65535, 1, 2, 3}},
    };
    int n = 0;
    for (const Case &c : cases) {
        VersionDllSpec dllSpec;
        dllSpec.bPe32 = c.bPe32;
        memcpy(dllSpec.wFileVersion, c.wFile, sizeof c.wFile);
        memcpy(dllSpec.wProductVersion, c.wProduct, sizeof c.wProduct);
        std::string strPath = WriteDll(dir, "v" + std::to_string(n++) + ".dll", BuildVersionDll(dllSpec));
        VersionAnswer answer = Ask(strPath);
        ASSERT_TRUE(answer.bRoot) << strPath << " error " << answer.dwSizeError;
        EXPECT_EQ(answer.info.dwSignature, VS_FFI_SIGNATURE);
        EXPECT_EQ(answer.info.dwFileVersionMS, (DWORD)c.wFile[0] << 16 | c.wFile[1]);
        EXPECT_EQ(answer.info.dwFileVersionLS, (DWORD)c.wFile[2] << 16 | c.wFile[3]);
        EXPECT_EQ(answer.info.dwProductVersionMS, (DWORD)c.wProduct[0] << 16 | c.wProduct[1]);
        EXPECT_EQ(answer.info.dwProductVersionLS, (DWORD)c.wProduct[2] << 16 | c.wProduct[3]);
        EXPECT_EQ(answer.info.dwFileType, VFT_DLL);
    }
}

TEST(VersionApi, InfoIsCutToTheBufferAndTheHandleIsCleared)
{
    CTestDir dir;
    VersionDllSpec dllSpec;
    VersionDllLayout layout;
    std::string strDll = BuildVersionDll(dllSpec, &layout);
    std::string strPath = WriteDll(dir, "cut.dll", strDll);
    DWORD dwHandle = 5;
    DWORD dwSize = GetFileVersionInfoSizeA(strPath.c_str(), &dwHandle);
    EXPECT_EQ(dwHandle, 0u);
    ASSERT_GE(dwSize, layout.cbBlockSize);

    // The block starts with its own length; a buffer of 8 bytes gets 8 of it.
    std::string strBlock(16, '\x5A');
    ASSERT_TRUE(GetFileVersionInfoA(strPath.c_str(), 0, 8, &strBlock[0]));
    EXPECT_EQ(strBlock.substr(0, 8), strDll.substr(layout.cbBlock, 8));
    EXPECT_EQ(strBlock.substr(8), std::string(8, '\x5A'));
}

TEST(VersionApi, FailuresGiveTheSystemsCodes)
{
    CTestDir dir;
    ASSERT_TRUE(CreateDirectoryA((dir / "sub").c_str(), NULL));
    VersionDllSpec noVersion;
    noVersion.bVersionResource = false;
    VersionDllSpec noResources;
    noResources.bResourceSection = false;
    VersionDllSpec pe32NoVersion = noVersion;
    pe32NoVersion.bPe32 = true;
    VersionDllSpec otherName;
    otherName.wResourceName = 2;
    // Where the systems differ in the code (a resource tree without the
    // version entry), only the failure is pinned here: kAnyError.
    const DWORD kAnyError = 0xFFFFFFFFu;
    struct Case {
        const char *pszName;
        std::string strBytes;  // not written when empty
        DWORD dwError;
    } cases[] = {
        {"missing.dll", "", ERROR_FILE_NOT_FOUND},
        {"nodir\\missing.dll", "", ERROR_PATH_NOT_FOUND},
        {"text.dll", "This is not a program.\r\n", ERROR_RESOURCE_DATA_NOT_FOUND},
        {"MZ.dll", "MZ", ERROR_RESOURCE_DATA_NOT_FOUND},
        {"empty.dll", "", ERROR_RESOURCE_DATA_NOT_FOUND},
        {"noresources.dll", BuildVersionDll(noResources), ERROR_RESOURCE_DATA_NOT_FOUND},
        {"noversion.dll", BuildVersionDll(noVersion), kAnyError},
        {"noversion32.dll", BuildVersionDll(pe32NoVersion), kAnyError},
        {"name2.dll", BuildVersionDll(otherName), kAnyError},
    };
    for (const Case &c : cases) {
        std::string strPath = dir / c.pszName;
        bool bWrite = !c.strBytes.empty() || strcmp(c.pszName, "empty.dll") == 0;
        if (bWrite) {
            ASSERT_TRUE(WriteFileBytes(strPath, c.strBytes));
        }
        VersionAnswer answer = Ask(strPath);
        EXPECT_EQ(answer.dwSize, 0u) << c.pszName;
        char szBlock[64] = {0};
        SetLastError(0);
        EXPECT_FALSE(GetFileVersionInfoA(strPath.c_str(), 0, sizeof szBlock, szBlock)) << c.pszName;
        DWORD dwInfoError = GetLastError();
        if (c.dwError == kAnyError) {
            EXPECT_NE(answer.dwSizeError, 0u) << c.pszName;
            EXPECT_NE(dwInfoError, 0u) << c.pszName;
        } else {
            EXPECT_EQ(answer.dwSizeError, c.dwError) << c.pszName;
            EXPECT_EQ(dwInfoError, c.dwError) << c.pszName;
        }
    }
}

// The version resource is the one named 1 (VS_VERSION_INFO), in whatever
// language; another name is not taken for it (above).
TEST(VersionApi, LanguageOfTheVersionResource)
{
    CTestDir dir;
    struct Case {
        uint16_t wName;
        uint16_t wLanguage;
    } cases[] = {{1, 0x0409}, {1, 0}, {1, 0x0411}, {1, 0x0407}};
    for (const Case &c : cases) {
        VersionDllSpec dllSpec;
        dllSpec.wResourceName = c.wName;
        dllSpec.wLanguage = c.wLanguage;
        dllSpec.wFileVersion[1] = 28;
        std::string strPath = WriteDll(dir, "n.dll", BuildVersionDll(dllSpec));
        VersionAnswer answer = Ask(strPath);
        EXPECT_TRUE(answer.bRoot) << "name " << c.wName << " language " << c.wLanguage << " error "
                                  << answer.dwSizeError;
        EXPECT_EQ(answer.info.dwFileVersionMS, 0x1001Cu);
    }
}

// The root query hands back the value whatever its signature: telling fixed
// file information from anything else is the caller's part.
TEST(VersionApi, RootValueIsGivenWhateverItsSignature)
{
    CTestDir dir;
    VersionDllSpec dllSpec;
    dllSpec.dwSignature = 0xFEEF04BCu;
    VersionAnswer answer = Ask(WriteDll(dir, "sig.dll", BuildVersionDll(dllSpec)));
    EXPECT_NE(answer.dwSize, 0u);
    ASSERT_TRUE(answer.bRoot);
    EXPECT_EQ(answer.info.dwSignature, 0xFEEF04BCu);
}

TEST(VersionApi, OnlyTheRootBlockIsAnswered)
{
    CTestDir dir;
    VersionDllSpec dllSpec;
    std::string strPath = WriteDll(dir, "q.dll", BuildVersionDll(dllSpec));
    DWORD dwSize = GetFileVersionInfoSizeA(strPath.c_str(), NULL);
    ASSERT_NE(dwSize, 0u);
    std::string strBlock(dwSize, '\0');
    ASSERT_TRUE(GetFileVersionInfoA(strPath.c_str(), 0, dwSize, &strBlock[0]));
    LPVOID pv = nullptr;
    UINT uLen = 0;
    EXPECT_TRUE(VerQueryValueA(strBlock.data(), "\\", &pv, &uLen));
    EXPECT_EQ((const char *)pv - strBlock.data(), 40);
}

}  // namespace
