// StartServiceByName and StopServiceByName against the test service. The
// 91-query limits run only where the layer divides the waits (tests named
// *Limit*); elsewhere they would take a minute and a half each.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ServiceControl.h"
#include "test_services_support.h"

namespace {

using Texts = std::vector<std::string>;

// A whole wait of the operations, in this run's time.
DWORD OnePoll() { return 1000 / TimeDivisor(); }

class CTimer {
public:
    DWORD Elapsed() const { return GetTickCount() - m_dwStart; }

private:
    DWORD m_dwStart = GetTickCount();
};

TestServiceBehaviour Behaviour(void (*pfnSet)(TestServiceBehaviour &))
{
    TestServiceBehaviour behaviour;
    pfnSet(behaviour);
    return behaviour;
}

// The limit tests run where the waits are shortened.
bool IsScaled() { return TimeDivisor() >= 10; }
const char kUnscaled[] = "91 real seconds; runs where W32_TIME_DIVISOR shortens the waits";

TEST(ServiceControl, StartOfARunningServiceSucceedsWithoutWaiting)
{
    CTestService service(UniqueServiceName("fl_running"), {});
    ASSERT_TRUE(service.Created()) << service.CreateError();
    ASSERT_TRUE(service.StartAndWaitRunning());
    CTimer timer;
    EXPECT_EQ(StartServiceByName(NULL, service.Name().c_str()), 0u);
    EXPECT_LT(timer.Elapsed(), OnePoll());
    EXPECT_EQ(service.EventTexts(), (Texts{"state 2", "state 4"}));
}

TEST(ServiceControl, StopOfAServiceNotRunningSucceedsWithoutWaiting)
{
    CTestService service(UniqueServiceName("fl_idle"), {});
    ASSERT_TRUE(service.Created()) << service.CreateError();
    CTimer timer;
    EXPECT_EQ(StopServiceByName(NULL, service.Name().c_str()), 0u);
    EXPECT_LT(timer.Elapsed(), OnePoll());
    EXPECT_EQ(service.State(), (DWORD)SERVICE_STOPPED);
}

TEST(ServiceControl, StartWaitsForAServiceThatTakesThreeSeconds)
{
    CTestService service(UniqueServiceName("fl_slow"),
                         Behaviour([](TestServiceBehaviour &b) { b.nStartDelay = 3; }));
    ASSERT_TRUE(service.Created()) << service.CreateError();
    CTimer timer;
    EXPECT_EQ(StartServiceByName(NULL, service.Name().c_str()), 0u);
    // Running after three seconds, seen at the third or fourth query.
    EXPECT_GE(timer.Elapsed(), 3 * OnePoll());
    EXPECT_LT(timer.Elapsed(), 10 * OnePoll());
    EXPECT_EQ(service.State(), (DWORD)SERVICE_RUNNING);
}

TEST(ServiceControl, StopWaitsWhileTheServiceIsStopPending)
{
    struct Case {
        int nStopDelay;
    } cases[] = {{0}, {2}};
    for (const Case &c : cases) {
        TestServiceBehaviour behaviour;
        behaviour.nStopDelay = c.nStopDelay;
        CTestService service(UniqueServiceName("fl_stop"), behaviour);
        ASSERT_TRUE(service.Created()) << service.CreateError();
        ASSERT_TRUE(service.StartAndWaitRunning());
        CTimer timer;
        EXPECT_EQ(StopServiceByName(NULL, service.Name().c_str()), 0u) << c.nStopDelay;
        EXPECT_GE(timer.Elapsed(), (DWORD)(c.nStopDelay > 0 ? c.nStopDelay : 1) * OnePoll());
        EXPECT_EQ(service.State(), (DWORD)SERVICE_STOPPED);
        EXPECT_EQ(service.EventTexts(), (Texts{"state 2", "state 4", "control 1", "state 3", "state 1"}));
    }
}

TEST(ServiceControl, StopOfAServiceThatStaysRunningFailsAfterOneQuery)
{
    CTestService service(UniqueServiceName("fl_stubborn"),
                         Behaviour([](TestServiceBehaviour &b) { b.bIgnoreStop = true; }));
    ASSERT_TRUE(service.Created()) << service.CreateError();
    ASSERT_TRUE(service.StartAndWaitRunning());
    CTimer timer;
    EXPECT_EQ(StopServiceByName(NULL, service.Name().c_str()), (DWORD)ERROR_SERVICE_REQUEST_TIMEOUT);
    EXPECT_GE(timer.Elapsed(), OnePoll());
    EXPECT_LT(timer.Elapsed(), 10 * OnePoll());
    EXPECT_EQ(service.EventTexts(), (Texts{"state 2", "state 4", "control 1", "state 4"}));
}

TEST(ServiceControl, MissingServiceGivesTheSystemsCodeUnchanged)
{
    std::string strName = UniqueServiceName("fl_absent");
    EXPECT_EQ(StartServiceByName(NULL, strName.c_str()), (DWORD)ERROR_SERVICE_DOES_NOT_EXIST);
    EXPECT_EQ(StopServiceByName(NULL, strName.c_str()), (DWORD)ERROR_SERVICE_DOES_NOT_EXIST);
}

TEST(ServiceControl, RefusedManagerGivesAccessDenied)
{
    CTestService service(UniqueServiceName("fl_refused"), {});
    ASSERT_TRUE(service.Created()) << service.CreateError();
    SetEnvironmentVariableA("W32_SCM_USER", "1");
    SC_HANDLE hProbe = OpenSCManagerA(NULL, NULL, SC_MANAGER_ALL_ACCESS);
    DWORD dwStart = StartServiceByName(NULL, service.Name().c_str());
    DWORD dwStop = StopServiceByName(NULL, service.Name().c_str());
    SetEnvironmentVariableA("W32_SCM_USER", NULL);
    if (hProbe) {
        CloseServiceHandle(hProbe);
        StopServiceByName(NULL, service.Name().c_str());
        GTEST_SKIP() << "this process has full rights on this target";
    }
    EXPECT_EQ(dwStart, (DWORD)ERROR_ACCESS_DENIED);
    EXPECT_EQ(dwStop, (DWORD)ERROR_ACCESS_DENIED);
    EXPECT_EQ(service.EventTexts(), Texts{});
}

TEST(ServiceControlLimit, StartOfAServiceThatNeverRunsFailsAfter91Queries)
{
    if (!IsScaled())
        GTEST_SKIP() << kUnscaled;
    struct Case {
        const char *pszWhat;
        TestServiceBehaviour behaviour;
    } cases[] = {
        {"stays start-pending", Behaviour([](TestServiceBehaviour &b) { b.bNeverRun = true; })},
        {"falls back to stopped", Behaviour([](TestServiceBehaviour &b) { b.bFailStart = true; })},
    };
    for (const Case &c : cases) {
        CTestService service(UniqueServiceName("fl_never"), c.behaviour);
        ASSERT_TRUE(service.Created()) << service.CreateError();
        CTimer timer;
        EXPECT_EQ(StartServiceByName(NULL, service.Name().c_str()),
                  (DWORD)ERROR_SERVICE_REQUEST_TIMEOUT)
            << c.pszWhat;
        EXPECT_GE(timer.Elapsed(), 91 * OnePoll()) << c.pszWhat;
    }
}

TEST(ServiceControlLimit, StopOfAServiceThatStaysStopPendingFailsAfter91Queries)
{
    if (!IsScaled())
        GTEST_SKIP() << kUnscaled;
    CTestService service(UniqueServiceName("fl_hang"),
                         Behaviour([](TestServiceBehaviour &b) { b.bStopHang = true; }));
    ASSERT_TRUE(service.Created()) << service.CreateError();
    ASSERT_TRUE(service.StartAndWaitRunning());
    CTimer timer;
    EXPECT_EQ(StopServiceByName(NULL, service.Name().c_str()), (DWORD)ERROR_SERVICE_REQUEST_TIMEOUT);
    EXPECT_GE(timer.Elapsed(), 91 * OnePoll());
    EXPECT_EQ(service.State(), (DWORD)SERVICE_STOP_PENDING);
}

}  // namespace
