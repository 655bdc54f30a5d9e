// Windows and sent messages, within a process and across processes, against
// the console stand-in and the trace viewer: the same behaviour on the layer
// and under Wine.
#include <gtest/gtest.h>

#include <string>

#include "test_windows_support.h"

namespace {

const char kAdminClass[] = "KestrelGuardpostAdmin";
const char kViewerClass[] = "ZovTraceWindow";

class WindowsAcrossProcesses : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(EndProgramWindows(kAdminClass));
        ASSERT_TRUE(EndProgramWindows(kViewerClass));
        m_strLog = m_dir / "events.log";
    }
    std::string ConsoleOptions(const std::string &strMore) const
    {
        return Quote("log=" + m_strLog) + " " + strMore;
    }

    CTestDir m_dir;
    std::string m_strLog;
};

TEST_F(WindowsAcrossProcesses, SendMessageWaitsForTheWindowProcedureAndReturnsItsResult)
{
    CProgramWindow console(kAdminClass);
    HWND hWnd = console.Start("console.exe", ConsoleOptions("onclose=ignore"));
    ASSERT_TRUE(hWnd);
    EXPECT_TRUE(WaitForLines(m_strLog, "start", 1));

    // WM_CLOSE that the window ignores: handled (logged) before SendMessageA
    // returns, and the window stays.
    EXPECT_EQ(SendMessageA(hWnd, WM_CLOSE, 0, 0), 0);
    EXPECT_EQ(CountLinesStartingWith(m_strLog, "close"), 1);
    EXPECT_EQ(FindWindowA(kAdminClass, NULL), hWnd);

    // The window destroys itself while it handles the message: gone when
    // SendMessageA returns the procedure's 1.
    EXPECT_EQ(SendMessageA(hWnd, kEndProgramMessage, 0, 0), 1);
    EXPECT_EQ(FindWindowA(kAdminClass, NULL), (HWND)NULL);
    DWORD dwExit = 0;
    EXPECT_TRUE(console.Child().Wait(RealMs(10000), &dwExit));
    EXPECT_EQ(dwExit, 0u);
    EXPECT_EQ(SendMessageA(hWnd, WM_CLOSE, 0, 0), 0) << "a window that is gone";
}

TEST_F(WindowsAcrossProcesses, WmCloseThatTheWindowHonoursDestroysIt)
{
    CProgramWindow console(kAdminClass);
    HWND hWnd = console.Start("console.exe", ConsoleOptions("onclose=close"));
    ASSERT_TRUE(hWnd);
    EXPECT_EQ(SendMessageA(hWnd, WM_CLOSE, 0, 0), 0);
    EXPECT_EQ(FindWindowA(kAdminClass, NULL), (HWND)NULL);
    EXPECT_TRUE(console.Child().Wait(RealMs(10000)));
    EXPECT_EQ(CountLinesStartingWith(m_strLog, "close"), 1);
    EXPECT_EQ(CountLinesStartingWith(m_strLog, "exit"), 1);
}

TEST_F(WindowsAcrossProcesses, AWindowWhoseProcessEndsIsNeverFoundAndAnswersNothing)
{
    struct Case {
        const char *pszHow;
        const char *pszOptions;
    } cases[] = {
        {"killed from outside", "onclose=ignore"},
        {"ended by itself without destroying its window", "onclose=ignore dieafter=300"},
    };
    for (const Case &c : cases) {
        CProgramWindow console(kAdminClass);
        HWND hWnd = console.Start("console.exe", ConsoleOptions(c.pszOptions));
        ASSERT_TRUE(hWnd) << c.pszHow;
        if (strstr(c.pszOptions, "dieafter"))
            EXPECT_TRUE(console.Child().Wait(RealMs(10000))) << c.pszHow;
        else
            console.Child().Kill();
        EXPECT_EQ(FindWindowA(kAdminClass, NULL), (HWND)NULL) << c.pszHow;
        DWORD dwStart = GetTickCount();
        EXPECT_EQ(SendMessageA(hWnd, WM_CLOSE, 0, 0), 0) << c.pszHow;
        EXPECT_LT(GetTickCount() - dwStart, 5000u) << c.pszHow;
    }
}

