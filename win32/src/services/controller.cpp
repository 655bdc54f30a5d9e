// The controlling side of the service control manager: handles to the manager
// and to services, creation and deletion, start, control and status.
#include "services_internal.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <mutex>
#include <set>

extern char **environ;

namespace {

using namespace w32svc;

// What an SC_HANDLE stands for.
struct CScObject {
    bool bManager = false;
    DWORD dwAccess = 0;
    std::string strName;  // services: the name as created
};

std::mutex g_lock;  // guards the handle set and the children
std::set<CScObject *> g_handles;
std::vector<pid_t> g_children;  // service processes this process started

SC_HANDLE NewHandle(bool bManager, DWORD dwAccess, const std::string &strName)
{
    auto *pObject = new CScObject;
    pObject->bManager = bManager;
    pObject->dwAccess = dwAccess;
    pObject->strName = strName;
    std::lock_guard<std::mutex> guard(g_lock);
    g_handles.insert(pObject);
    return reinterpret_cast<SC_HANDLE>(pObject);
}

// The object behind a handle of the wanted kind, or null with last error 6.
CScObject *Lookup(SC_HANDLE h, bool bManager)
{
    std::lock_guard<std::mutex> guard(g_lock);
    auto it = g_handles.find(reinterpret_cast<CScObject *>(h));
    if (it == g_handles.end() || (*it)->bManager != bManager) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return *it;
}

// The service behind a handle, holding every right of dwNeeded; null with the
// last error set otherwise.
CScObject *LookupService(SC_HANDLE h, DWORD dwNeeded)
{
    CScObject *pService = Lookup(h, false);
    if (pService && (pService->dwAccess & dwNeeded) != dwNeeded) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    return pService;
}

// Ends the zombies of service processes that have exited.
void ReapChildren()
{
    std::lock_guard<std::mutex> guard(g_lock);
    for (auto it = g_children.begin(); it != g_children.end();)
        it = waitpid(*it, nullptr, WNOHANG) != 0 ? g_children.erase(it) : it + 1;
}

// W32_SCM_USER set (and not "0") makes this process a standard user: the
// manager and the services grant it only the rights to look.
bool IsStandardUser()
{
    const char *psz = getenv("W32_SCM_USER");
    return psz && *psz && strcmp(psz, "0") != 0;
}

DWORD MapManagerAccess(DWORD dwAccess)
{
    if (dwAccess & GENERIC_READ)
        dwAccess |= STANDARD_RIGHTS_READ | SC_MANAGER_ENUMERATE_SERVICE | SC_MANAGER_QUERY_LOCK_STATUS;
    if (dwAccess & GENERIC_WRITE)
        dwAccess |= STANDARD_RIGHTS_WRITE | SC_MANAGER_CREATE_SERVICE | SC_MANAGER_MODIFY_BOOT_CONFIG;
    if (dwAccess & GENERIC_EXECUTE)
        dwAccess |= STANDARD_RIGHTS_EXECUTE | SC_MANAGER_CONNECT | SC_MANAGER_LOCK;
    if (dwAccess & GENERIC_ALL)
        dwAccess |= SC_MANAGER_ALL_ACCESS;
    return (dwAccess & ~(GENERIC_READ | GENERIC_WRITE | GENERIC_EXECUTE | GENERIC_ALL)) |
           SC_MANAGER_CONNECT;  // implied by every open
}

DWORD MapServiceAccess(DWORD dwAccess)
{
    if (dwAccess & GENERIC_READ)
        dwAccess |= STANDARD_RIGHTS_READ | SERVICE_QUERY_CONFIG | SERVICE_QUERY_STATUS |
                    SERVICE_INTERROGATE | SERVICE_ENUMERATE_DEPENDENTS;
    if (dwAccess & GENERIC_WRITE)
        dwAccess |= STANDARD_RIGHTS_WRITE | SERVICE_CHANGE_CONFIG;
    if (dwAccess & GENERIC_EXECUTE)
        dwAccess |= STANDARD_RIGHTS_EXECUTE | SERVICE_START | SERVICE_STOP |
                    SERVICE_PAUSE_CONTINUE | SERVICE_USER_DEFINED_CONTROL;
    if (dwAccess & GENERIC_ALL)
        dwAccess |= SERVICE_ALL_ACCESS;
    return dwAccess & ~(GENERIC_READ | GENERIC_WRITE | GENERIC_EXECUTE | GENERIC_ALL);
}

constexpr DWORD kUserManagerRights = READ_CONTROL | SC_MANAGER_CONNECT |
                                     SC_MANAGER_ENUMERATE_SERVICE | SC_MANAGER_QUERY_LOCK_STATUS;
constexpr DWORD kUserServiceRights = READ_CONTROL | SERVICE_QUERY_CONFIG | SERVICE_QUERY_STATUS |
                                     SERVICE_ENUMERATE_DEPENDENTS | SERVICE_INTERROGATE |
                                     SERVICE_USER_DEFINED_CONTROL;

bool FileExists(const std::string &strPath) { return access(strPath.c_str(), F_OK) == 0; }

// The configuration: the name as created, then the command line.
bool ReadConfig(const std::string &strPath, std::string &strName, std::string &strCommandLine)
{
    int fd = open(strPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    char ab[4096];
    std::string strText;
    ssize_t n;
    while ((n = read(fd, ab, sizeof ab)) > 0 && strText.size() < 65536)
        strText.append(ab, (size_t)n);
    close(fd);
    size_t nEnd = strText.find('\n');
    if (nEnd == std::string::npos)
        return false;
    strName = strText.substr(0, nEnd);
    size_t nEnd2 = strText.find('\n', nEnd + 1);
    strCommandLine = strText.substr(nEnd + 1, nEnd2 == std::string::npos ? nEnd2 : nEnd2 - nEnd - 1);
    return true;
}

// Writes the configuration under a temporary name and links it in, so that
// of two processes creating one name exactly one succeeds.
DWORD WriteConfig(const ServicePaths &paths, const std::string &strName, const std::string &strCommandLine)
{
    std::string strTemp = paths.strConfig + ".tmp" + std::to_string(getpid()) + "-" +
                          std::to_string(GetCurrentThreadId());
    int fd = open(strTemp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        return w32::ErrnoToWin32(errno);
    std::string strText = strName + "\n" + strCommandLine + "\n";
    bool bWritten = write(fd, strText.data(), strText.size()) == (ssize_t)strText.size();
    close(fd);
    DWORD dwError = 0;
    if (!bWritten)
        dwError = ERROR_DISK_FULL;
    else if (link(strTemp.c_str(), paths.strConfig.c_str()) != 0)
        dwError = errno == EEXIST ? ERROR_SERVICE_EXISTS : w32::ErrnoToWin32(errno);
    unlink(strTemp.c_str());
    return dwError;
}

// Starts the service program detached from the caller: its own session,
// no console input, its output into the service's log.
DWORD SpawnService(const std::string &strName, const std::string &strCommandLine, DWORD dwGeneration,
                   const std::string &strArgs, const std::string &strLog, pid_t &pid)
{
    std::vector<std::string> args = w32::SplitCommandLine(strCommandLine.c_str());
    if (args.empty())
        return ERROR_FILE_NOT_FOUND;
    w32::ResolvedPath image = w32::ResolvePath(args[0].c_str());
    if (!image.dwError && !image.bExists) {
        w32::ResolvedPath withExe = w32::ResolvePath((args[0] + ".exe").c_str());
        if (withExe.bExists)
            image = withExe;
    }
    if (image.dwError)
        return image.dwError;
    if (!image.bExists)
        return image.bParentExists ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;

    std::vector<std::string> env;
    const std::string astrOwn[] = {std::string(w32::kCommandLineVariable) + "=",
                                   std::string(kServiceNameVariable) + "=",
                                   std::string(kServiceGenerationVariable) + "=",
                                   std::string(kServiceArgsVariable) + "="};
    for (char **pp = environ; *pp; ++pp) {
        bool bOwn = false;
        for (const std::string &strPrefix : astrOwn)
            bOwn = bOwn || strncmp(*pp, strPrefix.c_str(), strPrefix.size()) == 0;
        if (!bOwn)
            env.push_back(*pp);
    }
    env.push_back(astrOwn[0] + strCommandLine);
    env.push_back(astrOwn[1] + strName);
    env.push_back(astrOwn[2] + std::to_string(dwGeneration));
    env.push_back(astrOwn[3] + strArgs);
    std::vector<char *> argv, envp;
    for (std::string &str : args)
        argv.push_back(&str[0]);
    argv.push_back(nullptr);
    for (std::string &str : env)
        envp.push_back(&str[0]);
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, strLog.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0666);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t mask;
    sigemptyset(&mask);
    posix_spawnattr_setsigmask(&attr, &mask);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK);
    int nError = posix_spawn(&pid, image.strPosix.c_str(), &actions, &attr, argv.data(), envp.data());
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&actions);
    if (nError != 0)
        return nError == ENOEXEC || nError == EACCES ? ERROR_BAD_EXE_FORMAT : w32::ErrnoToWin32(nError);
    std::lock_guard<std::mutex> guard(g_lock);
    g_children.push_back(pid);
    return 0;
}

