#include "AdminControl.h"

#include <mbstring.h>
#include <string.h>

#include "PathHelpers.h"
#include "Trace.h"

int gbAdminClosed = 0;
DWORD gdwAdminWaitInterval = 2000;
int gnAdminWaitCount = 300;

namespace {

const char kAdminWindowClass[] = "KestrelGuardpostAdmin";
const char kConsoleDir[] = "console";
const char kConsoleExe[] = "console.exe";
const int kMaxAttempts = 6;
const DWORD kAttemptPauseMs = 5000;

HWND FindAdminWindow() { return FindWindowA(kAdminWindowClass, NULL); }

// Waits for the window to go away; closes it itself when the wait times out.
void WaitForAdminWindow()
{
    int nSleeps = 0;
    for (;;) {
        HWND hFound = FindAdminWindow();
        if (!hFound)
            return;
        Sleep(gdwAdminWaitInterval);
        if (++nSleeps >= gnAdminWaitCount) {
            TraceMessage(__FILE__, __LINE__, "%s", "Timeout!");
            // To the window of the last look; returns when the console has
            // handled the message (or at once when it has gone meanwhile).
            SendMessageA(hFound, WM_CLOSE, 0, 0);
            return;
        }
    }
}

}  // namespace

int StopAdmin()
{
    int nAttempts = kMaxAttempts;
    HWND hWnd = FindAdminWindow();
    while (hWnd && nAttempts != 0) {
        TraceMessage(__FILE__, __LINE__, "%s", "Waited for a while!");
        WaitForAdminWindow();
        Sleep(kAttemptPauseMs);
        --nAttempts;
        gbAdminClosed = 1;
        hWnd = FindAdminWindow();
    }
    return hWnd ? 0 : 1;
}

int StartAdmin(const char *pszMasterDir)
{
    if (!pszMasterDir)
        return 0;
    char szApp[MAX_PATH + 1];
    memset(szApp, 0, sizeof szApp);
    _mbsnbcpy((unsigned char *)szApp, (const unsigned char *)pszMasterDir, MAX_PATH);
    szApp[MAX_PATH] = 0;
    // A master directory too deep for the console's path starts nothing: a
    // shortened path could name another program.
    if (!PathAppendName(szApp, kConsoleDir, NULL) || !PathAppendName(szApp, kConsoleExe, NULL)) {
        TraceMessage(__FILE__, __LINE__, "Console path is too long, master directory = %s\n",
                     pszMasterDir);
        return 0;
    }
    TraceMessage(__FILE__, __LINE__, "szApp = %s\n", szApp);

    STARTUPINFOA si;
    memset(&si, 0, sizeof si);
    si.cb = sizeof si;  // 68 bytes in a 32-bit build
    PROCESS_INFORMATION pi;
    memset(&pi, 0, sizeof pi);
    if (!CreateProcessA(szApp, NULL, NULL, NULL, FALSE, NORMAL_PRIORITY_CLASS, NULL, NULL, &si,
                        &pi)) {
        TraceMessage(__FILE__, __LINE__, "CreateProcess error = %d, szApp = %s\n",
                     (int)GetLastError(), szApp);
        return 0;
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return 1;
}
