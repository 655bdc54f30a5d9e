// Whole runs that find the patch needed: the payload unpacked, the product's
// programs stopped, every installed component directory updated with its
// backups, the programs restarted, and the outcome recorded.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "PatchHarness.h"
#include "VersionDll.h"
#include "test_services_support.h"
#include "test_windows_support.h"

namespace {

using Texts = std::vector<std::string>;

const char kAdminClass[] = "KestrelGuardpostAdmin";
const char kMasterService[] = "rirorariza";
const char kDownloadMutex[] = "Guardpost Download Process";

struct Row {
    const char *pszDir;
    bool bBackup;
    bool bWeb;
};
const Row kRows[] = {
    {"portal\\bin", true, true},
    {"portal\\svc", true, true},
    {"console", true, false},
    {"Console\\Tools\\Refresher", true, false},
    {"Console\\Tools\\TimedRefresh", true, false},
    {"Console\\Tools\\Relay_en\\RelayLib", false, false},
    {"Console\\Tools\\RelayAgent\\RelayLib", false, false},
    {"Console\\Tools\\Relay_jp\\RelayLib", false, false},
};

std::string VersionDll(const char *pszVersion)
{
    VersionDllSpec dllSpec;
    EXPECT_TRUE(ParseVersionText(pszVersion, dllSpec.wFileVersion));
    return BuildVersionDll(dllSpec);
}

int Count(const Texts &texts, const std::string &strText)
{
    return (int)std::count(texts.begin(), texts.end(), strText);
}

class UpdateScenario : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(EndProgramWindows(kAdminClass));
        m_strOld = VersionDll("1.30.0.0");
        m_payload = {{"KsUpdate.dll", VersionDll("1.32.0.0")}, {"readme.txt", "new readme\r\n"}};
    }
    void TearDown() override { EXPECT_TRUE(EndProgramWindows(kAdminClass)); }

    // "KsUpdate.dll" 1.30 in each row named (all rows when none is).
    void InstallRows(std::vector<const char *> dirs = {})
    {
        if (dirs.empty())
            for (const Row &row : kRows)
                dirs.push_back(row.pszDir);
        for (const char *pszDir : dirs) {
            ASSERT_TRUE(CreateTree(m_master / pszDir));
            ASSERT_TRUE(WriteFileBytes(m_master / (std::string(pszDir) + "\\KsUpdate.dll"), m_strOld));
            ASSERT_TRUE(WriteFileBytes(m_master / (std::string(pszDir) + "\\readme.txt"), "old readme\r\n"));
        }
    }
    // The patch, packed with the payload by sfxpack, as <master>\P_FL132.exe.
    void PackPatch()
    {
        std::vector<std::string> files;
        for (const auto &member : m_payload) {
            ASSERT_TRUE(WriteFileBytes(m_payloadDir / member.first, member.second));
            files.push_back(m_payloadDir / member.first);
        }
        ASSERT_TRUE(::PackPatch(m_master / "P_FL132.exe", files));
    }
    CMasterDir::Run Run(int nMode, const std::string &strArguments = "")
    {
        m_master.WriteServerMode(nMode);
        return m_master.RunPatch(strArguments, "P_FL132.exe", RealMs(600000));
    }
    std::string File(const std::string &strPath) const
    {
        return FileExists(m_master / strPath) ? ReadFileBytes(m_master / strPath) : "<absent>";
    }
    // The row holds the payload, and its previous files in FLBak where it keeps backups.
    void ExpectUpdated(const Row &row) const
    {
        std::string strDir = row.pszDir;
        EXPECT_EQ(File(strDir + "\\KsUpdate.dll"), m_payload[0].second) << strDir;
        EXPECT_EQ(File(strDir + "\\readme.txt"), m_payload[1].second) << strDir;
        if (row.bBackup) {
            EXPECT_EQ(File(strDir + "\\FLBak\\KsUpdate.dll"), m_strOld) << strDir;
            EXPECT_EQ(File(strDir + "\\FLBak\\readme.txt"), "old readme\r\n") << strDir;
        } else {
            EXPECT_FALSE(FileExists(m_master / (strDir + "\\FLBak"))) << strDir;
        }
    }
    void ExpectUntouched(const Row &row) const
    {
        std::string strDir = row.pszDir;
        EXPECT_EQ(File(strDir + "\\KsUpdate.dll"), m_strOld) << strDir;
        EXPECT_FALSE(FileExists(m_master / (strDir + "\\FLBak"))) << strDir;
    }
    std::string CopyLine(const char *pszDir, int nCode = 0) const
    {
        return "Copy " + (m_master / "FL132Ext\\*.*") + " to " + (m_master / pszDir) +
               ", dwRet = " + std::to_string(nCode) + "\r\n";
    }
    // The row copy lines and the mutex lines, in log order.
    Texts Steps(const Texts &texts) const
    {
        Texts steps;
        for (const std::string &str : texts)
            if (str.rfind("Copy " + (m_master / "FL132Ext\\*.* to "), 0) == 0 || str == "Waitting mutex." ||
                str == "Got mutex." || str == "Release mutex.")
                steps.push_back(str);
        return steps;
    }

    // The console stand-in installed as <master>\console\console.exe.
    void InstallConsole(const std::string &strOptions)
    {
        ASSERT_TRUE(CreateTree(m_master / "console"));
        std::string strBuilt = ProgramDir() + "console.exe";
        ASSERT_TRUE(CopyFileA(strBuilt.c_str(), (m_master / "console\\console.exe").c_str(), FALSE));
        ASSERT_TRUE(WriteFileBytes(m_master / "console\\standin.cfg", strOptions));
    }
    int ConsoleStarts() const
    {
        return CountLinesStartingWith(m_master / "console\\console_events.log", "start");
    }

    void RunWithOpenConsole(const char *pszArguments, int nStarts);

    CMasterDir m_master;
    CTestDir m_payloadDir;
    std::string m_strOld;
    std::vector<std::pair<std::string, std::string>> m_payload;
};

