#include "Update.h"

#include <io.h>
#include <mbstring.h>
#include <string.h>

#include "AdminControl.h"
#include "ComponentDirectories.h"
#include "CopyWithBackup.h"
#include "ExtractFiles.h"
#include "PatchRun.h"
#include "PathHelpers.h"
#include "ServiceControl.h"
#include "Trace.h"
#include "WinHandle.h"

namespace {

const char kWorkDir[] = "FL132Ext";
const char kBackupDir[] = "FLBak";
const char kDownloadMutex[] = "Guardpost Download Process";
const DWORD kDownloadWaitMs = 300000;
const int kNoStartCycles = 3;
const DWORD kCyclePauseMs = 5000;
const DWORD kAfterStartPauseMs = 5000;

// Joins a directory and a name into pszOut (MAX_PATH + 1 bytes); traces a
// join that would not fit.
bool JoinPath(const char *pszDir, const char *pszName, char *pszOut)
{
    char szBase[MAX_PATH + 1] = {0};
    _mbsnbcpy((unsigned char *)szBase, (const unsigned char *)pszDir, MAX_PATH);
    if (strlen(pszDir) <= MAX_PATH && PathAppendName(szBase, pszName, pszOut))
        return true;
    TraceMessage(__FILE__, __LINE__, "Path too long: %s + %s\n", pszDir, pszName);
    return false;
}

// Unpacks the payload into the working directory and gives the pattern of
// every file unpacked there; traces a failure.
bool UnpackPayload(const char *pszMasterDir, char *pszPattern)
{
    char szWorkDir[MAX_PATH + 1] = {0};
    if (JoinPath(pszMasterDir, kWorkDir, szWorkDir) && JoinPath(szWorkDir, "*.*", pszPattern) &&
        ExtractFiles(szWorkDir))
        return true;
    TraceMessage(__FILE__, __LINE__, "%s", "Extract files failed.\n");
    return false;
}

// Copies the unpacked files into one component directory. 0 when the row
// failed; a row that is not installed is no failure.
int UpdateRow(const char *pszMasterDir, const ComponentDirectory &row, const char *pszPattern)
{
    char szTarget[MAX_PATH + 1] = {0};
    if (!JoinPath(pszMasterDir, row.pszRelativeDir, szTarget))
        return 0;
    if (_access(szTarget, 0) != 0)
        return 1;
    DWORD dwCode;
    if (row.bBackup) {
        char szBackup[MAX_PATH + 1] = {0};
        if (!JoinPath(szTarget, kBackupDir, szBackup))
            return 0;
        dwCode = MakeDirectoryPath(szBackup);
        if (dwCode != 0) {
            TraceMessage(__FILE__, __LINE__, "CreateDirectory(%s) failed, error = %d\n", szBackup,
                         (int)dwCode);
            return 0;
        }
        dwCode = MyCopyFiles(pszPattern, szTarget, szBackup);
    } else {
        dwCode = MyCopyFiles(pszPattern, szTarget, NULL);
    }
    TraceMessage(__FILE__, __LINE__, "Copy %s to %s, dwRet = %d\n", pszPattern, szTarget, (int)dwCode);
    return dwCode == 0 ? 1 : 0;
}

// Rows of one kind (web rows or the others), in table order.
int UpdateRows(const char *pszMasterDir, const char *pszPattern, int bWebRows)
{
    int nResult = 1;
    for (int i = 0; i < gnComponentDirectoryCount; ++i)
        if (ComponentDirectoryTable[i].bWebOnly == bWebRows &&
            !UpdateRow(pszMasterDir, ComponentDirectoryTable[i], pszPattern))
            nResult = 0;
    return nResult;
}

// Waits for the download mutex; traces and answers false when it is not had.
bool WaitForDownloadMutex(HANDLE hMutex)
{
    TraceMessage(__FILE__, __LINE__, "%s", "Waitting mutex.");
    DWORD dwRet = WaitForSingleObject(hMutex, kDownloadWaitMs);
    if (dwRet != WAIT_OBJECT_0) {
        TraceMessage(__FILE__, __LINE__, "WaitForSingleObject, dwRet = %d\n", (int)dwRet);
        return false;
    }
    TraceMessage(__FILE__, __LINE__, "%s", "Got mutex.");
    return true;
}

void ReleaseDownloadMutex(HANDLE hMutex)
{
    ReleaseMutex(hMutex);
    TraceMessage(__FILE__, __LINE__, "%s", "Release mutex.");
}

}  // namespace

int UpdateHttpBase(const char *pszMasterDir)
{
    if (!pszMasterDir)
        return 0;
    HANDLE hMutex = CreateMutexA(NULL, FALSE, kDownloadMutex);
    CWinHandle mutexHolder(hMutex);
    if (!hMutex) {
        TraceMessage(__FILE__, __LINE__, "CreateMutex error = %d\n", (int)GetLastError());
        return 0;
    }
    if (gbNoStart) {
        // Without restarts the service keeps running: give the product's own
        // downloads a chance between our takes of the mutex.
        for (int i = 0; i < kNoStartCycles; ++i) {
            if (!WaitForDownloadMutex(hMutex))
                return 0;
            ReleaseDownloadMutex(hMutex);
            Sleep(kCyclePauseMs);
        }
    }
    if (!WaitForDownloadMutex(hMutex))
        return 0;

    int nResult = 1;
    char szPattern[MAX_PATH + 1] = {0};
    if (!UnpackPayload(pszMasterDir, szPattern)) {
        ReleaseMutex(hMutex);
        return 0;
    }
    if (!gbNoStart && !StopMasterService(pszMasterDir)) {
        TraceMessage(__FILE__, __LINE__, "%s", "Stop IIS and master service failed.\n");
        ReleaseMutex(hMutex);
        return 0;
    }
    if (!UpdateRows(pszMasterDir, szPattern, 1))
        nResult = 0;
    ReleaseDownloadMutex(hMutex);

    if (!gbNoStart) {
        if (StartMasterService(pszMasterDir))
            Sleep(kAfterStartPauseMs);
        else
            TraceMessage(__FILE__, __LINE__, "%s", "Start IIS and master service failed.\n");
    }
    if (!UpdateRows(pszMasterDir, szPattern, 0))
        nResult = 0;
    return nResult;
}

int UpdateNonHttpBase(const char *pszMasterDir)
{
    if (!pszMasterDir)
        return 0;
    int nResult = 1;
    char szPattern[MAX_PATH + 1] = {0};
    if (!UnpackPayload(pszMasterDir, szPattern))
        return 0;
    if (!StopAdmin()) {
        TraceMessage(__FILE__, __LINE__, "%s", "Stop Admin failed\n");
        return 0;
    }
    if (!UpdateRows(pszMasterDir, szPattern, 0))
        nResult = 0;
    if (!gbNoStart && gbAdminClosed && !StartAdmin(pszMasterDir))
        TraceMessage(__FILE__, __LINE__, "%s", "Start Admin failed\n");
    return nResult;
}

int Update(const char *pszMasterDir, int bHttpBase)
{
    TraceMessage(__FILE__, __LINE__, "==>Update() pszMasterDir = %s, bHttpBase = %d\n",
                 pszMasterDir ? pszMasterDir : "(null)", bHttpBase);
    if (!pszMasterDir)
        return 0;
    return bHttpBase ? UpdateHttpBase(pszMasterDir) : UpdateNonHttpBase(pszMasterDir);
}
