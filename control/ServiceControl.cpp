#include "ServiceControl.h"

#include "ServiceLibrary.h"
#include "Trace.h"

namespace {

const char kMasterService[] = "rirorariza";
const DWORD kPollIntervalMs = 1000;
// Queries after the first one.
const int kMaxFurtherQueries = 90;

bool IsNotRunning(DWORD dwState) { return dwState != SERVICE_RUNNING; }

bool IsStopPending(DWORD dwState) { return dwState == SERVICE_STOP_PENDING; }

// Queries the state once a second while pfnKeepWaiting holds for it, at most
// 1 + kMaxFurtherQueries times. A failed query ends the polling and leaves the
// last state read in status.
void PollServiceState(const CServiceLibrary &library, SC_HANDLE hService, SERVICE_STATUS &status,
                      bool (*pfnKeepWaiting)(DWORD))
{
    SERVICE_STATUS queried = {};
    Sleep(kPollIntervalMs);
    BOOL bQueried = library.m_pfnQueryServiceStatus(hService, &queried);
    int nFurther = 0;
    while (bQueried) {
        status = queried;
        if (nFurther >= kMaxFurtherQueries || !pfnKeepWaiting(status.dwCurrentState))
            break;
        Sleep(kPollIntervalMs);
        ++nFurther;
        bQueried = library.m_pfnQueryServiceStatus(hService, &queried);
    }
}

// What each operation does between opening the service and closing it.
typedef DWORD (*PFN_SERVICE_STEP)(const CServiceLibrary &, SC_HANDLE);

DWORD StartAndWait(const CServiceLibrary &library, SC_HANDLE hService)
{
    PFN_START_SERVICE pfnStart = EntryAs<PFN_START_SERVICE>(library.m_pfnRequest);
    if (!pfnStart(hService, 0, NULL)) {
        DWORD dwError = GetLastError();
        return dwError == ERROR_SERVICE_ALREADY_RUNNING ? 0 : dwError;
    }
    SERVICE_STATUS status = {};  // none read counts as not running
    PollServiceState(library, hService, status, IsNotRunning);
    return status.dwCurrentState == SERVICE_RUNNING ? 0 : ERROR_SERVICE_REQUEST_TIMEOUT;
}

DWORD StopAndWait(const CServiceLibrary &library, SC_HANDLE hService)
{
    PFN_CONTROL_SERVICE pfnControl = EntryAs<PFN_CONTROL_SERVICE>(library.m_pfnRequest);
    SERVICE_STATUS status = {};
    if (!pfnControl(hService, SERVICE_CONTROL_STOP, &status)) {
        DWORD dwError = GetLastError();
        return dwError == ERROR_SERVICE_NOT_ACTIVE ? 0 : dwError;
    }
    PollServiceState(library, hService, status, IsStopPending);
    return status.dwCurrentState == SERVICE_STOPPED ? 0 : ERROR_SERVICE_REQUEST_TIMEOUT;
}

// Loads the service library, opens the manager and the service with full
// access, runs the step and closes everything again, the service first.
DWORD RunOnService(const char *pszMachine, const char *pszService, const char *pszRequestName,
                   PFN_SERVICE_STEP pfnStep)
{
    CServiceLibrary library(pszRequestName);
    if (library.Error())
        return library.Error();
    SC_HANDLE hManager = library.m_pfnOpenSCManager(pszMachine, NULL, SC_MANAGER_ALL_ACCESS);
    if (!hManager)
        return GetLastError();
    DWORD dwResult;
    SC_HANDLE hService = library.m_pfnOpenService(hManager, pszService, SERVICE_ALL_ACCESS);
    if (!hService) {
        dwResult = GetLastError();
    } else {
        dwResult = pfnStep(library, hService);
        library.m_pfnCloseServiceHandle(hService);
    }
    library.m_pfnCloseServiceHandle(hManager);
    return dwResult;
}

}  // namespace

DWORD StartServiceByName(const char *pszMachine, const char *pszService)
{
    return RunOnService(pszMachine, pszService, "StartServiceA", StartAndWait);
}

DWORD StopServiceByName(const char *pszMachine, const char *pszService)
{
    return RunOnService(pszMachine, pszService, "ControlService", StopAndWait);
}

int StopMasterService(const char *pszMasterDir)
{
    if (!pszMasterDir)
        return 0;
    DWORD dwError = StopServiceByName(NULL, kMasterService);
    if (dwError) {
        TraceMessage(__FILE__, __LINE__, "Stop master service error = %d\n", (int)dwError);
        return 0;
    }
    return 1;
}

int StartMasterService(const char *pszMasterDir)
{
    if (!pszMasterDir)
        return 0;
    DWORD dwError = StartServiceByName(NULL, kMasterService);
    if (dwError) {
        TraceMessage(__FILE__, __LINE__, "Start master service error = %d\n", (int)dwError);
        return 0;
    }
    return 1;
}
