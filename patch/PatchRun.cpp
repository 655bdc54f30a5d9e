#include "PatchRun.h"

#include <stdio.h>
#include <string.h>

#include "AdminControl.h"
#include "PathHelpers.h"
#include "ServiceControl.h"
#include "Trace.h"
#include "Update.h"
#include "VersionProbe.h"

int gbNoStart = 0;

namespace {

const char kBanner[] = "Freshline 1.32 patch for Guardpost";
const char kInstanceMutex[] = "Freshline 1.32 patch for Guardpost";
const char kLogFile[] = "P_FL132.log";
const char kServerIni[] = "gdpost.ini";
const char kResultFile[] = "GDPX_PATCH.ini";
const char kNoRestart[] = "NoRestart";

// The server mode that cannot be told, also for a missing file or key.
const int kUnknownServerMode = 2;
const int kHttpServerMode = 1;

// The restart-only path: restart what the patch would have stopped.
void RestartPrograms(const char *pszMasterDir, int nServerMode)
{
    TraceMessage(__FILE__, __LINE__, "%s", "Restart programs");
    if (nServerMode == kHttpServerMode) {
        StopMasterService(pszMasterDir);
        Sleep(1000);
        StartMasterService(pszMasterDir);
    } else {
        StopAdmin();
        Sleep(1000);
        if (gbAdminClosed)
            StartAdmin(pszMasterDir);
    }
}

// The run between the single-instance check and the release of the mutex.
int RunGuarded(const char *pszMasterDir)
{
    char szIniPath[MAX_PATH + 1] = {0};
    char szResultPath[MAX_PATH + 1] = {0};
    char szMasterCopy[MAX_PATH + 1] = {0};
    strcpy(szMasterCopy, pszMasterDir);
    // A master directory too deep to name the record would let the run change
    // files with no outcome written: it fails before it touches anything.
    if (!PathAppendName(szMasterCopy, kResultFile, szResultPath) ||
        !PathAppendName(szMasterCopy, kServerIni, szIniPath)) {
        TraceMessage(__FILE__, __LINE__, "Master directory %s is too long,exit.\n", pszMasterDir);
        return 0;
    }

    int nServerMode = (int)GetPrivateProfileIntA("INI_SERVER_SECTION", "SetupType",
                                                  kUnknownServerMode, szIniPath);
    if (nServerMode == kUnknownServerMode) {
        TraceMessage(__FILE__, __LINE__, "Can't get server mode from %s,exit.\n", szIniPath);
        return 0;
    }
    TraceMessage(__FILE__, __LINE__, "Server mode = %d\n", nServerMode);
    int bHttpBase = nServerMode == kHttpServerMode ? 1 : 0;

    if (IsUpdateNeeded(pszMasterDir, bHttpBase)) {
        if (!Update(pszMasterDir, bHttpBase)) {
            TraceMessage(__FILE__, __LINE__, "%s", "Update failed,exit.\n");
            return 0;
        }
        TraceMessage(__FILE__, __LINE__, "%s", "Update ok.\n");
        return 1;
    }
    if (!gbNoStart)
        RestartPrograms(pszMasterDir, nServerMode);
    TraceMessage(__FILE__, __LINE__, "%s", "Do not need to update,exit.\n");
    return 1;
}

}  // namespace

int RunPatch(int argc, char *argv[])
{
    char szMasterDir[MAX_PATH + 1] = {0};
    char szLogPath[MAX_PATH + 1] = {0};
    // Without its own directory, or too deep to name its log, the run can
    // neither say nor record anything.
    if (GetModuleDir(szMasterDir, MAX_PATH) != 0 ||
        !PathAppendName(szMasterDir, kLogFile, szLogPath))
        return 0;
    SetTraceOptions(TRACE_FILE, szLogPath);
    TraceMessage(__FILE__, __LINE__, "%s", "Freshline 1.32 patch for Guardpost\n");

    if (argc > 1 && _stricmp(argv[1], kNoRestart) == 0)
        gbNoStart = 1;
    TraceMessage(__FILE__, __LINE__, "gbNoStart = %d\n", gbNoStart);

    HANDLE hInstance = CreateMutexA(NULL, TRUE, kInstanceMutex);
    DWORD dwError = GetLastError();
    if (!hInstance) {
        TraceMessage(__FILE__, __LINE__, "CreateMutex error = %d\n", (int)dwError);
        return 0;
    }
    if (dwError == ERROR_ALREADY_EXISTS) {
        TraceMessage(__FILE__, __LINE__, "%s", "Second instance,exit.\n");
        CloseHandle(hInstance);
        return 0;
    }

    int nResult = RunGuarded(szMasterDir);

    ReleaseMutex(hInstance);
    CloseHandle(hInstance);
    WriteResult(nResult);
    return nResult;
}

void WriteResult(int nResult)
{
    char szPath[MAX_PATH + 1] = {0};
    char szSection[MAX_PATH + 1] = {0};
    char szValue[10] = {0};
    if (GetModuleDir(szPath, MAX_PATH) != 0 || !PathAppendName(szPath, kResultFile, NULL))
        return;
    if (GetModuleFileTitle(szSection, MAX_PATH) != 0)
        return;
    _snprintf(szValue, sizeof szValue - 1, "%d", nResult);
    WritePrivateProfileStringA(szSection, "Result", szValue, szPath);
}
