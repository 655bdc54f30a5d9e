// The message queue of a thread: messages sent by others are served first,
// then the quit request, then timers that are due, as on Windows. There is no
// input, so nothing is ever posted to the queue but WM_QUIT.
#include "user_internal.h"

#include <algorithm>

namespace w32 {
namespace user {
namespace {

constexpr DWORD kMinTimerMs = 10;  // USER_TIMER_MINIMUM
constexpr DWORD kMaxTimerMs = 0x7FFFFFFF;

struct CTimer {
    HWND hWnd;
    UINT_PTR nId;
    DWORD dwInterval;
    uint64_t nDue;
    TIMERPROC pfnProc;
};

struct CThreadQueue {
    bool bQuit = false;
    int nQuitCode = 0;
    std::vector<CTimer> timers;
    UINT_PTR nLastThreadTimer = 0;
};

CThreadQueue &Queue()
{
    thread_local CThreadQueue s_queue;
    return s_queue;
}

bool Matches(HWND hMsg, UINT uMsg, HWND hFilter, UINT uMin, UINT uMax)
{
    if (hFilter && hMsg != hFilter)
        return false;
    return (uMin == 0 && uMax == 0) || (uMsg >= uMin && uMsg <= uMax);
}

void Fill(LPMSG lpMsg, HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    lpMsg->hwnd = hWnd;
    lpMsg->message = uMsg;
    lpMsg->wParam = wParam;
    lpMsg->lParam = lParam;
    lpMsg->time = GetTickCount();
    lpMsg->pt.x = 0;
    lpMsg->pt.y = 0;
}

// One message for the caller, waiting for it when bWait.
bool NextMessage(LPMSG lpMsg, HWND hWnd, UINT uMin, UINT uMax, bool bRemove, bool bWait)
{
    CThreadQueue &queue = Queue();
    for (;;) {
        ServeSentMessages(0);
        if (queue.bQuit && Matches(nullptr, WM_QUIT, nullptr, uMin, uMax)) {
            Fill(lpMsg, nullptr, WM_QUIT, (WPARAM)queue.nQuitCode, 0);
            if (bRemove)
                queue.bQuit = false;
            return true;
        }
        uint64_t nNow = NowMs();
        int nWaitMs = -1;
        for (CTimer &timer : queue.timers) {
            if (!Matches(timer.hWnd, WM_TIMER, hWnd, uMin, uMax))
                continue;
            if (timer.nDue <= nNow) {
                Fill(lpMsg, timer.hWnd, WM_TIMER, timer.nId, (LPARAM)timer.pfnProc);
                if (bRemove)
                    timer.nDue = nNow + timer.dwInterval;
                return true;
            }
            int nUntilDue = (int)std::min<uint64_t>(timer.nDue - nNow, kMaxTimerMs);
            nWaitMs = nWaitMs < 0 ? nUntilDue : std::min(nWaitMs, nUntilDue);
        }
        if (!bWait)
            return false;
        ServeSentMessages(nWaitMs);
    }
}

}  // namespace

void KillTimersOfWindow(HWND hWnd)
{
    std::vector<CTimer> &timers = Queue().timers;
    timers.erase(std::remove_if(timers.begin(), timers.end(),
                                [hWnd](const CTimer &t) { return t.hWnd == hWnd; }),
                 timers.end());
}

}  // namespace user
}  // namespace w32

using namespace w32::user;

extern "C" BOOL WINAPI GetMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax)
{
    if (!lpMsg) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    NextMessage(lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax, true, true);
    return lpMsg->message != WM_QUIT;
}

extern "C" BOOL WINAPI PeekMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin,
                                    UINT wMsgFilterMax, UINT wRemoveMsg)
{
    if (!lpMsg) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return NextMessage(lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax, (wRemoveMsg & PM_REMOVE) != 0,
                       false);
}

extern "C" BOOL WINAPI TranslateMessage(const MSG *) { return FALSE; }

extern "C" LRESULT WINAPI DispatchMessageA(const MSG *lpMsg)
{
    if (!lpMsg)
        return 0;
    if (lpMsg->message == WM_TIMER && lpMsg->lParam) {
        reinterpret_cast<TIMERPROC>(lpMsg->lParam)(lpMsg->hwnd, WM_TIMER, lpMsg->wParam,
                                                   GetTickCount());
        return 0;
    }
    LRESULT lResult = 0;
    if (!lpMsg->hwnd || !CallWindowProcedure(FromHwnd(lpMsg->hwnd), lpMsg->message,
                                             lpMsg->wParam, lpMsg->lParam, &lResult)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return lResult;
}

extern "C" void WINAPI PostQuitMessage(int nExitCode)
{
    Queue().bQuit = true;
    Queue().nQuitCode = nExitCode;
}

extern "C" UINT_PTR WINAPI SetTimer(HWND hWnd, UINT_PTR nIDEvent, UINT uElapse,
                                    TIMERPROC lpTimerFunc)
{
    CThreadQueue &queue = Queue();
    DWORD dwInterval = std::min<DWORD>(std::max<DWORD>(uElapse, kMinTimerMs), kMaxTimerMs);
    // A thread timer (no window) gets a new id unless it names one of its own.
    UINT_PTR nId = nIDEvent;
    auto namesThreadTimer = [nIDEvent](const CTimer &t) { return !t.hWnd && t.nId == nIDEvent; };
    if (!hWnd && !std::any_of(queue.timers.begin(), queue.timers.end(), namesThreadTimer))
        nId = ++queue.nLastThreadTimer;
    KillTimer(hWnd, nId);
    queue.timers.push_back({hWnd, nId, dwInterval, w32::NowMs() + dwInterval, lpTimerFunc});
    return hWnd && !nId ? 1 : nId;
}

extern "C" BOOL WINAPI KillTimer(HWND hWnd, UINT_PTR uIDEvent)
{
    std::vector<CTimer> &timers = Queue().timers;
    auto it = std::find_if(timers.begin(), timers.end(), [&](const CTimer &t) {
        return t.hWnd == hWnd && t.nId == uIDEvent;
    });
    if (it == timers.end())
        return FALSE;
    timers.erase(it);
    return TRUE;
}
