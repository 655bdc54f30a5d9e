// Named mutexes within one process and across processes.
#include <gtest/gtest.h>

#include <string>

#include "TestSupport.h"

namespace {

std::string Helper() { return ProgramDir() + "layer_helper.exe"; }

// A name of its own for each test, so runs never meet.
std::string UniqueName(const char *pszTag)
{
    return std::string("fl-layer-test ") + pszTag + " " + std::to_string(GetCurrentProcessId()) +
           "-" + std::to_string(GetTickCount());
}

// The helper's result, read from the file it writes.
DWORD RunHelper(const std::string &strArgs)
{
    CTestDir dir;
    std::string strOut = dir / "result";
    ProcessResult result =
        RunProcess(Helper(), Quote(Helper()) + " -o " + Quote(strOut) + " " + strArgs, 30000);
    EXPECT_TRUE(result.bStarted);
    EXPECT_TRUE(result.bFinished);
    return (DWORD)strtoul(ReadFileBytes(strOut).c_str(), NULL, 10);
}

// Starts a helper that creates and owns the mutex until killed.
void StartOwner(CChildProcess &owner, const std::string &strName, const std::string &strReady)
{
    ASSERT_TRUE(owner.Start(Helper(), Quote(Helper()) + " mutex-hold " + Quote(strName) + " " +
                                          Quote(strReady)));
    ASSERT_TRUE(WaitForFile(strReady));
}

TEST(LayerMutex, SecondCreateInTheSameProcessFindsTheFirst)
{
    std::string strName = UniqueName("same");
    HANDLE h1 = CreateMutexA(NULL, TRUE, strName.c_str());
    ASSERT_NE(h1, nullptr);
    EXPECT_EQ(GetLastError(), 0u);
    HANDLE h2 = CreateMutexA(NULL, TRUE, strName.c_str());
    ASSERT_NE(h2, nullptr);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_ALREADY_EXISTS);
    CloseHandle(h2);
    EXPECT_TRUE(ReleaseMutex(h1));
    CloseHandle(h1);
}

TEST(LayerMutex, NamesAreCaseSensitive)
{
    std::string strName = UniqueName("Case");
    HANDLE h1 = CreateMutexA(NULL, FALSE, strName.c_str());
    std::string strOther = strName;
    for (char &c : strOther)
        c = (char)toupper((unsigned char)c);
    HANDLE h2 = CreateMutexA(NULL, FALSE, strOther.c_str());
    EXPECT_EQ(GetLastError(), 0u);
    CloseHandle(h2);
    CloseHandle(h1);
}

TEST(LayerMutex, OwnerThreadTakesItRecursivelyAndReleasesEachTime)
{
    HANDLE h = CreateMutexA(NULL, TRUE, UniqueName("recursive").c_str());
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(WaitForSingleObject(h, 0), WAIT_OBJECT_0);
    EXPECT_TRUE(ReleaseMutex(h));
    EXPECT_TRUE(ReleaseMutex(h));
    EXPECT_FALSE(ReleaseMutex(h));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_NOT_OWNER);
    CloseHandle(h);
}

TEST(LayerMutex, AcrossProcesses)
{
    CTestDir dir;
    std::string strName = UniqueName("cross");
    std::string strReady = dir / "ready";
    CChildProcess owner;
    StartOwner(owner, strName, strReady);
    EXPECT_EQ(ReadFileBytes(strReady), "0") << "the owner created the name";

    // Another process sees the name, cannot take it, and cannot release it.
    EXPECT_EQ(RunHelper("mutex-open " + Quote(strName)), (DWORD)ERROR_ALREADY_EXISTS);
    EXPECT_EQ(RunHelper("mutex-wait " + Quote(strName) + " 200"), (DWORD)WAIT_TIMEOUT);
    EXPECT_EQ(RunHelper("mutex-release " + Quote(strName)), (DWORD)ERROR_NOT_OWNER);

    HANDLE h = CreateMutexA(NULL, TRUE, strName.c_str());
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_ALREADY_EXISTS);
    EXPECT_EQ(WaitForSingleObject(h, 100), (DWORD)WAIT_TIMEOUT);
    EXPECT_FALSE(ReleaseMutex(h)) << "initial ownership is not given for an existing name";
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_NOT_OWNER);

    // The owner dies holding it: the first waiter gets it abandoned, then it
    // is an ordinary mutex again.
    owner.Kill();
    EXPECT_EQ(WaitForSingleObject(h, 5000), (DWORD)WAIT_ABANDONED);
    EXPECT_TRUE(ReleaseMutex(h));
    EXPECT_EQ(WaitForSingleObject(h, 0), WAIT_OBJECT_0);
    EXPECT_TRUE(ReleaseMutex(h));
    CloseHandle(h);
}

TEST(LayerMutex, NameOfAKilledOwnerIsCreatedAnew)
{
    CTestDir dir;
    std::string strName = UniqueName("killed");
    std::string strReady = dir / "ready";
    {
        CChildProcess owner;
        StartOwner(owner, strName, strReady);
        owner.Kill();
    }
    HANDLE h = CreateMutexA(NULL, TRUE, strName.c_str());
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(GetLastError(), 0u) << "nobody holds the name any more";
    EXPECT_TRUE(ReleaseMutex(h));
    CloseHandle(h);
}

TEST(LayerMutex, CloseHandleDoesNotRelease)
{
    CTestDir dir;
    std::string strName = UniqueName("close");
    HANDLE h1 = CreateMutexA(NULL, TRUE, strName.c_str());
    HANDLE h2 = CreateMutexA(NULL, FALSE, strName.c_str());
    CloseHandle(h1);
    // Still owned by this thread through the name: another process times out.
    EXPECT_EQ(RunHelper("mutex-wait " + Quote(strName) + " 100"), (DWORD)WAIT_TIMEOUT);
    EXPECT_TRUE(ReleaseMutex(h2));
    EXPECT_EQ(RunHelper("mutex-wait " + Quote(strName) + " 1000"), (DWORD)WAIT_OBJECT_0);
    CloseHandle(h2);
}

}  // namespace
