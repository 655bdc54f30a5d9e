// The master service "rirorariza" in whole runs of the patch, and the two
// wrappers that the runs call.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "PatchHarness.h"
#include "ServiceControl.h"
#include "Trace.h"
#include "test_services_support.h"

namespace {

using Texts = std::vector<std::string>;

const char kMasterService[] = "rirorariza";
const char kBanner[] = "Freshline 1.32 patch for Guardpost\r\n";

// The test service, registered and running (as a fatal failure if it is not).
void StartRunning(CTestService &service)
{
    ASSERT_TRUE(service.Created()) << service.CreateError();
    ASSERT_TRUE(service.StartAndWaitRunning());
}

// A whole run of the patch on an HTTP-based server with nothing to update.
CMasterDir::Run RunOnHttpServer(CMasterDir &master, const std::string &strArguments = "")
{
    EXPECT_TRUE(master.InstallPatch());
    master.WriteServerMode(1);
    CMasterDir::Run run = master.RunPatch(strArguments);
    EXPECT_TRUE(run.process.bFinished);
    return run;
}

Texts HttpRestartTexts(const Texts &errors)
{
    Texts texts = {kBanner, "gbNoStart = 0\r\n", "Server mode = 1\r\n", "Restart programs"};
    texts.insert(texts.end(), errors.begin(), errors.end());
    texts.push_back("Do not need to update,exit.\r\n");
    return texts;
}

TEST(MasterServiceRun, RestartOnlyPathStopsAndStartsTheService)
{
    CTestService service(kMasterService, {});
    ASSERT_NO_FATAL_FAILURE(StartRunning(service));
    CMasterDir master;
    CMasterDir::Run run = RunOnHttpServer(master);
    EXPECT_EQ(run.texts, HttpRestartTexts({}));
    EXPECT_EQ(master.RecordResult(), "1");
    EXPECT_EQ(service.State(), (DWORD)SERVICE_RUNNING);

    std::vector<ServiceEvent> events = service.Events();
    Texts texts;
    for (const ServiceEvent &event : events)
        texts.push_back(event.strEvent);
    ASSERT_EQ(texts, (Texts{"state 2", "state 4", "control 1", "state 3", "state 1", "state 2",
                            "state 4"}));
    // Between the stop request and the new start: the first status query of
    // the stop (1000 ms) and the pause between the two operations (1000 ms).
    EXPECT_GE(events[5].dwTick - events[2].dwTick, 2000u / TimeDivisor());
}

TEST(MasterServiceRun, MissingServiceIsTracedAndTheRunStillSucceeds)
{
    CMasterDir master;
    CMasterDir::Run run = RunOnHttpServer(master);
    EXPECT_EQ(run.texts, HttpRestartTexts({"Stop master service error = 1060\r\n",
                                           "Start master service error = 1060\r\n"}));
    EXPECT_EQ(master.RecordResult(), "1");
}

TEST(MasterServiceRun, NoRestartLeavesTheServiceAlone)
{
    CTestService service(kMasterService, {});
    ASSERT_NO_FATAL_FAILURE(StartRunning(service));
    CMasterDir master;
    RunOnHttpServer(master, "NoRestart");
    EXPECT_EQ(master.RecordResult(), "1");
    EXPECT_EQ(service.EventTexts(), (Texts{"state 2", "state 4"}));
}

// The wrappers, called in this process with the trace log in a file.
class MasterServiceWrappers : public ::testing::Test {
protected:
    void SetUp() override { SetTraceOptions(TRACE_FILE, m_strLog.c_str()); }
    void TearDown() override { SetTraceOptions(TRACE_OFF, NULL); }
    Texts LogTexts() const
    {
        Texts texts;
        for (const TraceRecord &record : ParseTraceLog(ReadFileBytes(m_strLog)))
            texts.push_back(record.strText);
        return texts;
    }

    CTestDir m_dir;
    std::string m_strLog = m_dir / "wrappers.log";
};

TEST_F(MasterServiceWrappers, NullMasterDirectoryTouchesNoService)
{
    CTestService service(kMasterService, {});
    ASSERT_NO_FATAL_FAILURE(StartRunning(service));
    EXPECT_EQ(StopMasterService(NULL), 0);
    EXPECT_EQ(StartMasterService(NULL), 0);
    EXPECT_EQ(service.EventTexts(), (Texts{"state 2", "state 4"}));
    EXPECT_EQ(LogTexts(), Texts{});
}

TEST_F(MasterServiceWrappers, StopAndStartTheMasterService)
{
    CTestService service(kMasterService, {});
    ASSERT_NO_FATAL_FAILURE(StartRunning(service));
    EXPECT_EQ(StopMasterService("C:\\Guardpost\\"), 1);
    EXPECT_EQ(service.State(), (DWORD)SERVICE_STOPPED);
    EXPECT_EQ(StopMasterService("C:\\Guardpost\\"), 1) << "not running counts as stopped";
    EXPECT_EQ(StartMasterService("C:\\Guardpost\\"), 1);
    EXPECT_EQ(service.State(), (DWORD)SERVICE_RUNNING);
    EXPECT_EQ(StartMasterService("C:\\Guardpost\\"), 1) << "running counts as started";
    EXPECT_EQ(LogTexts(), Texts{});
}

TEST_F(MasterServiceWrappers, MissingMasterServiceIsTraced)
{
    EXPECT_EQ(StopMasterService("C:\\Guardpost\\"), 0);
    EXPECT_EQ(StartMasterService("C:\\Guardpost\\"), 0);
    EXPECT_EQ(LogTexts(), (Texts{"Stop master service error = 1060\r\n",
                                 "Start master service error = 1060\r\n"}));
}

}  // namespace
