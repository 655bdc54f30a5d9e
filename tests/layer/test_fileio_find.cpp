// FindFirstFileA and FindNextFileA: the Windows wildcard rules, the entries
// of a directory and the error codes.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "test_fileio_probes.h"

#include <algorithm>
#include <set>

namespace {

// Every name that the pattern finds in the directory, or the error code.
std::set<std::string> Find(const std::string &strPattern, DWORD *pdwError = nullptr)
{
    std::set<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE h = FindFirstFileA(strPattern.c_str(), &data);
    if (pdwError)
        *pdwError = h == INVALID_HANDLE_VALUE ? GetLastError() : 0;
    if (h == INVALID_HANDLE_VALUE)
        return names;
    do
        names.insert(data.cFileName);
    while (FindNextFileA(h, &data));
    EXPECT_EQ((DWORD)ERROR_NO_MORE_FILES, GetLastError());
    FindClose(h);
    return names;
}

}  // namespace

TEST(LayerFileFind, WildcardsMatchAsOnWindows)
{
    CTestDir dir;
    for (const char *psz : {"a.txt", "B.TXT", "abc", "ab.c.d", "readme", "x.tx"})
        ASSERT_TRUE(WriteFileBytes(dir / psz, "x"));
    using Names = std::set<std::string>;
    struct Case {
        const char *pszPattern;
        Names names;
    } cases[] = {
        {"*", {".", "..", "a.txt", "B.TXT", "abc", "ab.c.d", "readme", "x.tx"}},
        {"*.*", {".", "..", "a.txt", "B.TXT", "abc", "ab.c.d", "readme", "x.tx"}},
        {"*.txt", {"a.txt", "B.TXT"}},
        {"?.txt", {"a.txt", "B.TXT"}},
        {"a*", {"a.txt", "abc", "ab.c.d"}},
        {"ab?", {"abc"}},
        {"abc?", {}},            // "?" is one character
        {"a?.txt", {}},
        {"?b?", {"abc"}},
        {"abc.*", {"abc"}},      // a dot before "*" matches a name without a dot
        {"*.c.d", {"ab.c.d"}},
        {"README", {"readme"}},  // letters in either case
        {"b.txt", {"B.TXT"}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(c.names, Find(dir / c.pszPattern)) << c.pszPattern;
}

TEST(LayerFileFind, ErrorsAndTheEndOfTheSearch)
{
    CTestDir dir;
    ASSERT_TRUE(WriteFileBytes(dir / "f.txt", "x"));
    DWORD dwError = 0;
    Find(dir / "*.none", &dwError);
    EXPECT_EQ((DWORD)ERROR_FILE_NOT_FOUND, dwError);
    Find(dir / "missing\\*", &dwError);
    EXPECT_EQ((DWORD)ERROR_PATH_NOT_FOUND, dwError);
    Find(dir / "missing\\deeper\\*.*", &dwError);
    EXPECT_EQ((DWORD)ERROR_PATH_NOT_FOUND, dwError);

    WIN32_FIND_DATAA data;
    HANDLE h = FindFirstFileA((dir / "f.txt").c_str(), &data);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    EXPECT_STREQ("f.txt", data.cFileName);
    EXPECT_EQ(1u, data.nFileSizeLow);
    EXPECT_FALSE(FindNextFileA(h, &data));
    EXPECT_EQ((DWORD)ERROR_NO_MORE_FILES, GetLastError());
    EXPECT_FALSE(FindNextFileA(h, &data));  // stays at the end
    EXPECT_EQ((DWORD)ERROR_NO_MORE_FILES, GetLastError());
    EXPECT_TRUE(FindClose(h));
}

TEST(LayerFileFind, AttributesOfTheEntries)
{
    CTestDir dir;
    ASSERT_TRUE(WriteFileBytes(dir / "plain.txt", "x"));
    ASSERT_TRUE(WriteFileBytes(dir / "ro.txt", "x"));
    ASSERT_TRUE(WriteFileBytes(dir / "normal.txt", "x"));
    ASSERT_TRUE(CreateTree(dir / "sub"));
    ASSERT_TRUE(CreateTree(dir / "arch"));
    ASSERT_TRUE(SetFileAttributesA((dir / "ro.txt").c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(SetFileAttributesA((dir / "normal.txt").c_str(), FILE_ATTRIBUTE_NORMAL));
    ASSERT_TRUE(SetFileAttributesA((dir / "arch").c_str(), 0x30));
    const CAttributeProbes &probes = CAttributeProbes::Get();
    struct Case {
        const char *pszName;
        DWORD dwAttributes;
        bool bChecked;
    } cases[] = {
        {"plain.txt", FILE_ATTRIBUTE_ARCHIVE, true},
        {"ro.txt", FILE_ATTRIBUTE_READONLY, probes.bNormalKept},  // setting replaces every attribute
        {"normal.txt", FILE_ATTRIBUTE_NORMAL, probes.bNormalKept},
        {"sub", FILE_ATTRIBUTE_DIRECTORY, true},
        {"arch", 0x30, probes.bDirectoryArchiveKept},
        {".", FILE_ATTRIBUTE_DIRECTORY, true},
    };
    for (const Case &c : cases) {
        if (!c.bChecked)
            continue;
        WIN32_FIND_DATAA data;
        HANDLE h = FindFirstFileA((dir / "*").c_str(), &data);
        ASSERT_NE(INVALID_HANDLE_VALUE, h);
        bool bFound = false;
        do {
            if (strcmp(data.cFileName, c.pszName) == 0) {
                bFound = true;
                EXPECT_EQ(c.dwAttributes, data.dwFileAttributes) << c.pszName;
            }
        } while (FindNextFileA(h, &data));
        FindClose(h);
        EXPECT_TRUE(bFound) << c.pszName;
    }
    SetFileAttributesA((dir / "ro.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
}
