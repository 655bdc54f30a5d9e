// File handles, attributes and moves as Windows has them; runs on both targets.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "test_fileio_probes.h"

namespace {

HANDLE Open(const std::string &strPath, DWORD dwAccess, DWORD dwDisposition, DWORD dwShare = 0,
            DWORD dwAttributes = FILE_ATTRIBUTE_NORMAL)
{
    return CreateFileA(strPath.c_str(), dwAccess, dwShare, NULL, dwDisposition, dwAttributes, NULL);
}

}  // namespace

TEST(LayerFileIo, CreationDispositionsOnMissingAndExistingFiles)
{
    CTestDir dir;
    struct Case {
        DWORD dwDisposition;
        bool bExists;
        DWORD dwError;      // of a failure, or GetLastError after success
        bool bOpens;
        const char *pszAfter;  // contents afterwards
    } cases[] = {
        {CREATE_NEW, false, 0, true, ""},
        {CREATE_NEW, true, ERROR_FILE_EXISTS, false, "old"},
        {CREATE_ALWAYS, false, 0, true, ""},
        {CREATE_ALWAYS, true, ERROR_ALREADY_EXISTS, true, ""},
        {OPEN_EXISTING, false, ERROR_FILE_NOT_FOUND, false, nullptr},
        {OPEN_EXISTING, true, 0, true, "old"},
        {OPEN_ALWAYS, false, 0, true, ""},
        {OPEN_ALWAYS, true, ERROR_ALREADY_EXISTS, true, "old"},
        {TRUNCATE_EXISTING, false, ERROR_FILE_NOT_FOUND, false, nullptr},
        {TRUNCATE_EXISTING, true, 0, true, ""},
    };
    int n = 0;
    for (const Case &c : cases) {
        std::string strPath = dir / ("f" + std::to_string(n++));
        if (c.bExists) {
            ASSERT_TRUE(WriteFileBytes(strPath, "old"));
        }
        SetLastError(12345);
        HANDLE h = Open(strPath, GENERIC_READ | GENERIC_WRITE, c.dwDisposition);
        DWORD dwError = GetLastError();
        EXPECT_EQ(c.bOpens, h != INVALID_HANDLE_VALUE) << "disposition " << c.dwDisposition;
        EXPECT_EQ(c.dwError, dwError) << "disposition " << c.dwDisposition << " exists " << c.bExists;
        if (h != INVALID_HANDLE_VALUE)
            CloseHandle(h);
        if (c.pszAfter) {
            EXPECT_EQ(c.pszAfter, ReadFileBytes(strPath)) << "disposition " << c.dwDisposition;
        } else {
            EXPECT_FALSE(FileExists(strPath));
        }
    }
}

