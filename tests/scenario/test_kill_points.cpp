// The patch killed at every step that changes the file system: after each
// kill no previous version of a component file is lost, and a second run
// completes the update.
#include <gtest/gtest.h>

#include <stdio.h>

#include <string>
#include <vector>

#include "PatchHarness.h"
#include "VersionDll.h"
#include "test_windows_support.h"

namespace {

const char kKillVariable[] = "W32_KILL_AT";
const int kMostKillPoints = 1000;

struct Row {
    const char *pszDir;
    bool bBackup;
};
// Two rows that keep backups and one that does not; the web rows are not
// touched by a server that is not HTTP-based.
const Row kRows[] = {
    {"console", true},
    {"Console\\Tools\\Refresher", true},
    {"Console\\Tools\\Relay_en\\RelayLib", false},
};

struct Member {
    const char *pszName;
    std::string strOld;
    std::string strNew;
};

std::string VersionDll(const char *pszVersion, const char *pszMark)
{
    VersionDllSpec dllSpec;
    EXPECT_TRUE(ParseVersionText(pszVersion, dllSpec.wFileVersion));
    // The mark keeps the bytes of each version apart from every other file's.
    return BuildVersionDll(dllSpec) + pszMark;
}

class KillPoints : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_members = {
            {"KsUpdate.dll", VersionDll("1.30.0.0", "old dll"), VersionDll("1.32.0.0", "new dll")},
            {"readme.txt", "old readme\r\n", "new readme, longer than the old\r\n"},
            {"KsRelay.cfg", "[relay]\r\nold=1\r\n", "[relay]\r\nnew=1\r\n"},
        };
        // Packed once; every installation gets a copy.
        std::vector<std::string> files;
        for (const Member &member : m_members) {
            ASSERT_TRUE(WriteFileBytes(m_packDir / member.pszName, member.strNew));
            files.push_back(m_packDir / member.pszName);
        }
        ASSERT_TRUE(PackPatch(m_packDir / "P_FL132.exe", files));
    }

    // A fresh installation: every row with the old files, the packed patch and
    // a server that is not HTTP-based.
    void Install(CMasterDir &master) const
    {
        for (const Row &row : kRows) {
            ASSERT_TRUE(CreateTree(master / row.pszDir));
            for (const Member &member : m_members)
                ASSERT_TRUE(WriteFileBytes(master / (std::string(row.pszDir) + "\\" + member.pszName),
                                           member.strOld));
        }
        ASSERT_TRUE(CopyFileA((m_packDir / "P_FL132.exe").c_str(), (master / "P_FL132.exe").c_str(), FALSE));
        master.WriteServerMode(0);
    }

    // A run of the patch with NoRestart; nKillAt > 0 arms the kill point in
    // the child only.
    static CMasterDir::Run Run(CMasterDir &master, int nKillAt)
    {
        if (nKillAt > 0) {
            EXPECT_TRUE(SetEnvironmentVariableA(kKillVariable, std::to_string(nKillAt).c_str()));
        }
        CMasterDir::Run run = master.RunPatch("NoRestart", "P_FL132.exe", RealMs(120000));
        SetEnvironmentVariableA(kKillVariable, NULL);
        return run;
    }

    static std::string Read(const std::string &strPath)
    {
        return FileExists(strPath) ? ReadFileBytes(strPath) : "<absent>";
    }

    // Every file of every row is in one of the states that lose nothing: the
    // previous version in place; the new one in place and the previous one in
    // FLBak; or the previous one in FLBak and the destination absent. Each
    // file found absent is added to absent.
    void ExpectNothingLost(const CMasterDir &master, int nKillAt, std::vector<std::string> &absent) const
    {
        for (const Row &row : kRows) {
            std::string strDir = master / row.pszDir;
            for (const Member &member : m_members) {
                std::string strDest = Read(strDir + "\\" + member.pszName);
                std::string strBak = Read(strDir + "\\FLBak\\" + member.pszName);
                std::string strWhere = std::string(row.pszDir) + "\\" + member.pszName + ", kill point " +
                                       std::to_string(nKillAt);
                if (!row.bBackup) {
                    EXPECT_TRUE(strDest == member.strOld || strDest == member.strNew) << strWhere;
                    EXPECT_FALSE(FileExists(strDir + "\\FLBak")) << strWhere;
                    continue;
                }
                bool bOldInPlace = strDest == member.strOld && (strBak == "<absent>" || strBak == member.strOld);
                bool bReplaced = strDest == member.strNew && strBak == member.strOld;
                bool bMovedAside = strDest == "<absent>" && strBak == member.strOld;
                EXPECT_TRUE(bOldInPlace || bReplaced || bMovedAside)
                    << strWhere << ": destination " << (strDest == member.strOld   ? "old"
                                                        : strDest == member.strNew ? "new"
                                                                                   : strDest)
                    << ", backup "
                    << (strBak == member.strOld ? "old" : strBak == member.strNew ? "new" : strBak);
                if (bMovedAside)
                    absent.push_back(strWhere);
            }
        }
    }

    // The update complete: every file new. Where the row keeps backups, a
    // previous version that is no longer in FLBak is added to lost; with
    // bStrict that is a failure as well.
    void ExpectUpdated(const CMasterDir &master, int nKillAt, bool bStrict, std::vector<std::string> &lost) const
    {
        for (const Row &row : kRows) {
            std::string strDir = master / row.pszDir;
            for (const Member &member : m_members) {
                std::string strWhere = std::string(row.pszDir) + "\\" + member.pszName + ", kill point " +
                                       std::to_string(nKillAt);
                EXPECT_EQ(Read(strDir + "\\" + member.pszName), member.strNew) << strWhere;
                if (!row.bBackup)
                    continue;
                std::string strBak = Read(strDir + "\\FLBak\\" + member.pszName);
                if (strBak == member.strOld)
                    continue;
                lost.push_back(strWhere + (strBak == member.strNew ? ": FLBak holds the new version" : ""));
                if (bStrict)
                    ADD_FAILURE() << "previous version lost: " << lost.back();
            }
        }
    }

    // Kills a fresh run at each step in turn, from the first until a run
    // completes, checks what each kill left and runs the patch again over it.
    void TryEveryKillPoint(bool bStrictBackups)
    {
        int nTried = 0;
        std::vector<std::string> lost;
        for (int nKillAt = 1;; ++nKillAt) {
            // A run takes a few dozen steps; far more means it never outlives a kill.
            ASSERT_LT(nKillAt, kMostKillPoints) << "every run was killed";
            CMasterDir master;
            ASSERT_NO_FATAL_FAILURE(Install(master));
            CMasterDir::Run run = Run(master, nKillAt);
            ASSERT_TRUE(run.process.bFinished) << "kill point " << nKillAt;
            if (master.RecordResult() != "<none>") {
                // The run outlived its kill point: every step has been tried.
                if (nKillAt == 1)
                    GTEST_SKIP() << kKillVariable << " has no effect here";
                EXPECT_EQ(master.RecordResult(), "1") << run.strLog;
                ExpectUpdated(master, nKillAt, true, lost);
                break;
            }
            ++nTried;
            std::vector<std::string> absent;
            ExpectNothingLost(master, nKillAt, absent);
            for (const std::string &strAbsent : absent)
                printf("absent from its directory, previous version in FLBak: %s\n", strAbsent.c_str());

            CMasterDir::Run second = Run(master, 0);
            ASSERT_TRUE(second.process.bFinished) << "kill point " << nKillAt;
            EXPECT_EQ(master.RecordResult(), "1") << "kill point " << nKillAt << "\n" << second.strLog;
            if (!second.texts.empty() && second.texts.back() == "Do not need to update,exit.\r\n")
                printf("second run found nothing to update: kill point %d\n", nKillAt);
            ExpectUpdated(master, nKillAt, bStrictBackups, lost);
        }
        for (const std::string &strLost : lost)
            printf("second run replaced the previous version in FLBak: %s\n", strLost.c_str());
        printf("kill points tried: %d\n", nTried);
        EXPECT_GT(nTried, 0);
    }

    CTestDir m_packDir;
    std::vector<Member> m_members;
};

// After a kill every file is whole somewhere, and a second run brings every
// file to the new version.
TEST_F(KillPoints, EveryStepKilledLosesNothingAndASecondRunCompletes)
{
    TryEveryKillPoint(false);
}

// A second run after a kill keeps every previous version in FLBak: a file
// that the killed run had already replaced is not backed up again over it.
TEST_F(KillPoints, SecondRunAfterAKillKeepsEveryPreviousVersion)
{
    TryEveryKillPoint(true);
}

}  // namespace
