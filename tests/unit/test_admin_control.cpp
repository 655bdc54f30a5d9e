// Closing and relaunching the administration console, against the console
// stand-in. The tests lower the look interval and count; the 5000 ms pause of
// each attempt is divided on the layer only.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "AdminControl.h"
#include "PatchHarness.h"
#include "Trace.h"
#include "test_windows_support.h"

namespace {

const char kAdminClass[] = "KestrelGuardpostAdmin";
const char kWaited[] = "Waited for a while!";
const char kTimeout[] = "Timeout!";

class AdminControl : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(EndProgramWindows(kAdminClass));
        gbAdminClosed = 0;
        m_strTraceLog = m_dir / "trace.log";
        m_strEvents = m_dir / "events.log";
        SetTraceOptions(TRACE_FILE, m_strTraceLog.c_str());
    }
    void TearDown() override
    {
        SetTraceOptions(TRACE_OFF, "");
        gdwAdminWaitInterval = 2000;
        gnAdminWaitCount = 300;
        gbAdminClosed = 0;
        EXPECT_TRUE(EndProgramWindows(kAdminClass));
    }

    // Starts the stand-in with its log in the test directory, and waits for its window.
    bool StartConsole(const std::string &strOptions)
    {
        m_console.reset(new CProgramWindow(kAdminClass));
        std::string strLog = Quote("log=" + m_strEvents);
        return m_console->Start("console.exe", strLog + " " + strOptions) != NULL;
    }
    std::vector<std::string> TracedTexts() const
    {
        std::vector<std::string> texts;
        for (const TraceRecord &record : ParseTraceLog(ReadFileBytes(m_strTraceLog)))
            texts.push_back(record.strText);
        return texts;
    }
    int CountEvents(const char *pszWord) const
    {
        return CountLinesStartingWith(m_strEvents, pszWord);
    }

    CTestDir m_dir;
    std::string m_strTraceLog;
    std::string m_strEvents;
    std::unique_ptr<CProgramWindow> m_console;
};

using Texts = std::vector<std::string>;

TEST_F(AdminControl, WithoutAConsoleWindowStopAdminReturnsAtOnceAndTracesNothing)
{
    EXPECT_EQ(StopAdmin(), 1);
    EXPECT_EQ(gbAdminClosed, 0);
    EXPECT_EQ(ReadFileBytes(m_strTraceLog), "");
}

TEST_F(AdminControl, AWindowThatGoesAwayDuringTheWaitIsSentNothing)
{
    // Looks every 200 ms (4 ms on the layer) for much longer than the stand-in stays.
    gdwAdminWaitInterval = 200;
    gnAdminWaitCount = 100000;
    struct Case {
        const char *pszHow;
        const char *pszOptions;
    } cases[] = {
        {"closes itself", "closeafter=700"},
        {"its process ends", "dieafter=700"},
    };
    for (const Case &c : cases) {
        gbAdminClosed = 0;
        DeleteFileA(m_strTraceLog.c_str());
        DeleteFileA(m_strEvents.c_str());
        ASSERT_TRUE(StartConsole(c.pszOptions)) << c.pszHow;
        EXPECT_EQ(StopAdmin(), 1) << c.pszHow;
        EXPECT_EQ(gbAdminClosed, 1) << c.pszHow;
        EXPECT_EQ(TracedTexts(), Texts{kWaited}) << c.pszHow;
        EXPECT_EQ(CountEvents("close"), 0) << c.pszHow;
        EXPECT_TRUE(m_console->Child().Wait(RealMs(10000))) << c.pszHow;
    }
}

TEST_F(AdminControl, AWindowThatStaysIsSentWmCloseAfterTheWait)
{
    gdwAdminWaitInterval = 200;
    gnAdminWaitCount = 5;
    struct Case {
        const char *pszHow;
        const char *pszOnClose;
    } cases[] = {
        {"closes on WM_CLOSE", "onclose=close"},
        {"its process ends while it handles WM_CLOSE", "onclose=die"},
    };
    for (const Case &c : cases) {
        gbAdminClosed = 0;
        DeleteFileA(m_strTraceLog.c_str());
        DeleteFileA(m_strEvents.c_str());
        ASSERT_TRUE(StartConsole(c.pszOnClose)) << c.pszHow;
        EXPECT_EQ(StopAdmin(), 1) << c.pszHow;
        EXPECT_EQ(gbAdminClosed, 1) << c.pszHow;
        EXPECT_EQ(TracedTexts(), (Texts{kWaited, kTimeout})) << c.pszHow;
        // Neither text ends its line: they run together in the log.
        EXPECT_NE(ReadFileBytes(m_strTraceLog).find("Waited for a while![AdminControl.cpp("),
                  std::string::npos)
            << c.pszHow;
        EXPECT_EQ(CountEvents("close"), 1) << c.pszHow;
        EXPECT_TRUE(m_console->Child().Wait(RealMs(10000))) << c.pszHow;
    }
}

