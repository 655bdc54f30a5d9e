// Processes: CreateProcessA over posix_spawn, handles that wait for the child.
#include "w32_internal.h"

#include <errno.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <memory>
#include <mutex>

extern char **environ;

namespace {

struct CProcessState {
    pid_t pid = 0;
    bool bExited = false;
    DWORD dwExitCode = STILL_ACTIVE;
    bool bTerminated = false;
    DWORD dwTerminateCode = 0;
    std::mutex lock;

    // Reaps the child if it has ended; bBlock waits for it.
    bool Poll(bool bBlock)
    {
        std::lock_guard<std::mutex> guard(lock);
        if (bExited)
            return true;
        int nStatus = 0;
        pid_t r = waitpid(pid, &nStatus, bBlock ? 0 : WNOHANG);
        if (r == 0)
            return false;
        if (r < 0) {
            if (errno == EINTR)
                return false;
            bExited = true;  // not our child any more: treat as ended
            dwExitCode = bTerminated ? dwTerminateCode : 0;
            return true;
        }
        bExited = true;
        if (bTerminated)
            dwExitCode = dwTerminateCode;
        else if (WIFEXITED(nStatus))
            dwExitCode = (DWORD)WEXITSTATUS(nStatus);
        else if (WIFSIGNALED(nStatus) && WTERMSIG(nStatus) == SIGSEGV)
            dwExitCode = 0xC0000005u;  // access violation
        else if (WIFSIGNALED(nStatus) && WTERMSIG(nStatus) == SIGABRT)
            dwExitCode = 3;  // abort()
        else
            dwExitCode = 0xC000013Au;  // ended from outside
        return true;
    }
};

class CProcessHandle : public w32::CObject {
public:
    explicit CProcessHandle(std::shared_ptr<CProcessState> state) : m_state(std::move(state)) {}
    ~CProcessHandle() override { m_state->Poll(false); }

    DWORD Wait(DWORD dwMilliseconds) override
    {
        if (dwMilliseconds == INFINITE) {
            while (!m_state->Poll(true)) {
            }
            return WAIT_OBJECT_0;
        }
        uint64_t nDeadline = w32::NowMs() + dwMilliseconds;
        for (;;) {
            if (m_state->Poll(false))
                return WAIT_OBJECT_0;
            if (w32::NowMs() >= nDeadline)
                return WAIT_TIMEOUT;
            usleep(2000);
        }
    }