TEST_F(WindowsAcrossProcesses, SendMessageReturnsWhenTheProcessEndsWhileHandlingIt)
{
    CProgramWindow console(kAdminClass);
    HWND hWnd = console.Start("console.exe", ConsoleOptions("onclose=die"));
    ASSERT_TRUE(hWnd);
    EXPECT_EQ(SendMessageA(hWnd, WM_CLOSE, 0, 0), 0);
    EXPECT_TRUE(console.Child().Wait(RealMs(10000)));
    EXPECT_EQ(CountLinesStartingWith(m_strLog, "close"), 1);
    EXPECT_EQ(FindWindowA(kAdminClass, NULL), (HWND)NULL);
}

TEST_F(WindowsAcrossProcesses, CopyDataReachesTheOtherProcessAsItsOwnCopy)
{
    std::string strOut = m_dir / "viewer.txt";
    CProgramWindow viewer(kViewerClass);
    HWND hWnd = viewer.Start("trace_viewer.exe", Quote("out=" + strOut));
    ASSERT_TRUE(hWnd);

    struct Case {
        ULONG_PTR dwData;
        std::string strBytes;  // what lpData points to; cbData is its size
        std::string strText;   // what the viewer sees before the first zero
    } cases[] = {
        {0x6E697774, std::string("line\n\0rest", 10), "line\n"},
        {0x12345678, std::string(5000, 'x'), std::string(5000, 'x')},
        {0, "", ""},
    };
    for (const Case &c : cases) {
        std::string strCopy = c.strBytes;
        COPYDATASTRUCT cds;
        cds.dwData = c.dwData;
        cds.cbData = (DWORD)strCopy.size();
        cds.lpData = strCopy.empty() ? NULL : &strCopy[0];
        EXPECT_EQ(SendMessageA(hWnd, WM_COPYDATA, 0, (LPARAM)&cds), TRUE);
    }
    std::vector<CopyRecord> records = ReadCopyRecords(strOut);
    ASSERT_EQ(records.size(), sizeof cases / sizeof cases[0]);
    for (size_t i = 0; i < records.size(); ++i) {
        EXPECT_EQ(records[i].ulData, (unsigned long)cases[i].dwData) << i;
        EXPECT_EQ(records[i].ulSize, (unsigned long)cases[i].strBytes.size()) << i;
        EXPECT_EQ(records[i].strText, cases[i].strText) << i;
    }
}

// Windows of the test's own thread.
int gnDestroyed = 0;
const COPYDATASTRUCT *gpReceived = NULL;

LRESULT CALLBACK OwnWindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    switch (uMsg) {
    case WM_APP:
        return (LRESULT)(wParam + 2 * lParam);
    case WM_COPYDATA:
        gpReceived = reinterpret_cast<const COPYDATASTRUCT *>(lParam);
        return TRUE;
    case WM_DESTROY:
        ++gnDestroyed;
        return 0;
    default:
        return DefWindowProcA(hWnd, uMsg, wParam, lParam);
    }
}

const char kOwnClass[] = "FreshlineLayerTestWindow";

HWND CreateOwnWindow(const char *pszTitle)
{
    static bool s_bRegistered = false;
    if (!s_bRegistered) {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = OwnWindowProc;
        wc.hInstance = GetModuleHandleA(NULL);
        wc.lpszClassName = kOwnClass;
        s_bRegistered = RegisterClassA(&wc) != 0;
    }
    return CreateWindowExA(0, kOwnClass, pszTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                           CW_USEDEFAULT, 100, 100, NULL, NULL, GetModuleHandleA(NULL), NULL);
}

