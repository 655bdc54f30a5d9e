// The service side: the dispatcher that runs a service program's ServiceMain
// and hands it the controls, and the status the service reports.
#include "services_internal.h"

#include <unistd.h>

#include <atomic>
#include <mutex>
#include <thread>

namespace {

using namespace w32svc;

constexpr DWORD kControlPollMs = 2;

// The one service of this process (services of their own process only).
struct CServiceProcess {
    std::mutex lock;  // guards the handler
    std::atomic<bool> bConnected{false};
    std::string strName;
    CStateFile state;
    LPHANDLER_FUNCTION pfnHandler = nullptr;
    LPHANDLER_FUNCTION_EX pfnHandlerEx = nullptr;
    LPVOID pContext = nullptr;
    std::vector<std::string> args;
    std::vector<char *> argv;
};

CServiceProcess &Process()
{
    static auto *s_pProcess = new CServiceProcess;  // outlives the detached ServiceMain
    return *s_pProcess;
}

SERVICE_STATUS_HANDLE__ g_statusHandle;

std::string TakeVariable(const char *pszName)
{
    const char *psz = getenv(pszName);
    std::string str = psz ? psz : "";
    unsetenv(pszName);  // not for the service's own children
    return str;
}

// Connects this process to its record: false when the manager did not start
// it as that service's current start.
bool Connect(CServiceProcess &process)
{
    std::string strName = TakeVariable(kServiceNameVariable);
    std::string strGeneration = TakeVariable(kServiceGenerationVariable);
    std::string strArgs = TakeVariable(kServiceArgsVariable);
    if (!ValidServiceName(strName.c_str()))
        return false;
    if (!process.state.Open(PathsOf(strName).strState, false) || !process.state.TryLock(kAliveByte))
        return false;
    DWORD dwGeneration = (DWORD)strtoul(strGeneration.c_str(), nullptr, 10);
    ServiceRecord record = process.state.Read();
    if (record.dwGeneration != dwGeneration || record.dwConnected == dwGeneration) {
        process.state.Unlock(kAliveByte);
        return false;
    }
    process.strName = strName;
    process.args.push_back(strName);  // argv[0] is the service's name
    std::vector<std::string> extra = w32::SplitCommandLine(("x" + strArgs).c_str());
    process.args.insert(process.args.end(), extra.begin() + (extra.empty() ? 0 : 1), extra.end());
    for (std::string &str : process.args)
        process.argv.push_back(&str[0]);
    process.argv.push_back(nullptr);
    process.state.Update([&](ServiceRecord &r) {
        r.dwConnected = dwGeneration;
        r.dwPid = (DWORD)getpid();
    });
    return true;
}

DWORD CallHandler(CServiceProcess &process, DWORD dwControl)
{
    LPHANDLER_FUNCTION pfnHandler;
    LPHANDLER_FUNCTION_EX pfnHandlerEx;
    LPVOID pContext;
    {
        std::lock_guard<std::mutex> guard(process.lock);
        pfnHandler = process.pfnHandler;
        pfnHandlerEx = process.pfnHandlerEx;
        pContext = process.pContext;
    }
    if (pfnHandlerEx)
        return pfnHandlerEx(dwControl, 0, nullptr, pContext);
    if (pfnHandler) {
        pfnHandler(dwControl);
        return NO_ERROR;
    }
    return ERROR_SERVICE_CANNOT_ACCEPT_CTRL;
}

SERVICE_STATUS_HANDLE RegisterHandler(LPHANDLER_FUNCTION pfnHandler, LPHANDLER_FUNCTION_EX pfnHandlerEx,
                                      LPVOID pContext)
{
    CServiceProcess &process = Process();
    std::lock_guard<std::mutex> guard(process.lock);
    if (!process.bConnected) {
        SetLastError(ERROR_SERVICE_NOT_IN_EXE);
        return nullptr;
    }
    process.pfnHandler = pfnHandler;
    process.pfnHandlerEx = pfnHandlerEx;
    process.pContext = pContext;
    SetLastError(ERROR_SUCCESS);
    return &g_statusHandle;
}

}  // namespace

extern "C" BOOL WINAPI StartServiceCtrlDispatcherA(const SERVICE_TABLE_ENTRYA *lpServiceStartTable)
{
    if (!lpServiceStartTable || !lpServiceStartTable[0].lpServiceProc) {
        SetLastError(ERROR_INVALID_DATA);
        return FALSE;
    }
    CServiceProcess &process = Process();
    {
        std::lock_guard<std::mutex> guard(process.lock);
        if (process.bConnected) {
            SetLastError(ERROR_SERVICE_ALREADY_RUNNING);
            return FALSE;
        }
        if (!Connect(process)) {
            SetLastError(ERROR_FAILED_SERVICE_CONTROLLER_CONNECT);
            return FALSE;
        }
        process.bConnected = true;
    }
    LPSERVICE_MAIN_FUNCTIONA pfnMain = lpServiceStartTable[0].lpServiceProc;
    std::thread main([&process, pfnMain] {
        pfnMain((DWORD)(process.argv.size() - 1), process.argv.data());
    });
    main.detach();  // the dispatcher ends when the service reports stopped

    DWORD dwSeen = process.state.Read().dwControlSeq;
    for (;;) {
        ServiceRecord record = process.state.Read();
        if (record.dwControlSeq != dwSeen) {
            dwSeen = record.dwControlSeq;
            DWORD dwResult = CallHandler(process, record.dwControl);
            process.state.Update([&](ServiceRecord &r) {
                r.dwAckSeq = dwSeen;
                r.dwAckResult = dwResult;
            });
            continue;
        }
        if (record.status.dwCurrentState == SERVICE_STOPPED)
            break;
        usleep(kControlPollMs * 1000);
    }
    ServicePaths paths = PathsOf(process.strName);
    if (access(paths.strDeleted.c_str(), F_OK) == 0)
        RemoveServiceFiles(paths);  // deleted while it ran
    process.state.Unlock(kAliveByte);
    return TRUE;
}

extern "C" SERVICE_STATUS_HANDLE WINAPI RegisterServiceCtrlHandlerA(LPCSTR,
                                                                    LPHANDLER_FUNCTION lpHandlerProc)
{
    return RegisterHandler(lpHandlerProc, nullptr, nullptr);
}

extern "C" SERVICE_STATUS_HANDLE WINAPI RegisterServiceCtrlHandlerExA(LPCSTR,
                                                                      LPHANDLER_FUNCTION_EX lpHandlerProc,
                                                                      LPVOID lpContext)
{
    return RegisterHandler(nullptr, lpHandlerProc, lpContext);
}

extern "C" BOOL WINAPI SetServiceStatus(SERVICE_STATUS_HANDLE hServiceStatus,
                                        LPSERVICE_STATUS lpServiceStatus)
{
    CServiceProcess &process = Process();
    if (hServiceStatus != &g_statusHandle || !process.bConnected) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!lpServiceStatus) {
        SetLastError(ERROR_INVALID_ADDRESS);
        return FALSE;
    }
    DWORD dwState = lpServiceStatus->dwCurrentState;
    if (dwState < SERVICE_STOPPED || dwState > SERVICE_PAUSED) {
        SetLastError(ERROR_INVALID_DATA);
        return FALSE;
    }
    SERVICE_STATUS status = *lpServiceStatus;
    process.state.Update([&](ServiceRecord &record) { record.status = status; });
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}
