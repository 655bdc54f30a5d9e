#include "test_services_support.h"

#include <stdio.h>
#include <stdlib.h>

std::string UniqueServiceName(const std::string &strBase)
{
    return strBase + "_" + std::to_string(GetCurrentProcessId());
}

DWORD TimeDivisor()
{
    char sz[32] = {0};
    DWORD n = GetEnvironmentVariableA("W32_TIME_DIVISOR", sz, sizeof sz);
    long nDivisor = n > 0 && n < sizeof sz ? strtol(sz, nullptr, 10) : 1;
    return nDivisor > 1 ? (DWORD)nDivisor : 1;
}

CTestService::CTestService(const std::string &strName, const TestServiceBehaviour &behaviour)
    : m_strName(strName), m_strRecord(m_dir / "record.txt")
{
    std::string strCommand = Quote(ProgramDir() + "test_service.exe") + " --name " + Quote(strName) +
                             " --record " + Quote(m_strRecord);
    if (behaviour.nStartDelay)
        strCommand += " --start-delay " + std::to_string(behaviour.nStartDelay);
    if (behaviour.nStopDelay)
        strCommand += " --stop-delay " + std::to_string(behaviour.nStopDelay);
    if (behaviour.nCrashAfter >= 0)
        strCommand += " --crash-after " + std::to_string(behaviour.nCrashAfter);
    if (behaviour.bNeverRun)
        strCommand += " --never-run";
    if (behaviour.bFailStart)
        strCommand += " --fail-start";
    if (behaviour.bStopHang)
        strCommand += " --stop-hang";
    if (behaviour.bIgnoreStop)
        strCommand += " --ignore-stop";
    m_hManager = OpenSCManagerA(NULL, NULL, SC_MANAGER_ALL_ACCESS);
    if (!m_hManager) {
        m_dwCreateError = GetLastError();
        return;
    }
    m_hService = CreateServiceA(m_hManager, strName.c_str(), strName.c_str(), SERVICE_ALL_ACCESS,
                                SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START,
                                SERVICE_ERROR_NORMAL, strCommand.c_str(), NULL, NULL, NULL, NULL,
                                NULL);
    if (!m_hService)
        m_dwCreateError = GetLastError();
}

CTestService::~CTestService()
{
    if (m_hService) {
        // Whatever it does, the quit file makes it report stopped and end.
        WriteFileBytes(m_strRecord + ".quit", "");
        WaitForState(SERVICE_STOPPED, 30000);
        DeleteService(m_hService);
        CloseServiceHandle(m_hService);
    }
    if (m_hManager)
        CloseServiceHandle(m_hManager);
}

BOOL CTestService::Start() { return StartServiceA(m_hService, 0, NULL); }

DWORD CTestService::State() const
{
    SERVICE_STATUS status = {};
    return QueryServiceStatus(m_hService, &status) ? status.dwCurrentState : 0;
}

bool CTestService::WaitForState(DWORD dwState, DWORD dwTimeoutMs) const
{
    DWORD dwStart = GetTickCount();
    while (State() != dwState) {
        if (GetTickCount() - dwStart >= dwTimeoutMs)
            return false;
        Sleep(20 * TimeDivisor());  // 20 ms, whatever the divisor
    }
    return true;
}

bool CTestService::StartAndWaitRunning() { return Start() && WaitForState(SERVICE_RUNNING); }

std::vector<ServiceEvent> CTestService::Events() const
{
    std::vector<ServiceEvent> events;
    std::string strRecord = ReadFileBytes(m_strRecord);
    size_t nStart = 0;
    for (size_t nEnd; (nEnd = strRecord.find("\r\n", nStart)) != std::string::npos; nStart = nEnd + 2) {
        std::string strLine = strRecord.substr(nStart, nEnd - nStart);
        size_t nSpace = strLine.find(' ');
        if (nSpace == std::string::npos)
            continue;
        ServiceEvent event;
        event.dwTick = (DWORD)strtoul(strLine.substr(0, nSpace).c_str(), nullptr, 10);
        event.strEvent = strLine.substr(nSpace + 1);
        events.push_back(event);
    }
    return events;
}

std::vector<std::string> CTestService::EventTexts() const
{
    std::vector<std::string> texts;
    for (const ServiceEvent &event : Events())
        texts.push_back(event.strEvent);
    return texts;
}
