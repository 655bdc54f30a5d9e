// Child processes: creation errors, command lines, exit codes, termination.
#include <gtest/gtest.h>

#include "TestSupport.h"

namespace {

std::string Helper() { return ProgramDir() + "layer_helper.exe"; }

TEST(LayerProcess, CreationErrors)
{
    CTestDir dir;
    ASSERT_TRUE(WriteFileBytes(dir / "text.exe", "this is not a program\r\n"));
    struct Case {
        std::string strApp;
        DWORD dwError;
    } cases[] = {
        {dir / "missing.exe", ERROR_FILE_NOT_FOUND},
        {dir / "missing-dir\\console.exe", ERROR_PATH_NOT_FOUND},
        {dir / "text.exe", ERROR_BAD_EXE_FORMAT},
    };
    for (const Case &c : cases) {
        ProcessResult result = RunProcess(c.strApp, Quote(c.strApp));
        EXPECT_FALSE(result.bStarted) << c.strApp;
        EXPECT_EQ(result.dwStartError, c.dwError) << c.strApp;
    }
}

TEST(LayerProcess, ExitCodeAndExactCommandLine)
{
    ProcessResult result = RunProcess(Helper(), Quote(Helper()) + " exit 42");
    ASSERT_TRUE(result.bStarted);
    EXPECT_TRUE(result.bFinished);
    EXPECT_EQ(result.dwExitCode, 42u);

    CTestDir dir;
    std::string strOut = dir / "cmdline.txt";
    std::string strCommandLine = Quote(Helper()) + " cmdline " + Quote(strOut) + "  /NoRestart  x";
    result = RunProcess(Helper(), strCommandLine);
    ASSERT_TRUE(result.bFinished);
    EXPECT_EQ(ReadFileBytes(strOut), strCommandLine);
}

TEST(LayerProcess, RunningThenTerminated)
{
    CChildProcess child;
    ASSERT_TRUE(child.Start(Helper(), Quote(Helper()) + " sleep 30000"));
    DWORD dwCode = 0;
    EXPECT_EQ(WaitForSingleObject(child.Handle(), 50), (DWORD)WAIT_TIMEOUT);
    EXPECT_TRUE(GetExitCodeProcess(child.Handle(), &dwCode));
    EXPECT_EQ(dwCode, (DWORD)STILL_ACTIVE);
    EXPECT_TRUE(TerminateProcess(child.Handle(), 7));
    EXPECT_TRUE(child.Wait(10000, &dwCode));
    EXPECT_EQ(dwCode, 7u);
}

}  // namespace
