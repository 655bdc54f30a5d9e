// Whole runs on a server that is not HTTP-based, with the administration
// console (the stand-in, installed as <master>\console\console.exe) open or
// not: the restart-only path closes and relaunches it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "PatchHarness.h"
#include "test_windows_support.h"

namespace {

using Texts = std::vector<std::string>;

const char kAdminClass[] = "KestrelGuardpostAdmin";
const char kBanner[] = "Freshline 1.32 patch for Guardpost\r\n";
const int kServerMode = 0;

class ConsoleScenario : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(EndProgramWindows(kAdminClass));
        ASSERT_TRUE(m_master.InstallPatch());
        m_master.WriteServerMode(kServerMode);
        ASSERT_TRUE(CreateTree(m_master / "console"));
        std::string strBuilt = ProgramDir() + "console.exe";
        ASSERT_TRUE(CopyFileA(strBuilt.c_str(), ConsolePath().c_str(), FALSE));
    }
    void TearDown() override { EXPECT_TRUE(EndProgramWindows(kAdminClass)); }

    std::string ConsolePath() const { return m_master / "console\\console.exe"; }
    std::string EventsPath() const { return m_master / "console\\console_events.log"; }
    // What every start of the console does, the patch's included.
    void ConfigureConsole(const std::string &strOptions)
    {
        ASSERT_TRUE(WriteFileBytes(m_master / "console\\standin.cfg", strOptions));
    }
    int Starts() const { return CountLinesStartingWith(EventsPath(), "start"); }
    int Closes() const { return CountLinesStartingWith(EventsPath(), "close"); }
    // Waits (bounded) for the console that the run launched.
    void WaitForStarts(int nStarts) const { WaitForLines(EventsPath(), "start", nStarts); }
    Texts RestartOnly(const Texts &stop, bool bLaunch) const
    {
        Texts texts = {kBanner, "gbNoStart = 0\r\n", "Server mode = 0\r\n", "Restart programs"};
        texts.insert(texts.end(), stop.begin(), stop.end());
        if (bLaunch)
            texts.push_back("szApp = " + ConsolePath() + "\r\n");
        texts.push_back("Do not need to update,exit.\r\n");
        return texts;
    }

    CMasterDir m_master;
    CChildProcess m_console;
};

TEST_F(ConsoleScenario, AnOpenConsoleThatClosesDuringTheWaitIsLaunchedAgainOnce)
{
    // The first look finds it; within the first interval of 2000 ms it is gone.
    ConfigureConsole("closeafter=1500");
    ASSERT_TRUE(m_console.Start(ConsolePath(), Quote(ConsolePath())));
    WaitForStarts(1);
    ASSERT_TRUE(FindWindowA(kAdminClass, NULL));

    CMasterDir::Run run = m_master.RunPatch("", "P_FL132.exe", RealMs(120000));
    ASSERT_TRUE(run.process.bFinished);
    EXPECT_EQ(run.texts, RestartOnly({"Waited for a while!"}, true));
    EXPECT_EQ(m_master.RecordResult(), "1");
    WaitForStarts(2);
    EXPECT_EQ(Starts(), 2);
    EXPECT_EQ(Closes(), 0);
}

TEST_F(ConsoleScenario, AnOpenConsoleThatStaysIsClosedAndLaunchedAgainOnce)
{
    if (!SleepIsShortened())
        GTEST_SKIP() << "ten real minutes of looks before WM_CLOSE; runs where the layer "
                        "shortens them";
    ConfigureConsole("onclose=close");
    ASSERT_TRUE(m_console.Start(ConsolePath(), Quote(ConsolePath())));
    WaitForStarts(1);
    ASSERT_TRUE(FindWindowA(kAdminClass, NULL));

    CMasterDir::Run run = m_master.RunPatch("", "P_FL132.exe", RealMs(120000));
    ASSERT_TRUE(run.process.bFinished);
    EXPECT_EQ(run.texts, RestartOnly({"Waited for a while!", "Timeout!"}, true));
    EXPECT_EQ(m_master.RecordResult(), "1");
    WaitForStarts(2);
    EXPECT_EQ(Starts(), 2);
    EXPECT_EQ(Closes(), 1);
}

TEST_F(ConsoleScenario, WithoutAnOpenConsoleNothingIsLaunched)
{
    ConfigureConsole("onclose=close");
    CMasterDir::Run run = m_master.RunPatch("", "P_FL132.exe", RealMs(120000));
    ASSERT_TRUE(run.process.bFinished);
    EXPECT_EQ(run.texts, RestartOnly({}, false));
    EXPECT_EQ(m_master.RecordResult(), "1");
    EXPECT_EQ(Starts(), 0);
}

TEST_F(ConsoleScenario, WithNoRestartAnOpenConsoleIsLeftAlone)
{
    ConfigureConsole("onclose=close");
    ASSERT_TRUE(m_console.Start(ConsolePath(), Quote(ConsolePath())));
    WaitForStarts(1);
    HWND hWnd = FindWindowA(kAdminClass, NULL);
    ASSERT_TRUE(hWnd);

    CMasterDir::Run run = m_master.RunPatch("NoRestart", "P_FL132.exe", RealMs(120000));
    ASSERT_TRUE(run.process.bFinished);
    EXPECT_EQ(run.texts, (Texts{kBanner, "gbNoStart = 1\r\n", "Server mode = 0\r\n",
                                "Do not need to update,exit.\r\n"}));
    EXPECT_EQ(m_master.RecordResult(), "1");
    EXPECT_EQ(FindWindowA(kAdminClass, NULL), hWnd);
    EXPECT_EQ(Starts(), 1);
    EXPECT_EQ(Closes(), 0);
}

}  // namespace