TEST(WindowsOfThisThread, FoundByClassAndTitleAndCalledDirectly)
{
    HWND hFirst = CreateOwnWindow("first");
    HWND hSecond = CreateOwnWindow("second");
    ASSERT_TRUE(hFirst && hSecond);
    EXPECT_EQ(FindWindowA(kOwnClass, "second"), hSecond);
    EXPECT_EQ(FindWindowA("freshlinelayertestwindow", "FIRST"), hFirst) << "case-insensitive";
    EXPECT_EQ(FindWindowA(kOwnClass, "third"), (HWND)NULL);
    EXPECT_EQ(SendMessageA(hFirst, WM_APP, 3, 4), 11);

    // On its own thread WM_COPYDATA passes the sender's structure itself.
    char szData[] = "abc";
    COPYDATASTRUCT cds = {7, sizeof szData, szData};
    EXPECT_EQ(SendMessageA(hSecond, WM_COPYDATA, 0, (LPARAM)&cds), TRUE);
    EXPECT_EQ(gpReceived, &cds);

    // DefWindowProcA destroys a window on WM_CLOSE.
    gnDestroyed = 0;
    EXPECT_EQ(SendMessageA(hFirst, WM_CLOSE, 0, 0), 0);
    EXPECT_EQ(gnDestroyed, 1);
    EXPECT_EQ(FindWindowA(kOwnClass, "first"), (HWND)NULL);
    SetLastError(0);
    EXPECT_EQ(SendMessageA(hFirst, WM_APP, 3, 4), 0);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_WINDOW_HANDLE);
    EXPECT_FALSE(DestroyWindow(hFirst));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_ACCESS_DENIED) << "not a window of this thread";

    EXPECT_TRUE(DestroyWindow(hSecond));
    EXPECT_EQ(gnDestroyed, 2);
    EXPECT_EQ(FindWindowA(kOwnClass, NULL), (HWND)NULL);
}

TEST(WindowsOfThisThread, ClassesAreRegisteredOnce)
{
    ASSERT_TRUE(CreateOwnWindow("x") != NULL);
    DestroyWindow(FindWindowA(kOwnClass, "x"));
    WNDCLASSA wc = {};
    wc.lpfnWndProc = OwnWindowProc;
    wc.hInstance = GetModuleHandleA(NULL);
    wc.lpszClassName = kOwnClass;
    EXPECT_EQ(RegisterClassA(&wc), 0);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_CLASS_ALREADY_EXISTS);
    EXPECT_EQ(CreateWindowExA(0, "FreshlineNoSuchClass", "", 0, 0, 0, 0, 0, NULL, NULL,
                              GetModuleHandleA(NULL), NULL),
              (HWND)NULL);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_CLASS_DOES_NOT_EXIST);
}

TEST(WindowsOfThisThread, TimersAndTheQuitMessageComeThroughGetMessage)
{
    HWND hWnd = CreateOwnWindow("timers");
    ASSERT_TRUE(hWnd);
    const UINT_PTR kTimer = 42;
    DWORD dwStart = GetTickCount();
    ASSERT_NE(SetTimer(hWnd, kTimer, 50, NULL), 0u);
    MSG msg;
    ASSERT_TRUE(GetMessageA(&msg, hWnd, WM_TIMER, WM_TIMER));
    EXPECT_EQ(msg.message, (UINT)WM_TIMER);
    EXPECT_EQ(msg.hwnd, hWnd);
    EXPECT_EQ(msg.wParam, kTimer);
    EXPECT_GE(GetTickCount() - dwStart, 40u);
    EXPECT_TRUE(KillTimer(hWnd, kTimer));
    EXPECT_FALSE(KillTimer(hWnd, kTimer));
    Sleep(100);
    EXPECT_FALSE(PeekMessageA(&msg, hWnd, WM_TIMER, WM_TIMER, PM_REMOVE)) << "killed";

    // The quit message ends the loop, after whatever else is queued.
    PostQuitMessage(7);
    int nOthers = 0;
    while (GetMessageA(&msg, NULL, 0, 0) && ++nOthers < 100)
        DispatchMessageA(&msg);
    EXPECT_EQ(msg.message, (UINT)WM_QUIT);
    EXPECT_EQ(msg.wParam, 7u);
    DestroyWindow(hWnd);
}

}  // namespace
