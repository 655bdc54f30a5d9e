// GetFileVersionNumbers and IsUpdateNeeded over laid-out installations.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "TestSupport.h"
#include "VersionDll.h"
#include "VersionProbe.h"

namespace {

// One installed copy: its component directory and version ("" for a file
// that is not PE, "-" for a PE file without a version resource, "!" for a
// version 1.30 whose fixed file information lacks its signature).
struct Copy {
    const char *pszDir;
    const char *pszVersion;
};

std::string DllBytes(const char *pszVersion)
{
    if (strcmp(pszVersion, "") == 0)
        return "MZ but nothing else";
    VersionDllSpec dllSpec;
    if (strcmp(pszVersion, "-") == 0) {
        dllSpec.bVersionResource = false;
    } else if (strcmp(pszVersion, "!") == 0) {
        dllSpec.wFileVersion[1] = 30;
        dllSpec.dwSignature = 0;
    } else {
        EXPECT_TRUE(ParseVersionText(pszVersion, dllSpec.wFileVersion)) << pszVersion;
    }
    return BuildVersionDll(dllSpec);
}

void Install(const std::string &strMaster, const std::vector<Copy> &copies)
{
    for (const Copy &copy : copies) {
        std::string strDir = strMaster + copy.pszDir;
        ASSERT_TRUE(CreateTree(strDir)) << strDir;
        ASSERT_TRUE(WriteFileBytes(strDir + "\\KsUpdate.dll", DllBytes(copy.pszVersion)));
    }
}

TEST(GetFileVersionNumbers, ReadsMajorMinorAndBuild)
{
    CTestDir dir;
    struct Case {
        const char *pszVersion;
        int nResult;
        DWORD dwMajor, dwMinor, dwBuild;
    } cases[] = {
        {"1.30.5.9", 1, 1, 30, 5},
        {"65535.65535.65535.65535", 1, 65535, 65535, 65535},
        {"0.0.0.0", 1, 0, 0, 0},
        {"-", 0, 7, 7, 7},  // no version resource: outputs untouched
        {"", 0, 7, 7, 7},   // not PE
        {"!", 0, 7, 7, 7},  // no signature: not fixed file information
    };
    for (const Case &c : cases) {
        std::string strPath = dir / "KsUpdate.dll";
        ASSERT_TRUE(WriteFileBytes(strPath, DllBytes(c.pszVersion)));
        DWORD dwMajor = 7, dwMinor = 7, dwBuild = 7;
        EXPECT_EQ(GetFileVersionNumbers(strPath.c_str(), &dwMajor, &dwMinor, &dwBuild), c.nResult)
            << c.pszVersion;
        EXPECT_EQ(dwMajor, c.dwMajor) << c.pszVersion;
        EXPECT_EQ(dwMinor, c.dwMinor) << c.pszVersion;
        EXPECT_EQ(dwBuild, c.dwBuild) << c.pszVersion;
    }
    DWORD dwMajor = 7, dwMinor = 7, dwBuild = 7;
    EXPECT_EQ(GetFileVersionNumbers((dir / "missing.dll").c_str(), &dwMajor, &dwMinor, &dwBuild), 0);
    EXPECT_EQ(dwMajor + dwMinor + dwBuild, 21u);
}

TEST(IsUpdateNeeded, Installations)
{
    struct Case {
        const char *pszWhat;
        std::vector<Copy> copies;
        int bHttpBase;
        int nExpected;
    } cases[] = {
        {"1.25 is the first version in the window", {{"console", "1.25"}}, 0, 1},
        {"1.31 is the last", {{"console", "1.31"}}, 0, 1},
        {"1.32 is the patched version", {{"console", "1.32"}}, 0, 0},
        {"1.24 is older than the window", {{"console", "1.24.9.9"}}, 0, 0},
        {"another major", {{"console", "2.28"}}, 0, 0},
        {"major 0", {{"console", "0.28"}}, 0, 0},
        {"a copy out of the window does not end the search",
         {{"console", "1.32"}, {"Console\\Tools\\TimedRefresh", "1.30"}}, 0, 1},
        {"last non-portal row", {{"Console\\Tools\\Relay_jp\\RelayLib", "1.26"}}, 0, 1},
        {"portal\\bin on an HTTP-based server", {{"portal\\bin", "1.30"}}, 1, 1},
        {"portal\\bin otherwise", {{"portal\\bin", "1.30"}}, 0, 0},
        {"portal\\svc on an HTTP-based server", {{"portal\\svc", "1.29"}}, 1, 1},
        {"builds are ignored", {{"console", "1.30.5"}, {"portal\\bin", "1.30.9"}}, 1, 1},
        {"build beyond the window's minor", {{"console", "1.32.30"}}, 1, 0},
        {"not PE", {{"console", ""}}, 0, 0},
        {"no version resource", {{"console", "-"}}, 0, 0},
        {"1.30 without the signature", {{"console", "!"}}, 0, 0},
        {"no version resource, then a copy in the window",
         {{"console", "-"}, {"Console\\Tools\\Refresher", "1.27"}}, 0, 1},
        {"no copy anywhere", {}, 1, 0},
        {"only outside the probe list", {{"portal", "1.30"}, {"Console\\Tools", "1.30"}}, 1, 0},
    };
    for (const Case &c : cases) {
        CTestDir dir;
        Install(dir.Path(), c.copies);
        EXPECT_EQ(IsUpdateNeeded(dir.Path().c_str(), c.bHttpBase), c.nExpected) << c.pszWhat;
    }
    EXPECT_EQ(IsUpdateNeeded(NULL, 1), 0);
}

// Directory names are matched as the file system matches them: a "console"
// spelt in another case is the same directory.
TEST(IsUpdateNeeded, ComponentDirectoriesInAnyCase)
{
    CTestDir dir;
    Install(dir.Path(), {{"CONSOLE", "1.30"}});
    EXPECT_EQ(IsUpdateNeeded(dir.Path().c_str(), 0), 1);
}

// A master directory so deep that the long rows do not fit: those rows count
// as absent, the short ones are still probed, and no buffer is overrun.
TEST(IsUpdateNeeded, MasterDirectoryTooDeepForSomeRows)
{
    CTestDir dir;
    // 240 characters: "console\KsUpdate.dll" (20) still fits,
    // "Console\Tools\Refresher\KsUpdate.dll" (36) does not.
    std::string strMaster = dir.Path();
    while (strMaster.size() < 240) {
        size_t cbRest = 240 - strMaster.size();
        // Segments of up to 39 characters and a backslash; never leave 1.
        size_t cbSegment = cbRest > 40 ? (cbRest == 41 ? 37 : 39) : cbRest - 1;
        strMaster += std::string(cbSegment, 'd') + "\\";
    }
    ASSERT_EQ(strMaster.size(), 240u);
    ASSERT_TRUE(CreateTree(strMaster));

    EXPECT_EQ(IsUpdateNeeded(strMaster.c_str(), 1), 0);
    Install(strMaster, {{"console", "1.30"}});
    EXPECT_EQ(IsUpdateNeeded(strMaster.c_str(), 1), 1);

    // Longer than any path: nothing is probed.
    std::string strHuge(2 * MAX_PATH, 'x');
    EXPECT_EQ(IsUpdateNeeded(("C:\\" + strHuge + "\\").c_str(), 1), 0);
}

}  // namespace
