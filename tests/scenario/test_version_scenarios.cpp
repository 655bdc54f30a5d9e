// Whole runs that the installed versions steer: restart only, or update.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "PatchHarness.h"
#include "VersionDll.h"

namespace {

using Texts = std::vector<std::string>;

struct Copy {
    const char *pszDir;
    const char *pszVersion;
};

void InstallCopies(const CMasterDir &master, const std::vector<Copy> &copies)
{
    for (const Copy &copy : copies) {
        VersionDllSpec dllSpec;
        ASSERT_TRUE(ParseVersionText(copy.pszVersion, dllSpec.wFileVersion));
        std::string strDir = master / copy.pszDir;
        ASSERT_TRUE(CreateTree(strDir));
        ASSERT_TRUE(WriteFileBytes(strDir + "\\KsUpdate.dll", BuildVersionDll(dllSpec)));
    }
}

bool HasText(const Texts &texts, const std::string &strText)
{
    for (const std::string &str : texts)
        if (str == strText)
            return true;
    return false;
}

TEST(VersionScenario, NoCopyInTheWindowTakesTheRestartOnlyPath)
{
    struct Case {
        const char *pszWhat;
        int nMode;
        std::vector<Copy> copies;
    } cases[] = {
        {"no copy anywhere", 0, {}},
        {"no copy anywhere, HTTP-based", 1, {}},
        {"only patched and older copies", 0, {{"console", "1.32"}, {"Console\\Tools\\Refresher", "1.24"}}},
        {"a portal copy on a server that is not HTTP-based", 3, {{"portal\\svc", "1.30"}}},
    };
    for (const Case &c : cases) {
        CMasterDir master;
        ASSERT_TRUE(master.InstallPatch());
        master.WriteServerMode(c.nMode);
        InstallCopies(master, c.copies);
        CMasterDir::Run run = master.RunPatch("NoRestart");
        ASSERT_TRUE(run.process.bFinished) << c.pszWhat;
        EXPECT_EQ(run.process.dwExitCode, 0u);
        ASSERT_FALSE(run.texts.empty()) << c.pszWhat;
        EXPECT_EQ(run.texts.back(), "Do not need to update,exit.\r\n") << c.pszWhat;
        EXPECT_EQ(master.RecordResult(), "1") << c.pszWhat;
    }
}

// A copy in the window makes the run update; whatever the update then does,
// the restart-only path is not taken.
TEST(VersionScenario, CopyInTheWindowReachesTheUpdate)
{
    struct Case {
        const char *pszWhat;
        const char *pszSubPath;
        int nMode;
        std::vector<Copy> copies;
    } cases[] = {
        {"console copy", "Guardpost", 0, {{"console", "1.30.5"}}},
        {"portal copy on an HTTP-based server", "Guardpost", 1, {{"portal\\bin", "1.25"}}},
        {"several copies, the first in the window ends the probe", "Guard post", 0,
         {{"console", "1.32"}, {"Console\\Tools\\TimedRefresh", "1.31"}, {"Console\\Tools\\Refresher", "2.0"}}},
    };
    for (const Case &c : cases) {
        CMasterDir master(c.pszSubPath);
        ASSERT_TRUE(master.InstallPatch()) << c.pszWhat;
        master.WriteServerMode(c.nMode);
        InstallCopies(master, c.copies);
        CMasterDir::Run run = master.RunPatch("NoRestart");
        ASSERT_TRUE(run.process.bFinished) << c.pszWhat;
        EXPECT_EQ(run.process.dwExitCode, 0u);
        EXPECT_FALSE(HasText(run.texts, "Do not need to update,exit.\r\n")) << c.pszWhat << run.strLog;
        EXPECT_TRUE(HasText(run.texts, "Update failed,exit.\r\n") || HasText(run.texts, "Update ok.\r\n"))
            << c.pszWhat << run.strLog;
    }
}

}  // namespace
