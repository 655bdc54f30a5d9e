// What the window test programs (console stand-in, trace viewer) and the
// tests that drive them share: the programs' options, given as "key=value"
// words on the command line, the message with which a test ends them whatever
// they were told, and the reading of what they record.
#pragma once

#include <windows.h>

#include <stdio.h>
#include <string.h>

#include <string>

// Sent by a test to end a test program's window and the program.
const UINT kEndProgramMessage = WM_APP + 1;

// The words of a command line: separated by blanks, double quotes group.
class CProgramOptions {
public:
    explicit CProgramOptions(const char *pszCommandLine)
    {
        std::string strWord;
        bool bQuoted = false, bInWord = false;
        for (const char *p = pszCommandLine ? pszCommandLine : ""; ; ++p) {
            if (*p == '"') {
                bQuoted = !bQuoted;
                bInWord = true;
            } else if (*p && (bQuoted || (*p != ' ' && *p != '\t'))) {
                strWord += *p;
                bInWord = true;
            } else {
                if (bInWord)
                    m_strWords += strWord + '\n';
                strWord.clear();
                bInWord = false;
                if (!*p)
                    break;
            }
        }
    }

    bool Empty() const { return m_strWords.empty(); }

    // The value of "key=value", or strDefault.
    std::string Get(const char *pszKey, const std::string &strDefault = "") const
    {
        std::string strPrefix = std::string(pszKey) + "=";
        for (size_t n = 0; n < m_strWords.size();) {
            size_t nEnd = m_strWords.find('\n', n);
            if (m_strWords.compare(n, strPrefix.size(), strPrefix) == 0)
                return m_strWords.substr(n + strPrefix.size(), nEnd - n - strPrefix.size());
            n = nEnd + 1;
        }
        return strDefault;
    }
    DWORD GetMs(const char *pszKey, DWORD dwDefault) const
    {
        std::string str = Get(pszKey);
        return str.empty() ? dwDefault : (DWORD)strtoul(str.c_str(), NULL, 10);
    }

private:
    std::string m_strWords;  // one word a line
};

// The directory of the running program, ending with a backslash.
inline std::string OwnDirectory()
{
    char szPath[MAX_PATH + 1] = {0};
    GetModuleFileNameA(NULL, szPath, MAX_PATH);
    std::string str = szPath;
    size_t n = str.find_last_of("\\/");
    return n == std::string::npos ? std::string() : str.substr(0, n + 1);
}

inline void AppendToFile(const std::string &strPath, const std::string &strBytes)
{
    if (FILE *pFile = fopen(strPath.c_str(), "ab")) {
        fwrite(strBytes.data(), 1, strBytes.size(), pFile);
        fclose(pFile);
    }
}

// Registers the class and creates the program's top-level window, with a
// lifetime timer that ends a program no test ends; null on failure.
inline HWND CreateProgramWindow(HINSTANCE hInstance, const char *pszClass, WNDPROC pfnProc,
                                UINT_PTR nLifetimeTimer, DWORD dwLifetimeMs)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = pfnProc;
    wc.hInstance = hInstance;
    wc.lpszClassName = pszClass;
    if (!RegisterClassA(&wc))
        return NULL;
    HWND hWnd = CreateWindowExA(0, pszClass, pszClass, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                CW_USEDEFAULT, 200, 100, NULL, NULL, hInstance, NULL);
    if (hWnd)
        SetTimer(hWnd, nLifetimeTimer, dwLifetimeMs, NULL);
    return hWnd;
}

// What every test program's window does with the messages it does not
// handle itself: the test's end message destroys it, and so ends the program.
inline LRESULT ProgramWindowDefault(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    switch (uMsg) {
    case kEndProgramMessage:
        DestroyWindow(hWnd);
        return 1;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(hWnd, uMsg, wParam, lParam);
    }
}

inline int MessageLoop()
{
    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return (int)msg.wParam;
}

// Ends every window of the class that the test programs own, and waits until
// none is left; false when one stays. Bounded by the tick count, which no
// time divisor shortens.
inline bool EndProgramWindows(const char *pszClass)
{
    DWORD dwStart = GetTickCount();
    while (HWND hWnd = FindWindowA(pszClass, NULL)) {
        if (GetTickCount() - dwStart > 30000)
            return false;
        SendMessageA(hWnd, kEndProgramMessage, 0, 0);
        Sleep(10);
    }
    return true;
}

// How many lines of a text file begin with the word.
inline int CountLinesStartingWith(const std::string &strPath, const std::string &strWord)
{
    int nCount = 0;
    char szLine[512];
    if (FILE *pFile = fopen(strPath.c_str(), "rb")) {
        while (fgets(szLine, sizeof szLine, pFile))
            if (strncmp(szLine, strWord.c_str(), strWord.size()) == 0)
                ++nCount;
        fclose(pFile);
    }
    return nCount;
}