    std::shared_ptr<CProcessState> m_state;
};

bool IsExecutableImage(const std::string &strPath)
{
    if (access(strPath.c_str(), X_OK) != 0)
        return false;
    FILE *pFile = fopen64(strPath.c_str(), "rb");
    if (!pFile)
        return false;
    unsigned char ab[4] = {};
    size_t n = fread(ab, 1, 4, pFile);
    fclose(pFile);
    if (n >= 4 && ab[0] == 0x7F && ab[1] == 'E' && ab[2] == 'L' && ab[3] == 'F')
        return true;
    return n >= 2 && ab[0] == '#' && ab[1] == '!';
}

// Finds the program that the application name or the command line's first
// token names; sets the Windows error when there is none.
bool LocateImage(LPCSTR lpApplicationName, LPCSTR lpCommandLine, std::string &strPosix)
{
    std::string strName;
    if (lpApplicationName) {
        strName = lpApplicationName;
    } else {
        std::vector<std::string> args = w32::SplitCommandLine(lpCommandLine);
        if (args.empty()) {
            SetLastError(ERROR_FILE_NOT_FOUND);
            return false;
        }
        strName = args[0];
    }
    w32::ResolvedPath path = w32::ResolvePath(strName.c_str());
    if (!path.dwError && !path.bExists && !lpApplicationName &&
        strName.find('.', strName.find_last_of("\\/") + 1) == std::string::npos) {
        w32::ResolvedPath withExe = w32::ResolvePath((strName + ".exe").c_str());
        if (withExe.bExists)
            path = withExe;
    }
    if (path.dwError) {
        SetLastError(path.dwError);
        return false;
    }
    if (!path.bExists) {
        SetLastError(path.bParentExists ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND);
        return false;
    }
    struct stat st;
    if (stat(path.strPosix.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    if (!IsExecutableImage(path.strPosix)) {
        SetLastError(ERROR_BAD_EXE_FORMAT);
        return false;
    }
    strPosix = path.strPosix;
    return true;
}

}  // namespace

extern "C" BOOL WINAPI CreateProcessA(LPCSTR lpApplicationName, LPSTR lpCommandLine,
                                      LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES, BOOL,
                                      DWORD, LPVOID lpEnvironment, LPCSTR lpCurrentDirectory,
                                      LPSTARTUPINFOA lpStartupInfo,
                                      LPPROCESS_INFORMATION lpProcessInformation)
{
    if (!lpStartupInfo || !lpProcessInformation || (!lpApplicationName && !lpCommandLine)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::string strImage;
    if (!LocateImage(lpApplicationName, lpCommandLine, strImage))
        return FALSE;
    std::string strCommandLine = lpCommandLine ? lpCommandLine : lpApplicationName;

    std::vector<std::string> args = w32::SplitCommandLine(strCommandLine.c_str());
    if (args.empty())
        args.push_back(strImage);
    std::vector<char *> argv;
    for (auto &str : args)
        argv.push_back(&str[0]);
    argv.push_back(nullptr);

    std::vector<std::string> env;
    if (lpEnvironment) {
        for (const char *p = static_cast<const char *>(lpEnvironment); *p; p += strlen(p) + 1)
            env.push_back(p);
    } else {
        for (char **pp = environ; *pp; ++pp)
            env.push_back(*pp);
    }
    std::string strPrefix = std::string(w32::kCommandLineVariable) + "=";
    for (auto it = env.begin(); it != env.end();)
        it = it->compare(0, strPrefix.size(), strPrefix) == 0 ? env.erase(it) : it + 1;
    env.push_back(strPrefix + strCommandLine);
    std::vector<char *> envp;
    for (auto &str : env)
        envp.push_back(&str[0]);
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (lpCurrentDirectory) {
        w32::ResolvedPath dir = w32::ResolvePath(lpCurrentDirectory);
        struct stat st;
        if (dir.dwError || stat(dir.strPosix.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
            posix_spawn_file_actions_destroy(&actions);
            SetLastError(ERROR_DIRECTORY);
            return FALSE;
        }
        posix_spawn_file_actions_addchdir_np(&actions, dir.strPosix.c_str());
    }
    pid_t pid = 0;
    int nError = posix_spawn(&pid, strImage.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (nError != 0) {
        SetLastError(nError == ENOEXEC || nError == EACCES ? ERROR_BAD_EXE_FORMAT
                                                           : w32::ErrnoToWin32(nError));
        return FALSE;
    }
    auto state = std::make_shared<CProcessState>();
    state->pid = pid;
    lpProcessInformation->hProcess = w32::RegisterObject(new CProcessHandle(state));
    lpProcessInformation->hThread = w32::RegisterObject(new CProcessHandle(state));
    lpProcessInformation->dwProcessId = (DWORD)pid;
    lpProcessInformation->dwThreadId = (DWORD)pid;  // the main thread's id is the pid
    return TRUE;
}

extern "C" BOOL WINAPI GetExitCodeProcess(HANDLE hProcess, LPDWORD lpExitCode)
{
    auto *pProcess = dynamic_cast<CProcessHandle *>(w32::LookupObject(hProcess));
    if (!pProcess || !lpExitCode) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    pProcess->m_state->Poll(false);
    std::lock_guard<std::mutex> guard(pProcess->m_state->lock);
    *lpExitCode = pProcess->m_state->bExited ? pProcess->m_state->dwExitCode : STILL_ACTIVE;
    return TRUE;
}

extern "C" BOOL WINAPI TerminateProcess(HANDLE hProcess, UINT uExitCode)
{
    auto *pProcess = dynamic_cast<CProcessHandle *>(w32::LookupObject(hProcess));
    if (!pProcess) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    CProcessState &state = *pProcess->m_state;
    {
        std::lock_guard<std::mutex> guard(state.lock);
        if (state.bExited) {
            SetLastError(ERROR_ACCESS_DENIED);  // as Windows answers for an ended process
            return FALSE;
        }
        state.bTerminated = true;
        state.dwTerminateCode = uExitCode;
        kill(state.pid, SIGKILL);
    }
    return TRUE;
}

// Both are asked for by every trace line; a program of this layer never
// forks without running another program, so the values hold.
extern "C" DWORD WINAPI GetCurrentProcessId(void)
{
    static const DWORD s_dwPid = (DWORD)getpid();
    return s_dwPid;
}

extern "C" DWORD WINAPI GetCurrentThreadId(void)
{
    static thread_local const DWORD t_dwTid = (DWORD)syscall(SYS_gettid);
    return t_dwTid;
}