TEST_F(UpdateScenario, NotHttpBasedUpdatesTheConsoleAndToolRowsThenFindsNothingMore)
{
    InstallRows();
    ASSERT_NO_FATAL_FAILURE(PackPatch());
    CMasterDir::Run run = Run(0);
    ASSERT_TRUE(run.process.bFinished);
    EXPECT_EQ(run.process.dwExitCode, 0u);
    EXPECT_EQ(m_master.RecordResult(), "1") << run.strLog;
    EXPECT_EQ(Count(run.texts, "==>Update() pszMasterDir = " + m_master.Path() + ", bHttpBase = 0\r\n"), 1);
    EXPECT_EQ(run.texts.back(), "Update ok.\r\n");
    Texts expected;
    for (const Row &row : kRows) {
        if (row.bWeb) {
            ExpectUntouched(row);
            continue;
        }
        ExpectUpdated(row);
        expected.push_back(CopyLine(row.pszDir));
    }
    EXPECT_EQ(Steps(run.texts), expected);
    EXPECT_EQ(File("FL132Ext\\KsUpdate.dll"), m_payload[0].second) << "the working directory stays";
    EXPECT_EQ(ConsoleStarts(), 0);

    // Everything is at 1.32 now: the next run only restarts.
    CMasterDir::Run second = Run(0, "NoRestart");
    EXPECT_EQ(second.texts.back(), "Do not need to update,exit.\r\n");
    EXPECT_EQ(m_master.RecordResult(), "1");
}

// An open console (it goes away during the first wait) and two rows; nStarts
// counts the test's own start of the console.
void UpdateScenario::RunWithOpenConsole(const char *pszArguments, int nStarts)
{
    InstallRows({"console", "Console\\Tools\\Refresher"});
    ASSERT_NO_FATAL_FAILURE(InstallConsole("closeafter=1500"));
    ASSERT_NO_FATAL_FAILURE(PackPatch());
    CChildProcess console;
    std::string strConsole = m_master / "console\\console.exe";
    ASSERT_TRUE(console.Start(strConsole, Quote(strConsole)));
    WaitForLines(m_master / "console\\console_events.log", "start", 1);
    ASSERT_TRUE(FindWindowA(kAdminClass, NULL));

    CMasterDir::Run run = Run(0, pszArguments);
    ASSERT_TRUE(run.process.bFinished);
    EXPECT_EQ(m_master.RecordResult(), "1") << run.strLog;
    ExpectUpdated(kRows[2]);
    ExpectUpdated(kRows[3]);
    // The console was gone before the first copy.
    auto itWait = std::find(run.texts.begin(), run.texts.end(), "Waited for a while!");
    auto itCopy = std::find(run.texts.begin(), run.texts.end(), CopyLine("console"));
    EXPECT_LT(itWait - run.texts.begin(), itCopy - run.texts.begin());
    if (nStarts > 1)
        WaitForLines(m_master / "console\\console_events.log", "start", nStarts);
    EXPECT_EQ(ConsoleStarts(), nStarts);
}

TEST_F(UpdateScenario, OpenConsoleIsClosedBeforeTheCopyAndLaunchedOnceAfter)
{
    RunWithOpenConsole("", 2);
}

TEST_F(UpdateScenario, OpenConsoleIsClosedButNotLaunchedWithoutRestarts)
{
    RunWithOpenConsole("NoRestart", 1);
}

