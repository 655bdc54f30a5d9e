// Share modes between processes: another process's open that does not share
// what a new open needs makes the new open fail with ERROR_SHARING_VIOLATION.
#include <gtest/gtest.h>

#include "TestSupport.h"

#include <stdio.h>

namespace {

const DWORD RW = GENERIC_READ | GENERIC_WRITE;
const DWORD SHARE_RW = FILE_SHARE_READ | FILE_SHARE_WRITE;
const DWORD SHARE_ALL = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

std::string Helper() { return ProgramDir() + "test_fileio_helper.exe"; }

std::string Hex(DWORD dw)
{
    char sz[16];
    snprintf(sz, sizeof sz, "0x%lx", (unsigned long)dw);
    return sz;
}

// A helper process that holds the file open with the given access and sharing.
class CHolder {
public:
    bool Start(const std::string &strPath, DWORD dwAccess, DWORD dwShare, const std::string &strReady)
    {
        std::string strCmd = Quote(Helper()) + " hold " + Quote(strPath) + " " + Hex(dwAccess) + " " +
                             Hex(dwShare) + " " + Quote(strReady);
        return m_child.Start(Helper(), strCmd) && WaitForFile(strReady) &&
               ReadFileBytes(strReady) == "0";
    }
    void Kill()
    {
        m_child.Kill();
        m_child.Wait(30000);
    }

private:
    CChildProcess m_child;
};

DWORD OpenError(const std::string &strPath, DWORD dwAccess, DWORD dwShare)
{
    HANDLE h = CreateFileA(strPath.c_str(), dwAccess, dwShare, NULL, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, NULL);
    if (h == INVALID_HANDLE_VALUE)
        return GetLastError();
    CloseHandle(h);
    return 0;
}

}  // namespace

TEST(LayerFileShare, OpensThatConflictWithAnotherProcessFail)
{
    CTestDir dir;
    std::string strPath = dir / "held.bin";
    ASSERT_TRUE(WriteFileBytes(strPath, "held"));
    struct Case {
        DWORD dwHeldAccess, dwHeldShare;
        DWORD dwAccess, dwShare;
        DWORD dwError;
    } cases[] = {
        // Held without sharing: nothing else opens it.
        {GENERIC_WRITE, 0, GENERIC_READ, SHARE_ALL, ERROR_SHARING_VIOLATION},
        {GENERIC_READ, 0, GENERIC_READ, SHARE_ALL, ERROR_SHARING_VIOLATION},
        // Held for reading, sharing reading: readers open, writers do not.
        {GENERIC_READ, FILE_SHARE_READ, GENERIC_READ, FILE_SHARE_READ, 0},
        {GENERIC_READ, FILE_SHARE_READ, GENERIC_WRITE, SHARE_ALL, ERROR_SHARING_VIOLATION},
        // The new open must share what the holder does.
        {GENERIC_WRITE, SHARE_RW, GENERIC_READ, FILE_SHARE_READ, ERROR_SHARING_VIOLATION},
        {GENERIC_WRITE, SHARE_RW, GENERIC_READ, SHARE_RW, 0},
        {RW, SHARE_RW, RW, SHARE_RW, 0},
        // The executable case: held for writing, a read with read sharing fails.
        {GENERIC_WRITE, FILE_SHARE_READ, GENERIC_READ, FILE_SHARE_READ, ERROR_SHARING_VIOLATION},
    };
    int n = 0;
    for (const Case &c : cases) {
        CHolder holder;
        ASSERT_TRUE(holder.Start(strPath, c.dwHeldAccess, c.dwHeldShare,
                                 dir / ("ready" + std::to_string(n++))));
        EXPECT_EQ(c.dwError, OpenError(strPath, c.dwAccess, c.dwShare))
            << "held " << Hex(c.dwHeldAccess) << "/" << c.dwHeldShare << ", open " << Hex(c.dwAccess)
            << "/" << c.dwShare;
        holder.Kill();
    }
}

TEST(LayerFileShare, HandlesOfOneProcessConflictToo)
{
    CTestDir dir;
    std::string strPath = dir / "f.txt";
    ASSERT_TRUE(WriteFileBytes(strPath, "x"));
    HANDLE h = CreateFileA(strPath.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    EXPECT_EQ((DWORD)ERROR_SHARING_VIOLATION, OpenError(strPath, GENERIC_WRITE, SHARE_ALL));
    EXPECT_EQ(0u, OpenError(strPath, GENERIC_READ, FILE_SHARE_READ));
    CloseHandle(h);
    EXPECT_EQ(0u, OpenError(strPath, GENERIC_WRITE, SHARE_ALL));
}

TEST(LayerFileShare, AProcessThatEndsDropsItsOpens)
{
    CTestDir dir;
    std::string strPath = dir / "f.txt";
    ASSERT_TRUE(WriteFileBytes(strPath, "x"));
    CHolder holder;
    ASSERT_TRUE(holder.Start(strPath, GENERIC_WRITE, 0, dir / "ready"));
    EXPECT_EQ((DWORD)ERROR_SHARING_VIOLATION, OpenError(strPath, GENERIC_READ, SHARE_ALL));
    holder.Kill();
    EXPECT_EQ(0u, OpenError(strPath, GENERIC_READ, SHARE_ALL));
}

TEST(LayerFileShare, DeleteCopyAndMoveRespectTheOpensOfOthers)
{
    CTestDir dir;
    std::string strHeld = dir / "held.dll", strOther = dir / "other.dll";
    ASSERT_TRUE(WriteFileBytes(strHeld, "held"));
    ASSERT_TRUE(WriteFileBytes(strOther, "other"));
    CHolder holder;
    ASSERT_TRUE(holder.Start(strHeld, GENERIC_READ, FILE_SHARE_READ, dir / "ready"));

    EXPECT_FALSE(DeleteFileA(strHeld.c_str()));
    EXPECT_EQ((DWORD)ERROR_SHARING_VIOLATION, GetLastError());
    EXPECT_FALSE(CopyFileA(strOther.c_str(), strHeld.c_str(), FALSE));
    EXPECT_EQ((DWORD)ERROR_SHARING_VIOLATION, GetLastError());
    EXPECT_FALSE(MoveFileExA(strHeld.c_str(), (dir / "moved.dll").c_str(), MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ((DWORD)ERROR_SHARING_VIOLATION, GetLastError());
    EXPECT_FALSE(MoveFileExA(strOther.c_str(), strHeld.c_str(), MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ((DWORD)ERROR_ACCESS_DENIED, GetLastError());
    // Reading a file that others share for reading is allowed.
    EXPECT_TRUE(CopyFileA(strHeld.c_str(), (dir / "copy.dll").c_str(), TRUE));
    EXPECT_EQ("held", ReadFileBytes(strHeld));
    EXPECT_EQ("other", ReadFileBytes(strOther));

    holder.Kill();
    EXPECT_TRUE(CopyFileA(strOther.c_str(), strHeld.c_str(), FALSE));
    EXPECT_EQ("other", ReadFileBytes(strHeld));
    EXPECT_TRUE(DeleteFileA(strHeld.c_str()));
}
