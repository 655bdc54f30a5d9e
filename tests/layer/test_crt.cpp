// The Microsoft C runtime routines with the semantics the product relies on.
#include <gtest/gtest.h>

#include <io.h>
#include <mbctype.h>
#include <mbstring.h>
#include <stdlib.h>

#include "TestSupport.h"

namespace {

TEST(LayerCrt, SnprintfCutsWithoutTerminatorAndAnswersMinusOne)
{
    char sz[8];
    memset(sz, '#', sizeof sz);
    EXPECT_EQ(_snprintf(sz, 5, "%s", "hello world"), -1);
    EXPECT_EQ(std::string(sz, 8), "hello###");
    memset(sz, '#', sizeof sz);
    EXPECT_EQ(_snprintf(sz, 5, "%s", "hello"), 5) << "exactly full: no terminator either";
    EXPECT_EQ(std::string(sz, 8), "hello###");
    EXPECT_EQ(_snprintf(sz, 5, "%d", 42), 2);
    EXPECT_STREQ(sz, "42");
}

TEST(LayerCrt, Stricmp)
{
    EXPECT_EQ(_stricmp("NoRestart", "norestart"), 0);
    EXPECT_EQ(_stricmp("NORESTART", "NoRestart"), 0);
    EXPECT_LT(_stricmp("a", "B"), 0);
    EXPECT_GT(_stricmp("NoRestartX", "NoRestart"), 0);
}

TEST(LayerCrt, SplitPath)
{
    struct Case {
        const char *pszPath, *pszDrive, *pszDir, *pszName, *pszExt;
    } cases[] = {
        {"C:\\Srv\\Patch\\tool.exe", "C:", "\\Srv\\Patch\\", "tool", ".exe"},
        {"C:\\tool.exe", "C:", "\\", "tool", ".exe"},
        {"\\\\server\\share\\dir\\a.b.c", "", "\\\\server\\share\\dir\\", "a.b", ".c"},
        {"C:/mixed\\kinds/name", "C:", "/mixed\\kinds/", "name", ""},
        {"C:\\dir.d\\noext", "C:", "\\dir.d\\", "noext", ""},
    };
    for (const Case &c : cases) {
        char szDrive[3], szDir[256], szName[256], szExt[256];
        _splitpath(c.pszPath, szDrive, szDir, szName, szExt);
        EXPECT_STREQ(szDrive, c.pszDrive) << c.pszPath;
        EXPECT_STREQ(szDir, c.pszDir) << c.pszPath;
        EXPECT_STREQ(szName, c.pszName) << c.pszPath;
        EXPECT_STREQ(szExt, c.pszExt) << c.pszPath;
    }
}

TEST(LayerCrt, MbstokSkipsRunsOfDelimitersAndTrailBytes)
{
    char sz[] = "\\\\srv\\\\a\\b\\";
    std::vector<std::string> tokens;
    for (unsigned char *p = _mbstok((unsigned char *)sz, (const unsigned char *)"\\"); p;
         p = _mbstok(NULL, (const unsigned char *)"\\"))
        tokens.push_back((const char *)p);
    EXPECT_EQ(tokens, (std::vector<std::string>{"srv", "a", "b"}));

    ASSERT_EQ(_setmbcp(932), 0);
    char szDbcs[] = "C:\\k\x95\x5C" "d\\e";
    tokens.clear();
    for (unsigned char *p = _mbstok((unsigned char *)szDbcs, (const unsigned char *)"\\"); p;
         p = _mbstok(NULL, (const unsigned char *)"\\"))
        tokens.push_back((const char *)p);
    _setmbcp(_MB_CP_ANSI);
    EXPECT_EQ(tokens, (std::vector<std::string>{"C:", "k\x95\x5C" "d", "e"}));
}

TEST(LayerCrt, MbsnbcpyDropsALeadByteWithoutItsTrail)
{
    ASSERT_EQ(_setmbcp(932), 0);
    unsigned char sz[8];
    memset(sz, '#', sizeof sz);
    _mbsnbcpy(sz, (const unsigned char *)"ab\x83\x41", 3);
    EXPECT_EQ(std::string((char *)sz, 4), std::string("ab\0#", 4));
    memset(sz, '#', sizeof sz);
    _mbsnbcpy(sz, (const unsigned char *)"ab", 5);
    EXPECT_EQ(std::string((char *)sz, 6), std::string("ab\0\0\0#", 6)) << "padded with zeros";
    _setmbcp(_MB_CP_ANSI);
    memset(sz, '#', sizeof sz);
    _mbsnbcpy(sz, (const unsigned char *)"ab\x83\x41", 3);
    EXPECT_EQ(std::string((char *)sz, 4), "ab\x83#") << "single-byte: no lead bytes";
}

TEST(LayerCrt, MbsicmpFoldsSingleByteLetters)
{
    EXPECT_EQ(_mbsicmp((const unsigned char *)"KsUpdate.DLL", (const unsigned char *)"ksupdate.dll"), 0);
    EXPECT_NE(_mbsicmp((const unsigned char *)"a", (const unsigned char *)"b"), 0);
}

TEST(LayerCrt, TextModeFileStoresCrLf)
{
    CTestDir dir;
    std::string strPath = dir / "text.log";
    FILE *pFile = fopen(strPath.c_str(), "a");
    ASSERT_NE(pFile, nullptr);
    fwrite("one\ntwo", 1, 7, pFile);
    fclose(pFile);
    pFile = fopen(strPath.c_str(), "a");
    fwrite("\n", 1, 1, pFile);
    fclose(pFile);
    EXPECT_EQ(ReadFileBytes(strPath), "one\r\ntwo\r\n");
    pFile = fopen(strPath.c_str(), "r");
    ASSERT_NE(pFile, nullptr);
    char sz[32] = {0};
    size_t n = fread(sz, 1, sizeof sz - 1, pFile);
    fclose(pFile);
    EXPECT_EQ(std::string(sz, n), "one\ntwo\n");
    // Another spelling appends to the same file; "w" empties it first.
    pFile = fopen((dir / "TEXT.LOG").c_str(), "a");
    ASSERT_NE(pFile, nullptr);
    fwrite("3\n", 1, 2, pFile);
    fclose(pFile);
    EXPECT_EQ(ReadFileBytes(strPath), "one\r\ntwo\r\n3\r\n");
    pFile = fopen(strPath.c_str(), "w");
    ASSERT_NE(pFile, nullptr);
    fwrite("new\n", 1, 4, pFile);
    fclose(pFile);
    EXPECT_EQ(ReadFileBytes(strPath), "new\r\n");
}

TEST(LayerCrt, Access)
{
    CTestDir dir;
    ASSERT_TRUE(WriteFileBytes(dir / "f", "x"));
    EXPECT_EQ(_access((dir / "f").c_str(), 0), 0);
    EXPECT_EQ(_access(dir.Path().c_str(), 0), 0);
    EXPECT_EQ(_access((dir / "none").c_str(), 0), -1);
}

}  // namespace