TEST(LayerFileIo, OpenFailuresCarryTheWindowsCodes)
{
    CTestDir dir;
    ASSERT_TRUE(CreateTree(dir / "sub"));
    ASSERT_TRUE(WriteFileBytes(dir / "ro.txt", "x"));
    ASSERT_TRUE(SetFileAttributesA((dir / "ro.txt").c_str(), FILE_ATTRIBUTE_READONLY));
    bool bReadOnly = CAttributeProbes::Get().bReadOnlyEnforced;
    struct Case {
        std::string strPath;
        DWORD dwAccess;
        DWORD dwDisposition;
        DWORD dwError;
        bool bChecked = true;
    } cases[] = {
        {dir / "missing\\f.txt", GENERIC_WRITE, CREATE_ALWAYS, ERROR_PATH_NOT_FOUND},
        {dir / "sub", GENERIC_READ, OPEN_EXISTING, ERROR_ACCESS_DENIED},
        {dir / "ro.txt", GENERIC_WRITE, OPEN_EXISTING, ERROR_ACCESS_DENIED, bReadOnly},
        {dir / "ro.txt", GENERIC_WRITE, CREATE_ALWAYS, ERROR_ACCESS_DENIED, bReadOnly},
        {dir / "a*b", GENERIC_WRITE, CREATE_ALWAYS, ERROR_INVALID_NAME},
        {dir / "a?b", GENERIC_WRITE, CREATE_ALWAYS, ERROR_INVALID_NAME},
        {dir / "a<b", GENERIC_WRITE, CREATE_ALWAYS, ERROR_INVALID_NAME},
        {dir / "f.txt", GENERIC_READ, 0, ERROR_INVALID_PARAMETER},
        {dir / "f.txt", GENERIC_READ, 6, ERROR_INVALID_PARAMETER},
        {"", GENERIC_READ, OPEN_EXISTING, ERROR_PATH_NOT_FOUND},
    };
    for (const Case &c : cases) {
        if (!c.bChecked)
            continue;
        HANDLE h = Open(c.strPath, c.dwAccess, c.dwDisposition);
        DWORD dwError = GetLastError();
        EXPECT_EQ(INVALID_HANDLE_VALUE, h) << c.strPath;
        EXPECT_EQ(c.dwError, dwError) << c.strPath << " disposition " << c.dwDisposition;
        if (h != INVALID_HANDLE_VALUE)
            CloseHandle(h);
    }
    EXPECT_EQ("x", ReadFileBytes(dir / "ro.txt"));  // never emptied
    SetFileAttributesA((dir / "ro.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(LayerFileIo, ReadWriteAndThirtyTwoBitPositions)
{
    CTestDir dir;
    std::string strPath = dir / "data.bin";
    HANDLE h = Open(strPath, GENERIC_READ | GENERIC_WRITE, CREATE_ALWAYS);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    DWORD dwDone = 99;
    EXPECT_TRUE(WriteFile(h, "0123456789", 10, &dwDone, NULL));
    EXPECT_EQ(10u, dwDone);
    EXPECT_TRUE(WriteFile(h, "", 0, &dwDone, NULL));
    EXPECT_EQ(0u, dwDone);
    EXPECT_EQ(10u, GetFileSize(h, NULL));

    struct Case {
        LONG lDistance;
        DWORD dwMethod;
        DWORD dwResult;
        DWORD dwError;  // for a failure
    } cases[] = {
        {3, FILE_BEGIN, 3, 0},
        {2, FILE_CURRENT, 5, 0},
        {-4, FILE_END, 6, 0},
        {0, FILE_END, 10, 0},
        {20, FILE_END, 30, 0},  // past the end is allowed
        {-11, FILE_END, INVALID_SET_FILE_POINTER, ERROR_NEGATIVE_SEEK},
        {-1, FILE_BEGIN, INVALID_SET_FILE_POINTER, ERROR_NEGATIVE_SEEK},
        {(LONG)0x80000000, FILE_BEGIN, INVALID_SET_FILE_POINTER, ERROR_NEGATIVE_SEEK},
    };
    for (const Case &c : cases) {
        SetFilePointer(h, 6, NULL, FILE_BEGIN);  // a known start for FILE_CURRENT
        if (c.dwMethod == FILE_CURRENT)
            SetFilePointer(h, 3, NULL, FILE_BEGIN);
        SetLastError(0);
        DWORD dwResult = SetFilePointer(h, c.lDistance, NULL, c.dwMethod);
        EXPECT_EQ(c.dwResult, dwResult) << c.lDistance << " from " << c.dwMethod;
        if (dwResult == INVALID_SET_FILE_POINTER) {
            EXPECT_EQ(c.dwError, GetLastError()) << c.lDistance << " from " << c.dwMethod;
        }
    }
    // A failed seek leaves the position where it was.
    SetFilePointer(h, 4, NULL, FILE_BEGIN);
    EXPECT_EQ(INVALID_SET_FILE_POINTER, SetFilePointer(h, -5, NULL, FILE_CURRENT));
    char buf[16] = {0};
    EXPECT_TRUE(ReadFile(h, buf, 4, &dwDone, NULL));
    EXPECT_EQ(4u, dwDone);
    EXPECT_STREQ("4567", buf);
    // A read that crosses the end returns what is there; at the end, 0 bytes.
    EXPECT_TRUE(ReadFile(h, buf, sizeof buf, &dwDone, NULL));
    EXPECT_EQ(2u, dwDone);
    EXPECT_TRUE(ReadFile(h, buf, sizeof buf, &dwDone, NULL));
    EXPECT_EQ(0u, dwDone);
    CloseHandle(h);
}

// Small reads and seeks of a reader that lets nobody write, in every
// direction and across many blocks, give the file's bytes at each position.
TEST(LayerFileIo, SmallReadsAndSeeksOfAReaderThatSharesNoWriting)
{
    CTestDir dir;
    std::string strPath = dir / "big.bin";
    std::string strData;
    for (int i = 0; i < 200000; ++i)
        strData += (char)('a' + (i * 7 + i / 26) % 26);
    ASSERT_TRUE(WriteFileBytes(strPath, strData));
    HANDLE h = Open(strPath, GENERIC_READ, OPEN_EXISTING, FILE_SHARE_READ);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    struct Step {
        LONG lMove;  // then read 1000 bytes (fewer at the end)
        DWORD dwMethod;
        DWORD dwAt;  // the position after the move
    } steps[] = {
        {0, FILE_CURRENT, 0},         {0, FILE_CURRENT, 1000},     {-1500, FILE_CURRENT, 500},
        {100, FILE_BEGIN, 100},       {70000, FILE_BEGIN, 70000},  {-69000, FILE_CURRENT, 2000},
        {-600, FILE_END, 199400},     {0, FILE_CURRENT, 200000},   {131072, FILE_BEGIN, 131072},
        {65535, FILE_BEGIN, 65535},   {0, FILE_CURRENT, 66535},
    };
    for (const Step &step : steps) {
        EXPECT_EQ(step.dwAt, SetFilePointer(h, step.lMove, NULL, step.dwMethod)) << step.lMove;
        char buf[1000];
        DWORD dwDone = 0;
        ASSERT_TRUE(ReadFile(h, buf, sizeof buf, &dwDone, NULL));
        size_t nExpected = std::min<size_t>(1000, strData.size() - step.dwAt);
        ASSERT_EQ(nExpected, dwDone) << "at " << step.dwAt;
        EXPECT_EQ(strData.substr(step.dwAt, nExpected), std::string(buf, dwDone)) << "at " << step.dwAt;
    }
    // One large read after the small ones continues where they stopped.
    SetFilePointer(h, 10, NULL, FILE_BEGIN);
    char small[10];
    DWORD dwDone = 0;
    ASSERT_TRUE(ReadFile(h, small, sizeof small, &dwDone, NULL));
    std::vector<char> large(100000);
    ASSERT_TRUE(ReadFile(h, large.data(), (DWORD)large.size(), &dwDone, NULL));
    ASSERT_EQ(100000u, dwDone);
    EXPECT_EQ(strData.substr(20, 100000), std::string(large.data(), dwDone));
    EXPECT_EQ(100020u, SetFilePointer(h, 0, NULL, FILE_CURRENT));
    CloseHandle(h);
}

// A reader that shares writing sees what a writer changed after its own
// last read.
TEST(LayerFileIo, AReaderThatSharesWritingSeesNewBytes)
{
    CTestDir dir;
    std::string strPath = dir / "shared.bin";
    ASSERT_TRUE(WriteFileBytes(strPath, std::string(4000, 'o')));
    HANDLE hRead = Open(strPath, GENERIC_READ, OPEN_EXISTING, FILE_SHARE_READ | FILE_SHARE_WRITE);
    ASSERT_NE(INVALID_HANDLE_VALUE, hRead);
    HANDLE hWrite = Open(strPath, GENERIC_WRITE, OPEN_EXISTING, FILE_SHARE_READ | FILE_SHARE_WRITE);
    ASSERT_NE(INVALID_HANDLE_VALUE, hWrite);
    char buf[10];
    DWORD dwDone = 0;
    ASSERT_TRUE(ReadFile(hRead, buf, sizeof buf, &dwDone, NULL));
    SetFilePointer(hWrite, 10, NULL, FILE_BEGIN);
    ASSERT_TRUE(WriteFile(hWrite, "NEWNEWNEW!", 10, &dwDone, NULL));
    ASSERT_TRUE(ReadFile(hRead, buf, sizeof buf, &dwDone, NULL));
    EXPECT_EQ("NEWNEWNEW!", std::string(buf, dwDone));
    CloseHandle(hWrite);
    CloseHandle(hRead);
}

// Entries that another process makes, renames and removes are found, under
// any spelling, by the very next call here.
TEST(LayerFileIo, NamesAnotherProcessChangesAreSeenAtOnce)
{
    CTestDir dir;
    std::string strHelper = ProgramDir() + "test_fileio_helper.exe";
    auto run = [&](const std::string &strArgs) {
        CChildProcess child;
        DWORD dwCode = 99;
        bool bRan = child.Start(strHelper, Quote(strHelper) + " " + strArgs) && child.Wait(30000, &dwCode);
        return bRan ? dwCode : 99u;
    };
    ASSERT_TRUE(WriteFileBytes(dir / "Alpha.txt", "a"));
    EXPECT_TRUE(FileExists(dir / "ALPHA.TXT"));
    EXPECT_FALSE(FileExists(dir / "GAMMA.TXT"));  // a look at the whole directory
    ASSERT_EQ(0u, run("create " + Quote(dir / "Gamma.txt")));
    EXPECT_TRUE(FileExists(dir / "gamma.TXT"));
    ASSERT_EQ(0u, run("move " + Quote(dir / "Alpha.txt") + " " + Quote(dir / "Beta.txt")));
    EXPECT_FALSE(FileExists(dir / "alpha.txt"));
    EXPECT_TRUE(FileExists(dir / "BETA.txt"));
    // This process's own changes, many in one directory.
    for (int i = 0; i < 300; ++i)
        ASSERT_TRUE(WriteFileBytes(dir / ("Many" + std::to_string(i) + ".txt"), "m"));
    for (int i = 0; i < 300; i += 2)
        ASSERT_TRUE(DeleteFileA((dir / ("MANY" + std::to_string(i) + ".TXT")).c_str()));
    for (int i = 0; i < 300; ++i)
        EXPECT_EQ(i % 2 == 1, FileExists(dir / ("many" + std::to_string(i) + ".TXT"))) << i;
}

// Replacing a file that keeps its hidden or system attribute, or has
// neither, leaves it with those and ARCHIVE. (Adding attributes on a
// replacement is left out: Wine does not add them.)
TEST(LayerFileIo, ReplacedFileTakesTheAttributesAskedFor)
{
    CTestDir dir;
    bool bNormalKept = CAttributeProbes::Get().bNormalKept;
    struct Case {
        DWORD dwBefore;
        DWORD dwAsked;
        DWORD dwAfter;
        bool bChecked;
    } cases[] = {
        {FILE_ATTRIBUTE_NORMAL, FILE_ATTRIBUTE_NORMAL, FILE_ATTRIBUTE_ARCHIVE, bNormalKept},
        {FILE_ATTRIBUTE_ARCHIVE, FILE_ATTRIBUTE_NORMAL, FILE_ATTRIBUTE_ARCHIVE, true},
        {FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE, true},
        {FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE, FILE_ATTRIBUTE_HIDDEN,
         FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE, true},
    };
    int nCase = 0;
    for (const Case &c : cases) {
        std::string strPath = dir / ("f" + std::to_string(nCase++));
        ASSERT_TRUE(WriteFileBytes(strPath, "old"));
        ASSERT_TRUE(SetFileAttributesA(strPath.c_str(), c.dwBefore));
        HANDLE h = Open(strPath, GENERIC_WRITE, CREATE_ALWAYS, 0, c.dwAsked);
        ASSERT_NE(INVALID_HANDLE_VALUE, h) << std::hex << c.dwBefore << " " << c.dwAsked;
        CloseHandle(h);
        if (c.bChecked)
            EXPECT_EQ(c.dwAfter, GetFileAttributesA(strPath.c_str())) << std::hex << c.dwBefore << " "
                                                                       << c.dwAsked;
        SetFileAttributesA(strPath.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
}

TEST(LayerFileIo, AccessTheHandleWasNotOpenedForIsDenied)
{
    CTestDir dir;
    std::string strPath = dir / "f.txt";
    ASSERT_TRUE(WriteFileBytes(strPath, "abc"));
    char buf[4];
    DWORD dwDone = 0;
    HANDLE hRead = Open(strPath, GENERIC_READ, OPEN_EXISTING, FILE_SHARE_READ | FILE_SHARE_WRITE);
    ASSERT_NE(INVALID_HANDLE_VALUE, hRead);
    EXPECT_FALSE(WriteFile(hRead, "x", 1, &dwDone, NULL));
    EXPECT_EQ((DWORD)ERROR_ACCESS_DENIED, GetLastError());
    HANDLE hWrite = Open(strPath, GENERIC_WRITE, OPEN_EXISTING, FILE_SHARE_READ | FILE_SHARE_WRITE);
    ASSERT_NE(INVALID_HANDLE_VALUE, hWrite);
    EXPECT_FALSE(ReadFile(hWrite, buf, 1, &dwDone, NULL));
    EXPECT_EQ((DWORD)ERROR_ACCESS_DENIED, GetLastError());
    CloseHandle(hRead);
    CloseHandle(hWrite);
    EXPECT_FALSE(ReadFile(hRead, buf, 1, &dwDone, NULL));
    EXPECT_EQ((DWORD)ERROR_INVALID_HANDLE, GetLastError());
}

TEST(LayerFileIo, AttributesAsWindowsReportsThem)
{
    CTestDir dir;
    std::string strFile = dir / "f.txt", strDir = dir / "d";
    ASSERT_TRUE(WriteFileBytes(strFile, "x"));
    ASSERT_TRUE(CreateDirectoryA(strDir.c_str(), NULL));
    EXPECT_EQ((DWORD)FILE_ATTRIBUTE_ARCHIVE, GetFileAttributesA(strFile.c_str()));
    EXPECT_EQ((DWORD)FILE_ATTRIBUTE_DIRECTORY, GetFileAttributesA(strDir.c_str()));
    const CAttributeProbes &probes = CAttributeProbes::Get();
    bool bFileKept = probes.bNormalKept, bDirKept = probes.bDirectoryArchiveKept;
    struct Case {
        bool bDirectory;
        DWORD dwSet;
        DWORD dwGot;
        bool bChecked;
    } cases[] = {
        {false, FILE_ATTRIBUTE_NORMAL, FILE_ATTRIBUTE_NORMAL, bFileKept},
        {false, 0, FILE_ATTRIBUTE_NORMAL, bFileKept},
        {false, FILE_ATTRIBUTE_READONLY, FILE_ATTRIBUTE_READONLY, bFileKept},
        {false, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE,
         FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE, true},
        {false, FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_HIDDEN, bFileKept},
        {false, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE,
         FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE, true},
        {false, FILE_ATTRIBUTE_ARCHIVE, FILE_ATTRIBUTE_ARCHIVE, true},
        {true, 0x30, 0x30, bDirKept},
        {true, FILE_ATTRIBUTE_ARCHIVE, 0x30, bDirKept},
        {true, FILE_ATTRIBUTE_NORMAL, FILE_ATTRIBUTE_DIRECTORY, true},
        {true, FILE_ATTRIBUTE_READONLY, FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY, bDirKept},
    };
    for (const Case &c : cases) {
        if (!c.bChecked)
            continue;
        const std::string &strPath = c.bDirectory ? strDir : strFile;
        EXPECT_TRUE(SetFileAttributesA(strPath.c_str(), c.dwSet));
        EXPECT_EQ(c.dwGot, GetFileAttributesA(strPath.c_str())) << std::hex << c.dwSet;
    }
    // A read-only directory still takes new files.
    EXPECT_TRUE(WriteFileBytes(strDir + "\\new.txt", "n"));
    SetFileAttributesA(strDir.c_str(), FILE_ATTRIBUTE_NORMAL);
    SetFileAttributesA(strFile.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_FALSE(SetFileAttributesA((dir / "missing").c_str(), FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ((DWORD)ERROR_FILE_NOT_FOUND, GetLastError());
}

TEST(LayerFileIo, MoveFileKeepsOrReplacesTheTarget)
{
    CTestDir dir;
    struct Case {
        const char *pszName;
        bool bTargetExists;
        bool bReplace;
        bool bMoves;
        DWORD dwError;
    } cases[] = {
        {"plain", false, false, true, 0},
        {"kept", true, false, false, ERROR_ALREADY_EXISTS},
        {"replaced", true, true, true, 0},
        {"new with flag", false, true, true, 0},
    };
    for (const Case &c : cases) {
        std::string strSrc = dir / (std::string(c.pszName) + ".src");
        std::string strDst = dir / (std::string(c.pszName) + ".dst");
        ASSERT_TRUE(WriteFileBytes(strSrc, "new"));
        if (c.bTargetExists) {
            ASSERT_TRUE(WriteFileBytes(strDst, "old"));
        }
        BOOL bOk = c.bReplace ? MoveFileExA(strSrc.c_str(), strDst.c_str(), MOVEFILE_REPLACE_EXISTING)
                              : MoveFileA(strSrc.c_str(), strDst.c_str());
        DWORD dwError = GetLastError();
        EXPECT_EQ(c.bMoves, bOk != 0) << c.pszName;
        if (!bOk) {
            EXPECT_EQ(c.dwError, dwError) << c.pszName;
        }
        EXPECT_EQ(c.bMoves ? "new" : "old", ReadFileBytes(strDst)) << c.pszName;
        EXPECT_EQ(!c.bMoves, FileExists(strSrc)) << c.pszName;
    }
}

TEST(LayerFileIo, MoveFileFailures)
{
    CTestDir dir;
    ASSERT_TRUE(WriteFileBytes(dir / "a.txt", "a"));
    ASSERT_TRUE(WriteFileBytes(dir / "ro.txt", "r"));
    ASSERT_TRUE(CreateTree(dir / "sub"));
    ASSERT_TRUE(SetFileAttributesA((dir / "ro.txt").c_str(), FILE_ATTRIBUTE_READONLY));
    struct Case {
        std::string strSrc, strDst;
        DWORD dwFlags;
        DWORD dwError;
        bool bChecked = true;
    } cases[] = {
        {dir / "missing.txt", dir / "b.txt", 0, ERROR_FILE_NOT_FOUND},
        {dir / "nodir\\x.txt", dir / "b.txt", 0, ERROR_PATH_NOT_FOUND},
        {dir / "a.txt", dir / "nodir\\b.txt", 0, ERROR_PATH_NOT_FOUND},
        {dir / "a.txt", dir / "sub", MOVEFILE_REPLACE_EXISTING, ERROR_ACCESS_DENIED},
        {dir / "a.txt", dir / "ro.txt", MOVEFILE_REPLACE_EXISTING, ERROR_ACCESS_DENIED,
         CAttributeProbes::Get().bReadOnlyEnforced},
    };
    for (const Case &c : cases) {
        if (!c.bChecked)
            continue;
        EXPECT_FALSE(MoveFileExA(c.strSrc.c_str(), c.strDst.c_str(), c.dwFlags)) << c.strSrc;
        EXPECT_EQ(c.dwError, GetLastError()) << c.strSrc << " -> " << c.strDst;
    }
    EXPECT_EQ("a", ReadFileBytes(dir / "a.txt"));
    EXPECT_EQ("r", ReadFileBytes(dir / "ro.txt"));
    SetFileAttributesA((dir / "ro.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
    // A directory moves too; a move onto the same file under another letter
    // case succeeds and keeps the file.
    EXPECT_TRUE(MoveFileA((dir / "sub").c_str(), (dir / "moved").c_str()));
    EXPECT_EQ((DWORD)FILE_ATTRIBUTE_DIRECTORY, GetFileAttributesA((dir / "moved").c_str()));
    EXPECT_TRUE(MoveFileA((dir / "a.txt").c_str(), (dir / "A.TXT").c_str()));
    EXPECT_EQ("a", ReadFileBytes(dir / "a.txt"));
}