TEST_F(UpdateScenario, HttpBasedCopiesTheWebRowsUnderTheMutexWithTheServiceStopped)
{
    CTestService service(kMasterService, {});
    ASSERT_TRUE(service.Created()) << service.CreateError();
    ASSERT_TRUE(service.StartAndWaitRunning());
    InstallRows();
    ASSERT_NO_FATAL_FAILURE(PackPatch());
    CMasterDir::Run run = Run(1);
    ASSERT_TRUE(run.process.bFinished);
    EXPECT_EQ(m_master.RecordResult(), "1") << run.strLog;
    for (const Row &row : kRows)
        ExpectUpdated(row);
    Texts expected = {"Waitting mutex.", "Got mutex.", CopyLine("portal\\bin"), CopyLine("portal\\svc"),
                      "Release mutex."};
    for (const Row &row : kRows)
        if (!row.bWeb)
            expected.push_back(CopyLine(row.pszDir));
    EXPECT_EQ(Steps(run.texts), expected);
    // Stopped once and started again; running at the end.
    Texts events = service.EventTexts();
    EXPECT_EQ(std::count(events.begin(), events.end(), "control 1"), 1);
    EXPECT_EQ(service.State(), (DWORD)SERVICE_RUNNING);
}

TEST_F(UpdateScenario, HttpBasedWithoutRestartsTakesTheMutexThreeTimesFirstAndLeavesTheService)
{
    CTestService service(kMasterService, {});
    ASSERT_TRUE(service.Created()) << service.CreateError();
    ASSERT_TRUE(service.StartAndWaitRunning());
    InstallRows({"portal\\bin", "console"});
    ASSERT_NO_FATAL_FAILURE(PackPatch());
    Texts before = service.EventTexts();
    CMasterDir::Run run = Run(1, "NoRestart");
    ASSERT_TRUE(run.process.bFinished);
    EXPECT_EQ(m_master.RecordResult(), "1") << run.strLog;
    Texts cycle = {"Waitting mutex.", "Got mutex.", "Release mutex."};
    Texts expected;
    for (int i = 0; i < 3; ++i)
        expected.insert(expected.end(), cycle.begin(), cycle.end());
    expected.insert(expected.end(), {"Waitting mutex.", "Got mutex.", CopyLine("portal\\bin"),
                                     "Release mutex.", CopyLine("console")});
    EXPECT_EQ(Steps(run.texts), expected);
    EXPECT_EQ(service.EventTexts(), before) << "neither stopped nor started";
}

TEST_F(UpdateScenario, DownloadMutexHeldLongerThanTheWaitEndsTheRunBeforeAnything)
{
    if (!SleepIsShortened())
        GTEST_SKIP() << "the wait is five real minutes; runs where the layer shortens it";
    InstallRows({"portal\\bin"});
    ASSERT_NO_FATAL_FAILURE(PackPatch());
    HANDLE hHeld = CreateMutexA(NULL, TRUE, kDownloadMutex);
    ASSERT_NE(hHeld, nullptr);
    CMasterDir::Run run = Run(1, "NoRestart");
    ReleaseMutex(hHeld);
    CloseHandle(hHeld);
    ASSERT_TRUE(run.process.bFinished);
    EXPECT_EQ(Count(run.texts, "WaitForSingleObject, dwRet = 258\r\n"), 1);
    EXPECT_EQ(m_master.RecordResult(), "0");
    EXPECT_FALSE(FileExists(m_master / "FL132Ext"));
    ExpectUntouched(kRows[0]);
}

TEST_F(UpdateScenario, RowFailuresAreCountedAndTheOtherRowsStillUpdated)
{
    // "Refresher" is a file, so its FLBak cannot be created; console\FLBak
    // exists already; the Relay_en row is missing.
    InstallRows({"console", "Console\\Tools\\TimedRefresh", "Console\\Tools\\RelayAgent\\RelayLib"});
    ASSERT_TRUE(WriteFileBytes(m_master / "Console\\Tools\\Refresher", "a file"));
    ASSERT_TRUE(CreateTree(m_master / "console\\FLBak"));
    ASSERT_NO_FATAL_FAILURE(PackPatch());
    CMasterDir::Run run = Run(0);
    ASSERT_TRUE(run.process.bFinished);
    EXPECT_EQ(m_master.RecordResult(), "0");
    EXPECT_EQ(run.texts.back(), "Update failed,exit.\r\n");
    bool bTraced = false;
    for (const std::string &str : run.texts)
        bTraced = bTraced ||
                  str.rfind("CreateDirectory(" + (m_master / "Console\\Tools\\Refresher\\FLBak") +
                                ") failed, error = ", 0) == 0;
    EXPECT_TRUE(bTraced) << run.strLog;
    EXPECT_EQ(File("Console\\Tools\\Refresher"), "a file");
    ExpectUpdated(kRows[2]);
    ExpectUpdated(kRows[4]);
    ExpectUpdated(kRows[6]);
    EXPECT_EQ(Steps(run.texts), (Texts{CopyLine("console"), CopyLine("Console\\Tools\\TimedRefresh"),
                                       CopyLine("Console\\Tools\\RelayAgent\\RelayLib")}));
}

