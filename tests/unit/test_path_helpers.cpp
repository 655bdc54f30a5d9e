#include <gtest/gtest.h>

#include <string>

#include "PathHelpers.h"
#include "TestSupport.h"

namespace {

TEST(ModulePath, DirectoryAndTitleOfTheRunningProgram)
{
    char szFull[MAX_PATH + 1] = {0};
    ASSERT_GT(GetModuleFileNameA(NULL, szFull, MAX_PATH), 0u);
    std::string strFull = szFull;
    size_t nSep = strFull.find_last_of('\\');
    ASSERT_NE(nSep, std::string::npos);

    char szDir[MAX_PATH + 1] = {0};
    char szTitle[MAX_PATH + 1] = {0};
    EXPECT_EQ(GetModuleDir(szDir, MAX_PATH), 0u);
    EXPECT_EQ(GetModuleFileTitle(szTitle, MAX_PATH), 0u);
    EXPECT_EQ(std::string(szDir), strFull.substr(0, nSep + 1));
    EXPECT_EQ(std::string(szTitle), strFull.substr(nSep + 1));
    EXPECT_EQ(std::string(szTitle), "unit_tests.exe");
}

TEST(ModulePath, PathThatDoesNotFitIsRefusedNotCut)
{
    char szSmall[8];
    memset(szSmall, 'x', sizeof szSmall);
    EXPECT_EQ(GetModuleDir(szSmall, (int)sizeof szSmall), (DWORD)ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(szSmall[0], 0);
}

TEST(PathAppendName, Joins)
{
    struct Case {
        const char *pszBase;
        const char *pszName;
        const char *pszJoined;
    } cases[] = {
        {"C:\\dir\\", "a.txt", "C:\\dir\\a.txt"},
        {"C:\\dir", "a.txt", "C:\\dir\\a.txt"},
        {"C:\\dir", "", "C:\\dir\\"},
        {"C:\\dir\\", "", "C:\\dir\\"},
        {"C:\\dir", "sub\\dir", "C:\\dir\\sub\\dir"},
        {"C:\\dir/", "a", "C:\\dir/\\a"},       // only a backslash counts
        {"C:\\dir\\", "\\a", "C:\\dir\\\\a"},   // a leading backslash stays
    };
    for (const Case &c : cases) {
        char szOut[MAX_PATH + 1] = {0};
        char szBase[MAX_PATH + 1] = {0};
        strcpy(szBase, c.pszBase);
        EXPECT_EQ(PathAppendName(szBase, c.pszName, szOut), 1) << c.pszBase;
        EXPECT_STREQ(szOut, c.pszJoined);
        EXPECT_STREQ(szBase, c.pszBase) << "the base is left unchanged";
        EXPECT_EQ(PathAppendName(szBase, c.pszName, NULL), 1);
        EXPECT_STREQ(szBase, c.pszJoined) << "in place";
    }
}

TEST(PathAppendName, EmptyBaseAppendsNothing)
{
    char szBase[MAX_PATH + 1] = {0};
    char szOut[MAX_PATH + 1] = "stale";
    EXPECT_EQ(PathAppendName(szBase, "a.txt", szOut), 0);
    EXPECT_STREQ(szOut, "");
    EXPECT_EQ(PathAppendName(szBase, "a.txt", NULL), 0);
    EXPECT_STREQ(szBase, "");
}

TEST(PathAppendName, JoinLongerThanMaxPathIsRefused)
{
    // A 250-character directory: a 10-character name fits (260), 11 does not.
    std::string strBase = "C:\\" + std::string(246, 'd') + "\\";
    ASSERT_EQ(strBase.size(), 250u);
    char szBase[MAX_PATH + 1] = {0};
    strcpy(szBase, strBase.c_str());
    // Guard bytes after the 261-byte buffer would show a write past it.
    struct {
        char szOut[MAX_PATH + 1];
        char szGuard[16];
    } out;
    memset(&out, '#', sizeof out);
    EXPECT_EQ(PathAppendName(szBase, "gdpost.ini", out.szOut), 1);
    EXPECT_EQ(strlen(out.szOut), 260u);
    memset(&out, '#', sizeof out);
    EXPECT_EQ(PathAppendName(szBase, "P_FL132.log", out.szOut), 0);
    EXPECT_STREQ(out.szOut, "");
    EXPECT_EQ(std::string(out.szGuard, sizeof out.szGuard), std::string(16, '#'));
    EXPECT_EQ(PathAppendName(szBase, "GDPX_PATCH.ini", NULL), 0);
    EXPECT_EQ(std::string(szBase), strBase) << "a refused join leaves the base as it was";
}

class MakeDirectoryPathTest : public ::testing::Test {
protected:
    bool IsDir(const std::string &str)
    {
        DWORD dw = GetFileAttributesA(str.c_str());
        return dw != INVALID_FILE_ATTRIBUTES && (dw & FILE_ATTRIBUTE_DIRECTORY);
    }
    CTestDir m_dir;
};

TEST_F(MakeDirectoryPathTest, ArgumentErrors)
{
    EXPECT_EQ(MakeDirectoryPath(NULL), 3u);
    EXPECT_EQ(MakeDirectoryPath(""), 8u);
    std::string str261 = "C:\\" + std::string(258, 'x');
    EXPECT_EQ(MakeDirectoryPath(str261.c_str()), 8u);
}

TEST_F(MakeDirectoryPathTest, CreatesEveryMissingLevel)
{
    std::string strPath = m_dir / "x\\y\\z";
    EXPECT_EQ(MakeDirectoryPath(strPath.c_str()), 0u);
    EXPECT_TRUE(IsDir(strPath));
}

TEST_F(MakeDirectoryPathTest, DoubledAndTrailingBackslashes)
{
    std::string strPath = m_dir / "a\\\\b\\";
    EXPECT_EQ(MakeDirectoryPath(strPath.c_str()), 0u);
    EXPECT_TRUE(IsDir(m_dir / "a"));
    EXPECT_TRUE(IsDir(m_dir / "a\\b"));
}

TEST_F(MakeDirectoryPathTest, ExistingPathCreatesNothingAlsoWhenItIsAFile)
{
    std::string strFile = m_dir / "file";
    ASSERT_TRUE(WriteFileBytes(strFile, "x"));
    EXPECT_EQ(MakeDirectoryPath(strFile.c_str()), 0u);
    EXPECT_FALSE(IsDir(strFile));
    EXPECT_EQ(MakeDirectoryPath(m_dir.Path().c_str()), 0u);
}

TEST_F(MakeDirectoryPathTest, AcceptsA260CharacterPath)
{
    std::string strPath = m_dir.Path();
    while (strPath.size() < 260)
        strPath += (strPath.size() % 50 == 0) ? '\\' : 'p';
    if (strPath.back() == '\\')
        strPath.back() = 'p';
    ASSERT_EQ(strPath.size(), 260u);
    DWORD dw = MakeDirectoryPath(strPath.c_str());
    // Accepted: whatever the file system answers is not the length refusal.
    EXPECT_NE(dw, 8u);
}

TEST_F(MakeDirectoryPathTest, LevelUnderAFileFailsAndKeepsTheLevelsBefore)
{
    ASSERT_TRUE(CreateDirectoryA((m_dir / "keep").c_str(), NULL));
    ASSERT_TRUE(WriteFileBytes(m_dir / "keep\\file", "x"));
    DWORD dwFail = MakeDirectoryPath((m_dir / "keep\\file\\below\\deeper").c_str());
    EXPECT_EQ(dwFail, (DWORD)ERROR_PATH_NOT_FOUND);
    EXPECT_FALSE(IsDir(m_dir / "keep\\file\\below"));
}

TEST_F(MakeDirectoryPathTest, RootOnlyCreatesNothing)
{
    EXPECT_EQ(MakeDirectoryPath("Q:\\"), 0u);
    EXPECT_EQ(MakeDirectoryPath("relative-name-only"), 0u);
    EXPECT_FALSE(IsDir("relative-name-only"));
}

TEST_F(MakeDirectoryPathTest, UncPathNeverAttemptsTheServerLevel)
{
    // The share level of an unknown server fails: its error comes back, which
    // the server level, never attempted, would not have given.
    DWORD dw = MakeDirectoryPath("\\\\no-such-server\\share\\dir");
    EXPECT_NE(dw, 0u);
    EXPECT_NE(dw, (DWORD)ERROR_ALREADY_EXISTS);
}

}  // namespace
