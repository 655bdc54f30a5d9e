// A test service registered with the service control manager of the target
// (the layer's, or Wine's), and what it recorded.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "TestSupport.h"
#include "test_service_behaviour.h"

// One line of the service's record: its tick and "control <n>" or "state <n>".
struct ServiceEvent {
    DWORD dwTick = 0;
    std::string strEvent;
};

// A name no other test program uses at the same time: strBase and this
// process's id.
std::string UniqueServiceName(const std::string &strBase);

// The time divisor of the layer (1 where there is none).
DWORD TimeDivisor();

// Registers the test service under a name; the destructor makes it end,
// waits for it to read as stopped and deletes it.
class CTestService {
public:
    CTestService(const std::string &strName, const TestServiceBehaviour &behaviour);
    ~CTestService();
    CTestService(const CTestService &) = delete;
    CTestService &operator=(const CTestService &) = delete;

    bool Created() const { return m_hService != NULL; }
    DWORD CreateError() const { return m_dwCreateError; }
    const std::string &Name() const { return m_strName; }
    SC_HANDLE Handle() const { return m_hService; }

    // StartServiceA; the last error is left as it set it.
    BOOL Start();
    // The current state, 0 when the query fails.
    DWORD State() const;
    // Polls every 20 ms until the state is dwState; false after dwTimeoutMs.
    bool WaitForState(DWORD dwState, DWORD dwTimeoutMs = 20000) const;
    // Starts it and waits until it runs.
    bool StartAndWaitRunning();

    std::vector<ServiceEvent> Events() const;
    // The events without their ticks.
    std::vector<std::string> EventTexts() const;

private:
    std::string m_strName;
    CTestDir m_dir;
    std::string m_strRecord;
    SC_HANDLE m_hManager = NULL;
    SC_HANDLE m_hService = NULL;
    DWORD m_dwCreateError = 0;
};