TEST_F(UpdateScenario, DestinationHeldOpenByAnotherProcessFailsItsRowOnly)
{
    m_payload.push_back({"third.txt", "new third\r\n"});
    InstallRows({"console", "Console\\Tools\\TimedRefresh"});
    ASSERT_TRUE(WriteFileBytes(m_master / "console\\third.txt", "old third\r\n"));
    ASSERT_NO_FATAL_FAILURE(PackPatch());
    HANDLE hHeld = CreateFileA((m_master / "console\\readme.txt").c_str(), GENERIC_READ, 0, NULL,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    ASSERT_NE(hHeld, INVALID_HANDLE_VALUE);
    CMasterDir::Run run = Run(0, "NoRestart");
    CloseHandle(hHeld);
    ASSERT_TRUE(run.process.bFinished);
    EXPECT_EQ(m_master.RecordResult(), "0");
    EXPECT_EQ(Count(run.texts, CopyLine("console", ERROR_SHARING_VIOLATION)), 1) << run.strLog;
    EXPECT_EQ(File("console\\readme.txt"), "old readme\r\n") << "the held file keeps its version";
    EXPECT_EQ(File("console\\FLBak\\readme.txt"), "<absent>");
    // The files that the search returned before it are replaced and backed up,
    // those after it untouched.
    WIN32_FIND_DATAA data;
    HANDLE hFind = FindFirstFileA((m_master / "FL132Ext\\*.*").c_str(), &data);
    ASSERT_NE(hFind, INVALID_HANDLE_VALUE);
    bool bBefore = true;
    do {
        std::string strName = data.cFileName;
        if (strName == "." || strName == "..")
            continue;
        if (strName == "readme.txt") {
            bBefore = false;
            continue;
        }
        std::string strNew = ReadFileBytes(m_master / ("FL132Ext\\" + strName));
        if (bBefore) {
            EXPECT_EQ(File("console\\" + strName), strNew) << strName;
            EXPECT_TRUE(FileExists(m_master / ("console\\FLBak\\" + strName))) << strName;
        } else {
            EXPECT_NE(File("console\\" + strName), strNew) << strName;
        }
    } while (FindNextFileA(hFind, &data));
    FindClose(hFind);
    ExpectUpdated(kRows[4]);
}

TEST_F(UpdateScenario, ExtractionThatFailsCopiesNothing)
{
    InstallRows({"console"});
    ASSERT_TRUE(m_master.InstallPatch());  // no payload appended
    CMasterDir::Run run = Run(0);
    ASSERT_TRUE(run.process.bFinished);
    EXPECT_EQ(Count(run.texts, "Extract files failed.\r\n"), 1) << run.strLog;
    EXPECT_EQ(m_master.RecordResult(), "0");
    ExpectUntouched(kRows[2]);
}

TEST_F(UpdateScenario, MasterServiceThatWillNotStopEndsTheRunAfterTheUnpacking)
{
    // No master service at all: the stop fails at once.
    InstallRows({"portal\\svc"});
    ASSERT_NO_FATAL_FAILURE(PackPatch());
    CMasterDir::Run run = Run(1);
    ASSERT_TRUE(run.process.bFinished);
    EXPECT_EQ(Count(run.texts, "Stop IIS and master service failed.\r\n"), 1) << run.strLog;
    EXPECT_EQ(Steps(run.texts), (Texts{"Waitting mutex.", "Got mutex."}));
    EXPECT_EQ(m_master.RecordResult(), "0");
    EXPECT_TRUE(FileExists(m_master / "FL132Ext\\KsUpdate.dll"));
    ExpectUntouched(kRows[1]);
}

TEST_F(UpdateScenario, MasterServiceThatWillNotStartLeavesTheResult)
{
    TestServiceBehaviour behaviour;
    behaviour.bFailStart = true;
    CTestService service(kMasterService, behaviour);
    ASSERT_TRUE(service.Created()) << service.CreateError();
    InstallRows({"portal\\bin", "console"});
    ASSERT_NO_FATAL_FAILURE(PackPatch());
    CMasterDir::Run run = Run(1);
    ASSERT_TRUE(run.process.bFinished);
    EXPECT_EQ(Count(run.texts, "Start IIS and master service failed.\r\n"), 1) << run.strLog;
    EXPECT_EQ(m_master.RecordResult(), "1");
    ExpectUpdated(kRows[0]);
    ExpectUpdated(kRows[2]);
}

}  // namespace