// Waits until the new process has connected its dispatcher; it is killed when
// it exits first or does not connect in time.
DWORD AwaitConnect(CStateFile &state, DWORD dwGeneration, pid_t pid)
{
    uint64_t nDeadline = w32::NowMs() + kPipeTimeoutMs;
    for (;;) {
        if (state.Read().dwConnected == dwGeneration)
            return 0;
        bool bExited = false;
        {
            std::lock_guard<std::mutex> guard(g_lock);
            if (waitpid(pid, nullptr, WNOHANG) == pid) {
                bExited = true;
                g_children.erase(std::find(g_children.begin(), g_children.end(), pid));
            }
        }
        if (bExited || w32::NowMs() >= nDeadline) {
            if (!bExited)
                kill(pid, SIGKILL);
            return ERROR_SERVICE_REQUEST_TIMEOUT;
        }
        usleep(2000);
    }
}

void SetStopped(CStateFile &state, DWORD dwExitCode)
{
    state.Update([&](ServiceRecord &record) { record.status = StoppedStatus(dwExitCode); });
}

DWORD StartLocked(CStateFile &state, const std::string &strName, const std::string &strCommandLine,
                  const std::string &strArgs, const std::string &strLog)
{
    if (state.OtherHolds(kAliveByte)) {
        if (state.Read().status.dwCurrentState != SERVICE_STOPPED)
            return ERROR_SERVICE_ALREADY_RUNNING;
        // It has reported stopped and is on its way out.
        uint64_t nDeadline = w32::NowMs() + kPipeTimeoutMs;
        while (state.OtherHolds(kAliveByte)) {
            if (w32::NowMs() >= nDeadline)
                return ERROR_SERVICE_ALREADY_RUNNING;
            usleep(2000);
        }
    }
    if (!state.TryLock(kStartingByte))
        return ERROR_SERVICE_DATABASE_LOCKED;
    DWORD dwGeneration = 0;
    state.Update([&](ServiceRecord &record) {
        dwGeneration = ++record.dwGeneration;
        record.dwPid = 0;
        record.dwAckSeq = record.dwControlSeq;
        record.status = StoppedStatus(0);
        record.status.dwCurrentState = SERVICE_START_PENDING;
        record.status.dwWaitHint = 2000;
    });
    pid_t pid = 0;
    DWORD dwError = SpawnService(strName, strCommandLine, dwGeneration, strArgs, strLog, pid);
    if (!dwError)
        dwError = AwaitConnect(state, dwGeneration, pid);
    if (dwError)
        SetStopped(state, dwError);
    state.Unlock(kStartingByte);
    return dwError;
}

