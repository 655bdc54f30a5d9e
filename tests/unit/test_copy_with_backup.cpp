// Copying a directory's files into another with backups and roll-back.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "CopyWithBackup.h"
#include "PatchHarness.h"
#include "TestSupport.h"
#include "Trace.h"

namespace {

class CopyWithBackupTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(CreateDirectoryA(Src().c_str(), NULL));
        ASSERT_TRUE(CreateDirectoryA(Dst().c_str(), NULL));
        ASSERT_TRUE(CreateDirectoryA(Bak().c_str(), NULL));
        SetTraceOptions(TRACE_FILE, (m_dir / "trace.log").c_str());
    }
    void TearDown() override { SetTraceOptions(TRACE_OFF, ""); }

    std::string Src() const { return m_dir / "src"; }
    std::string Dst() const { return m_dir / "dst"; }
    std::string Bak() const { return m_dir / "bak"; }
    std::string Pattern() const { return Src() + "\\*.*"; }
    std::vector<std::string> Texts() const
    {
        std::vector<std::string> texts;
        for (const TraceRecord &record : ParseTraceLog(ReadFileBytes(m_dir / "trace.log")))
            texts.push_back(record.strText);
        return texts;
    }
    void Put(const std::string &strDir, const std::string &strName, const std::string &strBytes)
    {
        ASSERT_TRUE(WriteFileBytes(strDir + "\\" + strName, strBytes));
    }
    std::string Get(const std::string &strDir, const std::string &strName) const
    {
        std::string strPath = strDir + "\\" + strName;
        return FileExists(strPath) ? ReadFileBytes(strPath) : "<absent>";
    }

    CTestDir m_dir;
};

TEST_F(CopyWithBackupTest, ReplacedFilesGoToTheBackupAndNewOnesAreCopiedPlainly)
{
    Put(Src(), "KsUpdate.dll", "new dll");
    Put(Src(), "readme.txt", "new readme");
    Put(Dst(), "KsUpdate.dll", "old dll");
    Put(Bak(), "KsUpdate.dll", "older backup");
    EXPECT_EQ(MyCopyFiles(Pattern().c_str(), Dst().c_str(), Bak().c_str()), 0u);
    EXPECT_EQ(Get(Dst(), "KsUpdate.dll"), "new dll");
    EXPECT_EQ(Get(Dst(), "readme.txt"), "new readme");
    EXPECT_EQ(Get(Bak(), "KsUpdate.dll"), "old dll") << "the older backup is replaced";
    EXPECT_EQ(Get(Bak(), "readme.txt"), "<absent>") << "no previous version, no backup";
    std::vector<std::string> texts = Texts();
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts[0], "==>MyCopyFiles() pszFileName = " + Pattern() + ", pszNewFilePath = " + Dst() +
                            ", pszBackupPath = " + Bak() + "\r\n");
}

TEST_F(CopyWithBackupTest, DestinationAlreadyNewKeepsTheBackupOfThePreviousVersion)
{
    // What a run that ended after this file's copy leaves: the new file in
    // place and the previous version only in the backup.
    Put(Src(), "KsUpdate.dll", "new dll");
    Put(Dst(), "KsUpdate.dll", "new dll");
    Put(Bak(), "KsUpdate.dll", "previous dll");
    EXPECT_EQ(MyCopyFiles(Pattern().c_str(), Dst().c_str(), Bak().c_str()), 0u);
    EXPECT_EQ(Get(Dst(), "KsUpdate.dll"), "new dll");
    EXPECT_EQ(Get(Bak(), "KsUpdate.dll"), "previous dll");
}

TEST_F(CopyWithBackupTest, WithoutBackupDirectoryTheDestinationIsOverwritten)
{
    Put(Src(), "a.bin", "new");
    Put(Dst(), "a.bin", "old");
    EXPECT_EQ(MyCopyFiles(Pattern().c_str(), Dst().c_str(), NULL), 0u);
    EXPECT_EQ(Get(Dst(), "a.bin"), "new");
    std::vector<std::string> texts = Texts();
    ASSERT_EQ(texts.size(), 5u);  // entry, ".", "..", "a.bin", copied
    EXPECT_NE(texts[0].find("pszBackupPath = NULL\r\n"), std::string::npos);
    EXPECT_EQ(std::count(texts.begin(), texts.end(),
                         "Copy " + Src() + "\\a.bin to " + Dst() + "\\a.bin ok.\r\n"),
              1);
}

TEST_F(CopyWithBackupTest, DotsAndPlainDirectoriesAreSkippedAfterTheirTrace)
{
    ASSERT_TRUE(CreateDirectoryA((Src() + "\\sub").c_str(), NULL));
    ASSERT_TRUE(SetFileAttributesA((Src() + "\\sub").c_str(), FILE_ATTRIBUTE_DIRECTORY) ||
                GetFileAttributesA((Src() + "\\sub").c_str()) == FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(MyCopyFiles(Pattern().c_str(), Dst().c_str(), Bak().c_str()), 0u);
    std::vector<std::string> texts = Texts();
    std::vector<std::string> names;
    for (const std::string &str : texts)
        if (str.rfind("szFileName = ", 0) == 0)
            names.push_back(str);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"szFileName = .\r\n", "szFileName = ..\r\n",
                                               "szFileName = sub\r\n"}));
    EXPECT_EQ(Get(Dst(), "sub"), "<absent>");
}

