// What the window tests share: a test program's window in another process,
// and what the trace viewer stored.
#pragma once

#include <stdio.h>
#include <stdlib.h>

#include <memory>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "window_program.h"

// A test program (console.exe, trace_viewer.exe beside the tests) started for
// one test; every window of its class is ended with the object.
class CProgramWindow {
public:
    explicit CProgramWindow(const char *pszClass) : m_strClass(pszClass) {}
    ~CProgramWindow() { EndProgramWindows(m_strClass.c_str()); }
    CProgramWindow(const CProgramWindow &) = delete;
    CProgramWindow &operator=(const CProgramWindow &) = delete;

    // Starts the program and waits until its window can be found.
    HWND Start(const char *pszExe, const std::string &strOptions)
    {
        std::string strExe = ProgramDir() + pszExe;
        m_child.reset(new CChildProcess);
        if (!m_child->Start(strExe, Quote(strExe) + " " + strOptions))
            return NULL;
        DWORD dwStart = GetTickCount();
        while (GetTickCount() - dwStart < 30000) {
            if (HWND hWnd = FindWindowA(m_strClass.c_str(), NULL))
                return hWnd;
            Sleep(10);
        }
        return NULL;
    }
    CChildProcess &Child() { return *m_child; }

private:
    std::string m_strClass;
    std::unique_ptr<CChildProcess> m_child;
};

// A wait time-out of dwMs real milliseconds: the layer divides time-outs by
// W32_TIME_DIVISOR, which the tests' environment sets on Linux only.
inline DWORD RealMs(DWORD dwMs)
{
    char sz[16] = {0};
    DWORD dwDivisor = 1;
    if (GetEnvironmentVariableA("W32_TIME_DIVISOR", sz, sizeof sz) && strtoul(sz, NULL, 10) > 0)
        dwDivisor = strtoul(sz, NULL, 10);
    return dwMs * dwDivisor;
}

// True when Sleep is shortened (the layer's time divisor): the waits that
// take real minutes, or the half minute of six 5000 ms pauses, then take
// seconds.
inline bool SleepIsShortened()
{
    DWORD dwStart = GetTickCount();
    Sleep(500);
    return GetTickCount() - dwStart < 250;
}

// Waits (30 s at most, by the tick count) until nLines lines of the file begin
// with the word; a program records its start only after its window is up.
inline bool WaitForLines(const std::string &strPath, const char *pszWord, int nLines)
{
    DWORD dwStart = GetTickCount();
    while (CountLinesStartingWith(strPath, pszWord) < nLines) {
        if (GetTickCount() - dwStart > 30000)
            return false;
        Sleep(10);
    }
    return true;
}

// What the viewer stored for one WM_COPYDATA.
struct CopyRecord {
    unsigned long ulData;
    unsigned long ulSize;
    std::string strText;
};

inline std::vector<CopyRecord> ReadCopyRecords(const std::string &strPath)
{
    std::vector<CopyRecord> records;
    std::string strBytes = ReadFileBytes(strPath);
    size_t n = 0;
    while (n < strBytes.size()) {
        CopyRecord record;
        unsigned long ulText = 0;
        size_t nEnd = strBytes.find('\n', n);
        if (nEnd == std::string::npos ||
            sscanf(strBytes.substr(n, nEnd - n).c_str(), "copydata %lx %lu %lu", &record.ulData,
                   &record.ulSize, &ulText) != 3)
            break;
        record.strText = strBytes.substr(nEnd + 1, ulText);
        records.push_back(record);
        n = nEnd + 1 + ulText + 1;
    }
    return records;
}