// Waits for the service to have handled control number dwSeq.
DWORD AwaitAck(CStateFile &state, DWORD dwSeq)
{
    uint64_t nDeadline = w32::NowMs() + kPipeTimeoutMs;
    for (;;) {
        ServiceRecord record = state.Read();
        if (record.dwAckSeq == dwSeq)
            return record.dwAckResult;
        if (!state.IsActive())
            return ERROR_SERVICE_NOT_ACTIVE;
        if (w32::NowMs() >= nDeadline)
            return ERROR_SERVICE_REQUEST_TIMEOUT;
        usleep(1000);
    }
}

// The right a control needs, or 0 for a control code that is not valid.
DWORD RightForControl(DWORD dwControl)
{
    switch (dwControl) {
    case SERVICE_CONTROL_STOP:
        return SERVICE_STOP;
    case SERVICE_CONTROL_PAUSE:
    case SERVICE_CONTROL_CONTINUE:
        return SERVICE_PAUSE_CONTINUE;
    case SERVICE_CONTROL_INTERROGATE:
        return SERVICE_INTERROGATE;
    default:
        return dwControl >= 128 && dwControl <= 255 ? SERVICE_USER_DEFINED_CONTROL : 0;
    }
}

DWORD ControlLocked(CStateFile &state, DWORD dwControl, SERVICE_STATUS &status)
{
    status = EffectiveStatus(state);
    DWORD dwState = status.dwCurrentState;
    if (dwState == SERVICE_STOPPED)
        return ERROR_SERVICE_NOT_ACTIVE;
    if (dwState == SERVICE_STOP_PENDING)
        return ERROR_SERVICE_CANNOT_ACCEPT_CTRL;
    // A control the service does not accept is refused before its state is
    // looked at (a start-pending service that accepts nothing yet: 1052).
    DWORD dwAccepted = status.dwControlsAccepted;
    if ((dwControl == SERVICE_CONTROL_STOP && !(dwAccepted & SERVICE_ACCEPT_STOP)) ||
        ((dwControl == SERVICE_CONTROL_PAUSE || dwControl == SERVICE_CONTROL_CONTINUE) &&
         !(dwAccepted & SERVICE_ACCEPT_PAUSE_CONTINUE)))
        return ERROR_INVALID_SERVICE_CONTROL;
    if (dwState == SERVICE_START_PENDING)
        return ERROR_SERVICE_CANNOT_ACCEPT_CTRL;
    DWORD dwSeq = 0;
    state.Update([&](ServiceRecord &record) {
        dwSeq = ++record.dwControlSeq;
        record.dwControl = dwControl;
    });
    DWORD dwError = AwaitAck(state, dwSeq);
    status = EffectiveStatus(state);
    return dwError;
}

}  // namespace