TEST_F(CopyWithBackupTest, ADirectoryWithFurtherAttributeBitsGoesThroughTheCopy)
{
    std::string strSub = Src() + "\\archived";
    ASSERT_TRUE(CreateDirectoryA(strSub.c_str(), NULL));
    SetFileAttributesA(strSub.c_str(), FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_ARCHIVE);
    if (GetFileAttributesA(strSub.c_str()) != (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_ARCHIVE))
        GTEST_SKIP() << "this file system keeps no archive bit on directories";
    DWORD dwResult = MyCopyFiles(Pattern().c_str(), Dst().c_str(), Bak().c_str());
    // Not skipped: copying a directory as a file fails, with the copy's code.
    EXPECT_NE(dwResult, 0u);
    bool bCopyTraced = false;
    for (const std::string &str : Texts())
        bCopyTraced = bCopyTraced || str.rfind("CopyFile error = ", 0) == 0;
    EXPECT_TRUE(bCopyTraced);
}

TEST_F(CopyWithBackupTest, SearchFailuresAreReturnedAsCodes)
{
    struct Case {
        std::string strPattern;
        DWORD dwResult;
    } cases[] = {
        {m_dir / "missing\\*.*", ERROR_PATH_NOT_FOUND},
        {Src() + "\\*.nothing", ERROR_FILE_NOT_FOUND},
    };
    for (const Case &c : cases)
        EXPECT_EQ(MyCopyFiles(c.strPattern.c_str(), Dst().c_str(), Bak().c_str()), c.dwResult)
            << c.strPattern;
    EXPECT_EQ(MyCopyFiles(NULL, NULL, NULL), 2u);
    EXPECT_EQ(MyCopyFiles(Pattern().c_str(), NULL, NULL), 3u);
}

TEST_F(CopyWithBackupTest, FailedCopyOfTheSecondFileIsRolledBackAndStopsTheCopy)
{
    // Three files; the copy of the second fails because its source is held
    // open without sharing after its destination was moved to the backup.
    const char *apszNames[] = {"1.dat", "2.dat", "3.dat"};
    for (const char *pszName : apszNames) {
        Put(Src(), pszName, std::string("new ") + pszName);
        Put(Dst(), pszName, std::string("old ") + pszName);
    }
    // Which file the search returns second is the search's own order.
    WIN32_FIND_DATAA data;
    HANDLE hFind = FindFirstFileA(Pattern().c_str(), &data);
    ASSERT_NE(hFind, INVALID_HANDLE_VALUE);
    std::vector<std::string> order;
    do
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            order.push_back(data.cFileName);
    while (FindNextFileA(hFind, &data));
    FindClose(hFind);
    ASSERT_EQ(order.size(), 3u);

    HANDLE hHeld = CreateFileA((Src() + "\\" + order[1]).c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, NULL);
    ASSERT_NE(hHeld, INVALID_HANDLE_VALUE);
    DWORD dwResult = MyCopyFiles(Pattern().c_str(), Dst().c_str(), Bak().c_str());
    CloseHandle(hHeld);

    EXPECT_EQ(dwResult, (DWORD)ERROR_SHARING_VIOLATION);
    EXPECT_EQ(Get(Dst(), order[0]), "new " + order[0]);
    EXPECT_EQ(Get(Bak(), order[0]), "old " + order[0]);
    EXPECT_EQ(Get(Dst(), order[1]), "old " + order[1]) << "rolled back";
    EXPECT_EQ(Get(Bak(), order[1]), "<absent>");
    EXPECT_EQ(Get(Dst(), order[2]), "old " + order[2]) << "not touched";
    EXPECT_EQ(Get(Bak(), order[2]), "<absent>");
}

TEST_F(CopyWithBackupTest, DestinationHeldOpenIsNotMovedAndStopsTheCopy)
{
    Put(Src(), "held.dll", "new");
    Put(Dst(), "held.dll", "old");
    HANDLE hHeld = CreateFileA((Dst() + "\\held.dll").c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, NULL);
    ASSERT_NE(hHeld, INVALID_HANDLE_VALUE);
    DWORD dwResult = MyCopyFiles(Pattern().c_str(), Dst().c_str(), Bak().c_str());
    CloseHandle(hHeld);
    EXPECT_EQ(dwResult, (DWORD)ERROR_SHARING_VIOLATION);
    EXPECT_EQ(Get(Dst(), "held.dll"), "old");
    EXPECT_EQ(Get(Bak(), "held.dll"), "<absent>");
    bool bMoveTraced = false;
    for (const std::string &str : Texts())
        bMoveTraced = bMoveTraced || str.rfind("MoveFile error = 32, szDest = ", 0) == 0;
    EXPECT_TRUE(bMoveTraced);
}

}  // namespace
