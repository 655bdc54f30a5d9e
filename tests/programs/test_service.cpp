// A Win32 service whose behaviour the command line chooses, for the tests of
// service control. It appends every control it receives and every state it
// sets to its record file, one line each: "<tick> control <n>" or
// "<tick> state <n>" (GetTickCount milliseconds).
//
//   --name N          the service's name (as registered)
//   --record FILE     the record file; FILE.quit appearing makes it report
//                     stopped and end, whatever it is doing
//   --start-delay S   seconds of start-pending before it reports running
//   --never-run       stays start-pending
//   --fail-start      reports stopped where it would report running
//   --stop-delay S    seconds of stop-pending after the stop control
//   --stop-hang       stays stop-pending after the stop control
//   --ignore-stop     answers the stop control by staying running
//   --crash-after S   ends its process without a word S seconds after running
// Seconds are Sleep seconds, so the layer's time divisor scales them. Whatever
// happens, it reports stopped after ten minutes of them.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <atomic>
#include <mutex>
#include <string>

#include "test_service_behaviour.h"

namespace {

const DWORD kSliceMs = 100;
const int kLifetimeSlices = 6000;

struct Settings : TestServiceBehaviour {
    std::string strName;
    std::string strRecord;
} g_settings;

std::mutex g_recordLock;
SERVICE_STATUS_HANDLE g_hStatus = NULL;
std::atomic<int> g_bStopRequested{0};
int g_nSlices = 0;  // slices waited so far, for the lifetime bound

void Record(const char *pszEvent, DWORD dwValue)
{
    std::lock_guard<std::mutex> guard(g_recordLock);
    FILE *pFile = fopen(g_settings.strRecord.c_str(), "ab");
    if (!pFile)
        return;
    fprintf(pFile, "%lu %s %lu\r\n", (unsigned long)GetTickCount(), pszEvent, (unsigned long)dwValue);
    fclose(pFile);
}

void Report(DWORD dwState)
{
    SERVICE_STATUS status = {};
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = dwState;
    status.dwControlsAccepted = dwState == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP : 0;
    status.dwWaitHint = dwState == SERVICE_START_PENDING || dwState == SERVICE_STOP_PENDING ? 3000 : 0;
    Record("state", dwState);
    SetServiceStatus(g_hStatus, &status);
}

bool QuitAsked()
{
    return GetFileAttributesA((g_settings.strRecord + ".quit").c_str()) != INVALID_FILE_ATTRIBUTES ||
           g_nSlices >= kLifetimeSlices;
}

// Waits nSeconds (negative: for ever) or until fnDone says so; false when the
// service was asked to quit meanwhile.
template <class F>
bool WaitSeconds(int nSeconds, F fnDone)
{
    for (int n = 0; nSeconds < 0 || n < nSeconds * 1000 / (int)kSliceMs; ++n) {
        if (QuitAsked())
            return false;
        if (fnDone())
            return true;
        Sleep(kSliceMs);
        ++g_nSlices;
    }
    return !QuitAsked();
}

bool Never() { return false; }

DWORD WINAPI Handler(DWORD dwControl, DWORD, LPVOID, LPVOID)
{
    Record("control", dwControl);
    if (dwControl == SERVICE_CONTROL_STOP) {
        if (g_settings.bIgnoreStop) {
            Report(SERVICE_RUNNING);
        } else {
            Report(SERVICE_STOP_PENDING);
            g_bStopRequested = 1;
        }
        return NO_ERROR;
    }
    return dwControl == SERVICE_CONTROL_INTERROGATE ? NO_ERROR : ERROR_CALL_NOT_IMPLEMENTED;
}

void WINAPI ServiceMain(DWORD, LPSTR *)
{
    g_hStatus = RegisterServiceCtrlHandlerExA(g_settings.strName.c_str(), Handler, NULL);
    if (!g_hStatus) {
        Record("register-error", GetLastError());
        return;
    }
    Report(SERVICE_START_PENDING);
    if (!WaitSeconds(g_settings.nStartDelay, Never) || g_settings.bNeverRun ||
        g_settings.bFailStart) {
        if (g_settings.bNeverRun)
            WaitSeconds(-1, Never);
        Report(SERVICE_STOPPED);
        return;
    }
    Report(SERVICE_RUNNING);
    bool bStopped = WaitSeconds(g_settings.nCrashAfter, [] { return g_bStopRequested != 0; });
    if (bStopped && !g_bStopRequested)
        _Exit(3);  // the crash: no stopped state reported
    if (bStopped && WaitSeconds(g_settings.nStopDelay, Never) && g_settings.bStopHang)
        WaitSeconds(-1, Never);
    Report(SERVICE_STOPPED);
}

}  // namespace

int main(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        std::string strArg = argv[i];
        const char *pszValue = i + 1 < argc ? argv[i + 1] : "";
        if (strArg == "--name")
            g_settings.strName = pszValue, ++i;
        else if (strArg == "--record")
            g_settings.strRecord = pszValue, ++i;
        else if (strArg == "--start-delay")
            g_settings.nStartDelay = atoi(pszValue), ++i;
        else if (strArg == "--stop-delay")
            g_settings.nStopDelay = atoi(pszValue), ++i;
        else if (strArg == "--crash-after")
            g_settings.nCrashAfter = atoi(pszValue), ++i;
        else if (strArg == "--never-run")
            g_settings.bNeverRun = true;
        else if (strArg == "--fail-start")
            g_settings.bFailStart = true;
        else if (strArg == "--stop-hang")
            g_settings.bStopHang = true;
        else if (strArg == "--ignore-stop")
            g_settings.bIgnoreStop = true;
        if (i >= argc)
            return 2;  // a value is missing
    }
    if (g_settings.strName.empty() || g_settings.strRecord.empty())
        return 2;
    SERVICE_TABLE_ENTRYA table[] = {{&g_settings.strName[0], ServiceMain}, {NULL, NULL}};
    if (!StartServiceCtrlDispatcherA(table)) {
        Record("dispatcher-error", GetLastError());
        return 1;
    }
    return 0;
}