extern "C" SC_HANDLE WINAPI OpenSCManagerA(LPCSTR lpMachineName, LPCSTR lpDatabaseName,
                                           DWORD dwDesiredAccess)
{
    if (lpMachineName && *lpMachineName) {
        SetLastError(RPC_S_SERVER_UNAVAILABLE);  // only the local machine is known
        return nullptr;
    }
    if (lpDatabaseName && strcasecmp(lpDatabaseName, SERVICES_ACTIVE_DATABASEA) != 0) {
        SetLastError(ERROR_DATABASE_DOES_NOT_EXIST);
        return nullptr;
    }
    DWORD dwAccess = MapManagerAccess(dwDesiredAccess);
    if (IsStandardUser() && (dwAccess & ~kUserManagerRights)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    SetLastError(ERROR_SUCCESS);
    return NewHandle(true, dwAccess, "");
}

extern "C" SC_HANDLE WINAPI OpenServiceA(SC_HANDLE hSCManager, LPCSTR lpServiceName,
                                         DWORD dwDesiredAccess)
{
    if (!Lookup(hSCManager, true))
        return nullptr;
    if (!lpServiceName) {
        SetLastError(ERROR_INVALID_ADDRESS);
        return nullptr;
    }
    if (!ValidServiceName(lpServiceName)) {
        SetLastError(ERROR_INVALID_NAME);
        return nullptr;
    }
    ReapChildren();
    ServicePaths paths = PathsOf(lpServiceName);
    std::string strName, strCommandLine;
    if (FileExists(paths.strDeleted)) {
        CStateFile state;
        if (!state.Open(paths.strState, false) || !state.IsActive())
            RemoveServiceFiles(paths);  // its last process has gone
    }
    if (!ReadConfig(paths.strConfig, strName, strCommandLine)) {
        SetLastError(ERROR_SERVICE_DOES_NOT_EXIST);
        return nullptr;
    }
    DWORD dwAccess = MapServiceAccess(dwDesiredAccess);
    if (IsStandardUser() && (dwAccess & ~kUserServiceRights)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    SetLastError(ERROR_SUCCESS);
    return NewHandle(false, dwAccess, strName);
}

extern "C" SC_HANDLE WINAPI CreateServiceA(SC_HANDLE hSCManager, LPCSTR lpServiceName, LPCSTR,
                                           DWORD dwDesiredAccess, DWORD dwServiceType,
                                           DWORD dwStartType, DWORD, LPCSTR lpBinaryPathName,
                                           LPCSTR, LPDWORD, LPCSTR, LPCSTR, LPCSTR)
{
    CScObject *pManager = Lookup(hSCManager, true);
    if (!pManager)
        return nullptr;
    if (!(pManager->dwAccess & SC_MANAGER_CREATE_SERVICE)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    if (!lpServiceName || !ValidServiceName(lpServiceName)) {
        SetLastError(ERROR_INVALID_NAME);
        return nullptr;
    }
    DWORD dwType = dwServiceType & ~SERVICE_INTERACTIVE_PROCESS;
    if (!lpBinaryPathName || !*lpBinaryPathName || strlen(lpBinaryPathName) > 32767 ||
        strchr(lpBinaryPathName, '\n') ||
        (dwType != SERVICE_WIN32_OWN_PROCESS && dwType != SERVICE_WIN32_SHARE_PROCESS) ||
        dwStartType > SERVICE_DISABLED) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    ServicePaths paths = PathsOf(lpServiceName);
    if (FileExists(paths.strDeleted)) {
        CStateFile state;
        if (state.Open(paths.strState, false) && state.IsActive()) {
            SetLastError(ERROR_SERVICE_MARKED_FOR_DELETE);
            return nullptr;
        }
        RemoveServiceFiles(paths);
    }
    if (FileExists(paths.strConfig)) {
        SetLastError(ERROR_SERVICE_EXISTS);
        return nullptr;
    }
    {
        CStateFile state;  // a fresh record: stopped, never started
        if (!state.Open(paths.strState, true)) {
            SetLastError(w32::ErrnoToWin32(errno));
            return nullptr;
        }
        state.Update([](ServiceRecord &record) {
            record = ServiceRecord{};
            record.status = StoppedStatus(1077);  // ERROR_SERVICE_NEVER_STARTED
        });
    }
    DWORD dwError = WriteConfig(paths, lpServiceName, lpBinaryPathName);
    if (dwError) {
        SetLastError(dwError);
        return nullptr;
    }
    SetLastError(ERROR_SUCCESS);
    return NewHandle(false, MapServiceAccess(dwDesiredAccess), lpServiceName);
}

extern "C" BOOL WINAPI DeleteService(SC_HANDLE hService)
{
    CScObject *pService = LookupService(hService, DELETE);
    if (!pService)
        return FALSE;
    ServicePaths paths = PathsOf(pService->strName);
    if (!FileExists(paths.strConfig) || FileExists(paths.strDeleted)) {
        SetLastError(ERROR_SERVICE_MARKED_FOR_DELETE);
        return FALSE;
    }
    int fd = open(paths.strDeleted.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (fd >= 0)
        close(fd);
    CStateFile state;
    if (!state.Open(paths.strState, false) || !state.IsActive())
        RemoveServiceFiles(paths);  // else its process removes them when it ends
    return TRUE;
}

extern "C" BOOL WINAPI StartServiceA(SC_HANDLE hService, DWORD dwNumServiceArgs,
                                     LPCSTR *lpServiceArgVectors)
{
    CScObject *pService = LookupService(hService, SERVICE_START);
    if (!pService)
        return FALSE;
    ReapChildren();
    ServicePaths paths = PathsOf(pService->strName);
    std::string strName, strCommandLine;
    if (FileExists(paths.strDeleted) || !ReadConfig(paths.strConfig, strName, strCommandLine)) {
        SetLastError(ERROR_SERVICE_MARKED_FOR_DELETE);
        return FALSE;
    }
    std::string strArgs;
    for (DWORD i = 0; i < dwNumServiceArgs && lpServiceArgVectors; ++i)
        strArgs += " " + w32::QuoteArgument(lpServiceArgVectors[i] ? lpServiceArgVectors[i] : "");
    CStateFile state;
    if (!state.Open(paths.strState, true)) {
        SetLastError(w32::ErrnoToWin32(errno));
        return FALSE;
    }
    if (!state.LockWithin(kStartByte, kPipeTimeoutMs)) {
        SetLastError(ERROR_SERVICE_DATABASE_LOCKED);
        return FALSE;
    }
    DWORD dwError = StartLocked(state, strName, strCommandLine, strArgs, paths.strLog);
    state.Unlock(kStartByte);
    SetLastError(dwError);
    return dwError == 0;
}

extern "C" BOOL WINAPI ControlService(SC_HANDLE hService, DWORD dwControl,
                                      LPSERVICE_STATUS lpServiceStatus)
{
    if (!Lookup(hService, false))
        return FALSE;
    DWORD dwRight = RightForControl(dwControl);
    if (!dwRight || !lpServiceStatus) {
        SetLastError(dwRight ? ERROR_INVALID_ADDRESS : ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    CScObject *pService = LookupService(hService, dwRight);
    if (!pService)
        return FALSE;
    CStateFile state;
    if (!state.Open(PathsOf(pService->strName).strState, false)) {
        *lpServiceStatus = StoppedStatus(0);
        SetLastError(ERROR_SERVICE_NOT_ACTIVE);
        return FALSE;
    }
    SERVICE_STATUS status = {};
    DWORD dwError = ERROR_SERVICE_REQUEST_TIMEOUT;
    if (state.LockWithin(kControlByte, kPipeTimeoutMs)) {
        dwError = ControlLocked(state, dwControl, status);
        state.Unlock(kControlByte);
    } else {
        status = EffectiveStatus(state);
    }
    // The status is filled in on success and for the refusals that say why.
    if (dwError == 0 || dwError == ERROR_INVALID_SERVICE_CONTROL ||
        dwError == ERROR_SERVICE_CANNOT_ACCEPT_CTRL || dwError == ERROR_SERVICE_NOT_ACTIVE)
        *lpServiceStatus = status;
    SetLastError(dwError);
    return dwError == 0;
}

extern "C" BOOL WINAPI QueryServiceStatus(SC_HANDLE hService, LPSERVICE_STATUS lpServiceStatus)
{
    CScObject *pService = LookupService(hService, SERVICE_QUERY_STATUS);
    if (!pService)
        return FALSE;
    if (!lpServiceStatus) {
        SetLastError(ERROR_INVALID_ADDRESS);
        return FALSE;
    }
    CStateFile state;
    *lpServiceStatus = state.Open(PathsOf(pService->strName).strState, false)
                           ? EffectiveStatus(state)
                           : StoppedStatus(0);
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

extern "C" BOOL WINAPI CloseServiceHandle(SC_HANDLE hSCObject)
{
    std::lock_guard<std::mutex> guard(g_lock);
    auto it = g_handles.find(reinterpret_cast<CScObject *>(hSCObject));
    if (it == g_handles.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    delete *it;
    g_handles.erase(it);
    return TRUE;
}
