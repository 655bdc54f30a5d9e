// The file, find and handle wrappers: results and the codes they throw.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "WinFile.h"
#include "WinFileException.h"
#include "WinFileFind.h"
#include "WinHandle.h"

namespace {

// The code a call throws, or 0 when it returns.
template <typename F>
DWORD CodeOf(F f)
{
    try {
        f();
    } catch (CWinFileException &e) {
        return e.GetErrorCode();
    }
    return 0;
}

CWinFile *OpenForReading(const char *pszPath)
{
    return new CWinFile(pszPath, GENERIC_READ, OPEN_EXISTING, FILE_SHARE_READ,
                        FILE_ATTRIBUTE_NORMAL, NULL, NULL);
}

}  // namespace

TEST(WinFile, ReadsWritesAndSeeks)
{
    CTestDir dir;
    std::string strPath = dir / "f.bin";
    {
        CWinFile file(strPath.c_str(), GENERIC_WRITE, CREATE_ALWAYS, 0, FILE_ATTRIBUTE_NORMAL, NULL,
                      NULL);
        file.Write("hello world", 11, NULL);
        file.Write("", 0, NULL);  // no bytes is no error
    }  // the destructor closes
    CWinFile file(strPath.c_str(), GENERIC_READ, OPEN_EXISTING, FILE_SHARE_READ,
                  FILE_ATTRIBUTE_NORMAL, NULL, NULL);
    char buf[16] = {0};
    file.Seek(-5, FILE_END);
    EXPECT_EQ(5u, file.Read(buf, sizeof buf, NULL));
    EXPECT_STREQ("world", buf);
    EXPECT_EQ(0u, file.Read(buf, sizeof buf, NULL));  // the end is no error
    EXPECT_EQ((DWORD)ERROR_NEGATIVE_SEEK, CodeOf([&] { file.Seek(-12, FILE_END); }));
    file.Seek(0, FILE_BEGIN);  // still open after the failed seek
    EXPECT_EQ(11u, file.Read(buf, sizeof buf, NULL));
}

TEST(WinFile, OperationsOnAClosedFileThrowMinusOne)
{
    CTestDir dir;
    std::string strPath = dir / "f.bin";
    ASSERT_TRUE(WriteFileBytes(strPath, "abc"));
    char buf[4];
    CWinFile file(strPath.c_str(), GENERIC_READ, OPEN_EXISTING, FILE_SHARE_READ,
                  FILE_ATTRIBUTE_NORMAL, NULL, NULL);
    file.Close();
    file.Close();  // twice does nothing
    EXPECT_EQ(0xFFFFFFFFu, CodeOf([&] { file.Read(buf, 1, NULL); }));
    EXPECT_EQ(0xFFFFFFFFu, CodeOf([&] { file.Write("x", 1, NULL); }));
    EXPECT_EQ(0xFFFFFFFFu, CodeOf([&] { file.Seek(0, FILE_BEGIN); }));
    // A later open that fails leaves the object closed as well.
    EXPECT_EQ((DWORD)ERROR_FILE_NOT_FOUND,
              CodeOf([&] {
                  file.Open((dir / "missing").c_str(), GENERIC_READ, OPEN_EXISTING,
                            FILE_SHARE_READ, FILE_ATTRIBUTE_NORMAL, NULL, NULL);
              }));
    EXPECT_EQ(0xFFFFFFFFu, CodeOf([&] { file.Read(buf, 1, NULL); }));
}

TEST(WinFile, OpenFailures)
{
    CTestDir dir;
    std::string strPath = dir / "f.bin";
    ASSERT_TRUE(WriteFileBytes(strPath, "abc"));
    EXPECT_EQ((DWORD)ERROR_INVALID_PARAMETER, CodeOf([&] { delete OpenForReading(nullptr); }));
    EXPECT_EQ((DWORD)ERROR_FILE_NOT_FOUND, CodeOf([&] { delete OpenForReading((dir / "none").c_str()); }));
    EXPECT_EQ((DWORD)ERROR_PATH_NOT_FOUND, CodeOf([&] { delete OpenForReading((dir / "no\\f").c_str()); }));
    // A null name leaves the open file open.
    CWinFile file(strPath.c_str(), GENERIC_READ, OPEN_EXISTING, FILE_SHARE_READ,
                  FILE_ATTRIBUTE_NORMAL, NULL, NULL);
    EXPECT_EQ((DWORD)ERROR_INVALID_PARAMETER,
              CodeOf([&] {
                  file.Open(nullptr, GENERIC_READ, OPEN_EXISTING, FILE_SHARE_READ,
                            FILE_ATTRIBUTE_NORMAL, NULL, NULL);
              }));
    char buf[4] = {0};
    EXPECT_EQ(3u, file.Read(buf, 3, NULL));
    // Writing through a handle opened for reading carries the system's code.
    EXPECT_EQ((DWORD)ERROR_ACCESS_DENIED, CodeOf([&] { file.Write("x", 1, NULL); }));
}

TEST(WinFileFind, EnumeratesAndEnds)
{
    CTestDir dir;
    ASSERT_TRUE(WriteFileBytes(dir / "only.txt", "x"));
    CWinFileFind find;
    EXPECT_EQ(1, find.FindFirst((dir / "*.txt").c_str()));
    EXPECT_STREQ("only.txt", find.m_FindData.cFileName);
    EXPECT_EQ(0, find.FindNext());
    EXPECT_STREQ("", find.m_FindData.cFileName);
    EXPECT_EQ(0u, find.m_FindData.dwFileAttributes);
    EXPECT_EQ(0, find.FindNext());  // exhausted, still open
    find.Close();
    EXPECT_EQ((DWORD)ERROR_INVALID_HANDLE, CodeOf([&] { find.Close(); }));
}

TEST(WinFileFind, IdleSearchAndFailedStartsThrowTheirCodes)
{
    CTestDir dir;
    CWinFileFind find;
    EXPECT_EQ((DWORD)ERROR_INVALID_HANDLE, CodeOf([&] { find.FindNext(); }));
    EXPECT_EQ((DWORD)ERROR_INVALID_HANDLE, CodeOf([&] { find.Close(); }));
    EXPECT_EQ((DWORD)ERROR_FILE_NOT_FOUND, CodeOf([&] { find.FindFirst((dir / "*.none").c_str()); }));
    EXPECT_EQ((DWORD)ERROR_PATH_NOT_FOUND, CodeOf([&] { find.FindFirst((dir / "no\\*").c_str()); }));
    EXPECT_EQ((DWORD)ERROR_INVALID_HANDLE, CodeOf([&] { find.FindNext(); }));
    // A new search replaces an open one; destruction of any state is silent.
    ASSERT_TRUE(WriteFileBytes(dir / "a", "x"));
    find.FindFirst((dir / "*").c_str());
    find.FindFirst((dir / "a").c_str());
    EXPECT_STREQ("a", find.m_FindData.cFileName);
}

TEST(WinHandle, ClosesWhatItHoldsAndToleratesNull)
{
    HANDLE hMutex = CreateMutexA(NULL, FALSE, NULL);
    ASSERT_NE(nullptr, hMutex);
    {
        CWinHandle holder(hMutex);
        EXPECT_EQ(hMutex, holder.m_hObject);
    }
    EXPECT_FALSE(CloseHandle(hMutex));  // already closed by the holder
    EXPECT_EQ((DWORD)ERROR_INVALID_HANDLE, GetLastError());
    CWinHandle empty(NULL);
    EXPECT_EQ(nullptr, empty.m_hObject);
}
