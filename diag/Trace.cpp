#include "Trace.h"

#include <mbstring.h>
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

int gnTraceMode = TRACE_OFF;
char gszLogPath[MAX_PATH];

namespace {

const int kTraceBufferSize = 4096;
const char kViewerClass[] = "ZovTraceWindow";
const ULONG_PTR kViewerMagic = 0x6E697774;  // "twin" in memory order

const char *BaseName(const char *pszFile)
{
    if (!pszFile)
        return "";
    const char *pszBase = pszFile;
    for (const char *p = pszFile; *p; ++p)
        if (*p == '\\' || *p == '/')
            pszBase = p + 1;
    return pszBase;
}

void SendToDebugger(char *pszLine)
{
    HWND hViewer = FindWindowA(kViewerClass, NULL);
    if (!hViewer) {
        OutputDebugStringA(pszLine);
        return;
    }
    COPYDATASTRUCT cds;
    cds.dwData = kViewerMagic;
    cds.cbData = kTraceBufferSize;  // the whole buffer, as the viewer expects
    cds.lpData = pszLine;
    SendMessageA(hViewer, WM_COPYDATA, 0, (LPARAM)&cds);
}

void AppendToLogFile(const char *pszLine)
{
    FILE *pFile = fopen(gszLogPath, "a");
    if (!pFile)
        return;
    fwrite(pszLine, 1, strlen(pszLine), pFile);
    fclose(pFile);
}

}  // namespace

void SetTraceOptions(int nMode, const char *pszLogPath)
{
    gnTraceMode = nMode;
    if (pszLogPath) {
        _mbsnbcpy((unsigned char *)gszLogPath, (const unsigned char *)pszLogPath, MAX_PATH - 1);
        gszLogPath[MAX_PATH - 1] = 0;
    }
}

void TraceMessage(const char *pszFile, int nLine, const char *pszFormat, ...)
{
    if (gnTraceMode == TRACE_OFF)
        return;
    SYSTEMTIME st;
    GetLocalTime(&st);
    const char *pszBase = BaseName(pszFile);

    char szMessage[kTraceBufferSize];
    va_list args;
    va_start(args, pszFormat);
    _vsnprintf(szMessage, kTraceBufferSize - 1, pszFormat, args);
    va_end(args);
    szMessage[kTraceBufferSize - 1] = 0;

    // Cleared, so that the viewer's copy of the whole buffer carries nothing
    // past the line.
    char szLine[kTraceBufferSize] = {0};
    _snprintf(szLine, kTraceBufferSize - 1, "[%s(%d) %02d/%02d %02d:%02d:%02d %x-%x] %s", pszBase,
              nLine, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond,
              (unsigned)GetCurrentThreadId(), (unsigned)GetCurrentProcessId(), szMessage);
    szLine[kTraceBufferSize - 1] = 0;

    if (gnTraceMode == TRACE_DEBUG || gnTraceMode == TRACE_DEBUG_FILE)
        SendToDebugger(szLine);
    if (gnTraceMode == TRACE_FILE || gnTraceMode == TRACE_DEBUG_FILE)
        AppendToLogFile(szLine);
}
