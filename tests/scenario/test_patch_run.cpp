// Whole runs of the built patch in a laid-out master directory.
#include <gtest/gtest.h>

#include <algorithm>

#include <string>
#include <vector>

#include "PatchHarness.h"

namespace {

using Texts = std::vector<std::string>;

const char kBanner[] = "Freshline 1.32 patch for Guardpost\r\n";

Texts RestartOnly(int nMode, int bNoStart)
{
    Texts texts = {kBanner, "gbNoStart = " + std::to_string(bNoStart) + "\r\n",
                   "Server mode = " + std::to_string(nMode) + "\r\n"};
    if (!bNoStart)
        texts.push_back("Restart programs");
    if (!bNoStart && nMode == 1) {  // no master service is installed here
        texts.push_back("Stop master service error = 1060\r\n");
        texts.push_back("Start master service error = 1060\r\n");
    }
    texts.push_back("Do not need to update,exit.\r\n");
    return texts;
}

TEST(PatchRun, WithoutServerSettingsTheRunFails)
{
    CMasterDir master;
    ASSERT_TRUE(master.InstallPatch());
    CMasterDir::Run run = master.RunPatch();
    ASSERT_TRUE(run.process.bFinished);
    EXPECT_EQ(run.process.dwExitCode, 0u);
    EXPECT_EQ(run.texts, (Texts{kBanner, "gbNoStart = 0\r\n",
                                "Can't get server mode from " + (master / "gdpost.ini") +
                                    ",exit.\r\n"}));
    EXPECT_EQ(master.RecordResult(), "0");
    // Every record names its source file and this run's process.
    for (const TraceRecord &record : run.records)
        EXPECT_EQ(record.strProcessId, run.records[0].strProcessId);
}

TEST(PatchRun, ServerModes)
{
    struct Case {
        int nMode;
        bool bSucceeds;
    } cases[] = {{2, false}, {1, true}, {0, true}, {3, true}};
    for (const Case &c : cases) {
        CMasterDir master;
        ASSERT_TRUE(master.InstallPatch());
        master.WriteServerMode(c.nMode);
        CMasterDir::Run run = master.RunPatch();
        ASSERT_TRUE(run.process.bFinished);
        EXPECT_EQ(run.process.dwExitCode, 0u);
        if (c.bSucceeds) {
            EXPECT_EQ(run.texts, RestartOnly(c.nMode, 0)) << "SetupType " << c.nMode;
            EXPECT_EQ(master.RecordResult(), "1");
        } else {
            ASSERT_EQ(run.texts.size(), 3u) << run.strLog;
            EXPECT_EQ(run.texts[2], "Can't get server mode from " + (master / "gdpost.ini") + ",exit.\r\n");
            EXPECT_EQ(master.RecordResult(), "0");
        }
    }
}

TEST(PatchRun, NoRestartWordIsSearchedCaseSensitivelyAnywhere)
{
    struct Case {
        const char *pszArguments;
        int bNoStart;
    } cases[] = {
        {"NoRestart", 1},      {"/NoRestart", 1}, {"xxNoRestartyy", 1}, {"a b NoRestart", 1},
        {"norestart", 0},      {"NORESTART", 0},  {"", 0},
    };
    for (const Case &c : cases) {
        CMasterDir master;
        ASSERT_TRUE(master.InstallPatch());
        master.WriteServerMode(0);
        CMasterDir::Run run = master.RunPatch(c.pszArguments);
        ASSERT_TRUE(run.process.bFinished);
        EXPECT_EQ(run.process.dwExitCode, 0u);
        EXPECT_EQ(run.texts, RestartOnly(0, c.bNoStart)) << "arguments: " << c.pszArguments;
        EXPECT_EQ(master.RecordResult(), "1");
    }
}

TEST(PatchRun, SecondInstanceEndsAtOnceAndWritesNoRecord)
{
    CMasterDir master;
    ASSERT_TRUE(master.InstallPatch());
    master.WriteServerMode(0);
    WriteFileBytes(master / "P_FL132.log", "first run's line\r\n");
    HANDLE hFirst = CreateMutexA(NULL, TRUE, "Freshline 1.32 patch for Guardpost");
    ASSERT_NE(hFirst, nullptr);
    ASSERT_EQ(GetLastError(), 0u) << "another patch run is active on this machine";
    CMasterDir::Run run = master.RunPatch("NoRestart");
    ReleaseMutex(hFirst);
    CloseHandle(hFirst);
    ASSERT_TRUE(run.process.bFinished);
    EXPECT_EQ(run.process.dwExitCode, 0u);
    EXPECT_EQ(run.texts, (Texts{kBanner, "gbNoStart = 1\r\n", "Second instance,exit.\r\n"}));
    EXPECT_EQ(run.strLog.find("first run's line\r\n["), 0u) << "appended to the same log";
    EXPECT_FALSE(FileExists(master / "GDPX_PATCH.ini"));
}

TEST(PatchRun, RenamedExecutableWritesItsOwnSection)
{
    CMasterDir master;
    ASSERT_TRUE(master.InstallPatch("Hotfix.exe"));
    master.WriteServerMode(3);
    WriteFileBytes(master / "GDPX_PATCH.ini", "[P_FL132.exe]\r\nResult=0\r\n");
    CMasterDir::Run run = master.RunPatch("NoRestart", "Hotfix.exe");
    ASSERT_TRUE(run.process.bFinished);
    EXPECT_EQ(master.RecordResult("Hotfix.exe"), "1");
    EXPECT_EQ(master.RecordResult("P_FL132.exe"), "0");
    EXPECT_EQ(ReadFileBytes(master / "GDPX_PATCH.ini"),
              "[P_FL132.exe]\r\nResult=0\r\n[Hotfix.exe]\r\nResult=1\r\n");
}

// A master directory of exactly nLength characters (with its final backslash).
std::string DeepSubPath(const CMasterDir &parent, size_t nLength)
{
    std::string strSub;
    size_t nBase = parent.Path().size();
    while (nBase + strSub.size() < nLength) {
        size_t nLeft = nLength - nBase - strSub.size();
        size_t nPart = nLeft > 60 ? 59 : nLeft - 1;
        strSub += std::string(nPart, 'd') + "\\";
    }
    return strSub;
}

// Installs the patch as strExeName in a master directory of exactly nLength
// characters under parent, runs it and hands back that directory.
std::string RunInDeepMaster(const CMasterDir &parent, size_t nLength, const std::string &strExeName,
                            ProcessResult &result)
{
    std::string strDeep = parent.Path() + DeepSubPath(parent, nLength);
    EXPECT_EQ(strDeep.size(), nLength);
    EXPECT_TRUE(CreateTree(strDeep.substr(0, strDeep.size() - 1)));
    EXPECT_TRUE(CopyFileA(BuiltPatchPath().c_str(), (strDeep + strExeName).c_str(), FALSE));
    WriteFileBytes(strDeep + "gdpost.ini", "[INI_SERVER_SECTION]\r\nSetupType=0\r\n");
    result = RunProcess(strDeep + strExeName, Quote(strDeep + strExeName));
    return strDeep;
}

TEST(PatchRun, MasterDirectoryTooDeepForTheRecordFailsBeforeAnything)
{
    // 247 characters: the patch (258), its log and gdpost.ini fit, but
    // "GDPX_PATCH.ini" (261) does not.
    CMasterDir parent("p");
    ProcessResult result;
    std::string strDeep = RunInDeepMaster(parent, 247, "P_FL132.exe", result);
    ASSERT_TRUE(result.bFinished);
    EXPECT_EQ(result.dwExitCode, 0u);
    std::vector<TraceRecord> records = ParseTraceLog(ReadFileBytes(strDeep + "P_FL132.log"));
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[2].strText, "Master directory " + strDeep + " is too long,exit.\r\n");
    EXPECT_FALSE(FileExists(strDeep + "GDPX_PATCH.ini"));
}

TEST(PatchRun, MasterDirectoryTooDeepForTheLogLeavesNothing)
{
    // 250 characters: "a.exe" fits (255), "P_FL132.log" (261) does not.
    CMasterDir parent("q");
    ProcessResult result;
    std::string strDeep = RunInDeepMaster(parent, 250, "a.exe", result);
    ASSERT_TRUE(result.bStarted) << result.dwStartError;
    ASSERT_TRUE(result.bFinished);
    EXPECT_EQ(result.dwExitCode, 0u);
    WIN32_FIND_DATAA data;
    HANDLE hFind = FindFirstFileA((strDeep + "*").c_str(), &data);
    ASSERT_NE(hFind, INVALID_HANDLE_VALUE);
    std::vector<std::string> names;
    do
        names.push_back(data.cFileName);
    while (FindNextFileA(hFind, &data));
    FindClose(hFind);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{".", "..", "a.exe", "gdpost.ini"}));
}

}  // namespace
