// demosvc: the service chores of a demonstration, done through the service
// control manager so that they run alike on both targets.
//   demosvc create NAME COMMAND   registers NAME (own process, demand start)
//   demosvc start NAME            starts it and waits until it runs
//   demosvc stop NAME             stops it and waits until it has stopped
//   demosvc delete NAME           stops it when it runs and deletes it
//   demosvc state NAME            prints its state
//   demosvc hold SECONDS          only waits: where services end with the
//                                 last program of a session, this keeps the
//                                 session alive between the demo's programs
// Exits 0 on success, 1 with the Win32 error on stderr otherwise. Waits are
// bounded: 30 looks, 500 ms apart.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

const int kMaxLooks = 30;
const DWORD kLookIntervalMs = 500;

int Fail(const char *pszWhat)
{
    fprintf(stderr, "demosvc: %s failed, error %lu\n", pszWhat, (unsigned long)GetLastError());
    return 1;
}

const char *StateName(DWORD dwState)
{
    switch (dwState) {
    case SERVICE_STOPPED: return "stopped";
    case SERVICE_START_PENDING: return "start pending";
    case SERVICE_STOP_PENDING: return "stop pending";
    case SERVICE_RUNNING: return "running";
    default: return "other";
    }
}

// Polls until the service reaches dwWanted; 0 on success, 1 on failure.
int WaitForState(SC_HANDLE hService, DWORD dwWanted)
{
    SERVICE_STATUS status = {};
    for (int i = 0; i < kMaxLooks; ++i) {
        if (!QueryServiceStatus(hService, &status))
            return Fail("QueryServiceStatus");
        if (status.dwCurrentState == dwWanted)
            return 0;
        Sleep(kLookIntervalMs);
    }
    fprintf(stderr, "demosvc: the service is %s, not %s\n", StateName(status.dwCurrentState),
            StateName(dwWanted));
    return 1;
}

int Stop(SC_HANDLE hService)
{
    SERVICE_STATUS status = {};
    if (!ControlService(hService, SERVICE_CONTROL_STOP, &status))
        return GetLastError() == ERROR_SERVICE_NOT_ACTIVE ? 0 : Fail("ControlService");
    return WaitForState(hService, SERVICE_STOPPED);
}

int Run(SC_HANDLE hManager, const char *pszVerb, const char *pszName, const char *pszCommand)
{
    if (strcmp(pszVerb, "create") == 0) {
        SC_HANDLE hCreated = CreateServiceA(hManager, pszName, pszName, SERVICE_ALL_ACCESS,
                                            SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START,
                                            SERVICE_ERROR_NORMAL, pszCommand, NULL, NULL, NULL,
                                            NULL, NULL);
        if (!hCreated)
            return Fail("CreateService");
        CloseServiceHandle(hCreated);
        return 0;
    }
    SC_HANDLE hService = OpenServiceA(hManager, pszName, SERVICE_ALL_ACCESS);
    if (!hService)
        return Fail("OpenService");
    int nResult = 0;
    if (strcmp(pszVerb, "start") == 0) {
        if (!StartServiceA(hService, 0, NULL) && GetLastError() != ERROR_SERVICE_ALREADY_RUNNING)
            nResult = Fail("StartService");
        else
            nResult = WaitForState(hService, SERVICE_RUNNING);
    } else if (strcmp(pszVerb, "stop") == 0) {
        nResult = Stop(hService);
    } else if (strcmp(pszVerb, "delete") == 0) {
        nResult = Stop(hService);
        if (!DeleteService(hService))
            nResult = Fail("DeleteService");
    } else {
        SERVICE_STATUS status = {};
        if (QueryServiceStatus(hService, &status))
            printf("%s\n", StateName(status.dwCurrentState));
        else
            nResult = Fail("QueryServiceStatus");
    }
    CloseServiceHandle(hService);
    return nResult;
}

}  // namespace

int main(int argc, char *argv[])
{
    const char *pszVerb = argc > 2 ? argv[1] : "";
    if (strcmp(pszVerb, "hold") == 0 && argc == 3) {
        int nSeconds = atoi(argv[2]);
        for (int i = 0; i < nSeconds; ++i)
            Sleep(1000);
        return 0;
    }
    bool bCreate = strcmp(pszVerb, "create") == 0;
    bool bKnown = strcmp(pszVerb, "start") == 0 || strcmp(pszVerb, "stop") == 0 ||
                  strcmp(pszVerb, "delete") == 0 || strcmp(pszVerb, "state") == 0;
    if (bCreate ? argc != 4 : !bKnown || argc != 3) {
        fprintf(stderr, "usage: demosvc create NAME COMMAND | start|stop|delete|state NAME\n"
                        "       demosvc hold SECONDS\n");
        return 2;
    }
    SC_HANDLE hManager = OpenSCManagerA(NULL, NULL, SC_MANAGER_ALL_ACCESS);
    if (!hManager)
        return Fail("OpenSCManager");
    int nResult = Run(hManager, pszVerb, argv[2], bCreate ? argv[3] : NULL);
    CloseServiceHandle(hManager);
    return nResult;
}