TEST_F(AdminControl, AWindowThatNeverClosesGetsSixAttempts)
{
    if (!SleepIsShortened())
        GTEST_SKIP() << "six real pauses of 5000 ms; run where the layer shortens them";
    gdwAdminWaitInterval = 200;
    gnAdminWaitCount = 3;
    ASSERT_TRUE(StartConsole("onclose=ignore"));
    EXPECT_EQ(StopAdmin(), 0);
    EXPECT_EQ(gbAdminClosed, 1);
    Texts expected;
    for (int i = 0; i < 6; ++i) {
        expected.push_back(kWaited);
        expected.push_back(kTimeout);
    }
    EXPECT_EQ(TracedTexts(), expected);
    EXPECT_EQ(CountEvents("close"), 6);
    EXPECT_TRUE(FindWindowA(kAdminClass, NULL) != NULL);
}

// StartAdmin: the console under <master>\console\console.exe.
class StartAdminTest : public AdminControl {
protected:
    std::string MasterDir() const { return m_dir / "Master\\"; }
    std::string ConsolePath() const { return MasterDir() + "console\\console.exe"; }
    bool InstallConsole()
    {
        return CreateTree(MasterDir() + "console") &&
               CopyFileA((ProgramDir() + "console.exe").c_str(), ConsolePath().c_str(), FALSE) &&
               WriteFileBytes(MasterDir() + "console\\standin.cfg", Quote("log=" + m_strEvents));
    }
};

TEST_F(StartAdminTest, JoinsTheConsolePathWithOrWithoutTheFinalBackslash)
{
    ASSERT_TRUE(InstallConsole());
    std::string strWithout = MasterDir().substr(0, MasterDir().size() - 1);
    for (const std::string &strMaster : {MasterDir(), strWithout}) {
        DeleteFileA(m_strTraceLog.c_str());
        EXPECT_EQ(StartAdmin(strMaster.c_str()), 1) << strMaster;
        EXPECT_EQ(TracedTexts(), Texts{"szApp = " + ConsolePath() + "\r\n"}) << strMaster;
    }
    // Each start comes up on its own, with no handle kept by the caller.
    EXPECT_TRUE(WaitForLines(m_strEvents, "start", 2));
    EXPECT_EQ(CountEvents("start"), 2);
}

TEST_F(StartAdminTest, AMissingConsoleGivesTheSystemsCode)
{
    struct Case {
        const char *pszHow;
        bool bConsoleDir;
        DWORD dwError;
    } cases[] = {
        {"console.exe missing", true, ERROR_FILE_NOT_FOUND},
        {"console directory missing", false, ERROR_PATH_NOT_FOUND},
    };
    for (const Case &c : cases) {
        RemoveTree(MasterDir());
        DeleteFileA(m_strTraceLog.c_str());
        ASSERT_TRUE(CreateTree(c.bConsoleDir ? MasterDir() + "console" : MasterDir()));
        EXPECT_EQ(StartAdmin(MasterDir().c_str()), 0) << c.pszHow;
        EXPECT_EQ(TracedTexts(), (Texts{"szApp = " + ConsolePath() + "\r\n",
                                  "CreateProcess error = " + std::to_string(c.dwError) +
                                      ", szApp = " + ConsolePath() + "\r\n"}))
            << c.pszHow;
    }
}

TEST_F(StartAdminTest, ANullOrTooDeepMasterDirectoryStartsNothing)
{
    EXPECT_EQ(StartAdmin(NULL), 0);
    EXPECT_EQ(ReadFileBytes(m_strTraceLog), "");

    // 241 characters and more: with "\console\console.exe" past 260. The
    // 300-character one is also past the 261-byte buffer itself.
    for (size_t nLength : {241u, 260u, 300u}) {
        DeleteFileA(m_strTraceLog.c_str());
        std::string strMaster = "C:\\" + std::string(nLength - 3, 'd');
        EXPECT_EQ(StartAdmin(strMaster.c_str()), 0) << nLength;
        Texts texts = TracedTexts();
        ASSERT_EQ(texts.size(), 1u) << nLength;
        EXPECT_EQ(texts[0], "Console path is too long, master directory = " + strMaster + "\r\n");
    }
    // The longest that fits: exactly 260 characters in all.
    std::string strFits = "C:\\" + std::string(260 - 20 - 3, 'd');
    DeleteFileA(m_strTraceLog.c_str());
    EXPECT_EQ(StartAdmin(strFits.c_str()), 0);
    Texts texts = TracedTexts();
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts[0], "szApp = " + strFits + "\\console\\console.exe\r\n");
}

}  // namespace
