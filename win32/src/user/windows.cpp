// Window classes and top-level windows of this process, and SendMessageA:
// a window of the calling thread is called directly, any other through its
// channel. FindWindowA looks in the registry, so it sees every process's windows.
#include "user_internal.h"

#include <strings.h>
#include <unistd.h>

#include <map>
#include <memory>
#include <mutex>

namespace w32 {
namespace user {
namespace {

constexpr size_t kMaxClassName = 256;
constexpr ATOM kFirstClassAtom = 0xC000;

struct CWindowClass {
    std::string strName;
    WNDPROC pfnProc;
    ATOM atom;
};

struct CWindow {
    WindowId id = 0;
    std::string strClass;
    WNDPROC pfnProc = nullptr;
    DWORD dwThread = 0;
    int fdChannel = -1;
    int fdLock = -1;
    bool bDestroying = false;
};

std::mutex g_lock;  // guards both tables
std::vector<CWindowClass> g_classes;
std::map<WindowId, std::shared_ptr<CWindow>> g_windows;
uint32_t g_nLastWindow = 0;

bool IsAtom(LPCSTR psz) { return reinterpret_cast<uintptr_t>(psz) < 0x10000; }

// g_lock held.
const CWindowClass *FindClass(LPCSTR lpClassName)
{
    for (const CWindowClass &wc : g_classes) {
        if (IsAtom(lpClassName) ? wc.atom == (ATOM) reinterpret_cast<uintptr_t>(lpClassName)
                                : strcasecmp(wc.strName.c_str(), lpClassName) == 0)
            return &wc;
    }
    return nullptr;
}

std::shared_ptr<CWindow> LocalWindow(WindowId id)
{
    std::lock_guard<std::mutex> guard(g_lock);
    auto it = g_windows.find(id);
    return it == g_windows.end() ? nullptr : it->second;
}

void ReleaseWindow(const std::shared_ptr<CWindow> &pWindow)
{
    {
        std::lock_guard<std::mutex> guard(g_lock);
        g_windows.erase(pWindow->id);
    }
    KillTimersOfWindow(ToHwnd(pWindow->id));
    WithdrawWindow(pWindow->id, pWindow->fdLock);
    if (pWindow->fdChannel >= 0)
        close(pWindow->fdChannel);
}

}  // namespace

std::vector<ChannelOfWindow> ChannelsOfThisThread()
{
    DWORD dwThread = GetCurrentThreadId();
    std::vector<ChannelOfWindow> channels;
    std::lock_guard<std::mutex> guard(g_lock);
    for (const auto &entry : g_windows)
        if (entry.second->dwThread == dwThread)
            channels.push_back({entry.second->fdChannel, entry.first});
    return channels;
}

bool CallWindowProcedure(WindowId id, UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT *plResult)
{
    std::shared_ptr<CWindow> pWindow = LocalWindow(id);
    if (!pWindow)
        return false;
    *plResult = pWindow->pfnProc(ToHwnd(id), uMsg, wParam, lParam);
    return true;
}

}  // namespace user
}  // namespace w32

using namespace w32::user;

extern "C" ATOM WINAPI RegisterClassA(const WNDCLASSA *lpWndClass)
{
    if (!lpWndClass || !lpWndClass->lpfnWndProc || IsAtom(lpWndClass->lpszClassName) ||
        strlen(lpWndClass->lpszClassName) > kMaxClassName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::lock_guard<std::mutex> guard(g_lock);
    if (FindClass(lpWndClass->lpszClassName)) {
        SetLastError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    ATOM atom = (ATOM)(kFirstClassAtom + g_classes.size());
    g_classes.push_back({lpWndClass->lpszClassName, lpWndClass->lpfnWndProc, atom});
    return atom;
}

extern "C" HWND WINAPI CreateWindowExA(DWORD dwExStyle, LPCSTR lpClassName, LPCSTR lpWindowName,
                                       DWORD dwStyle, int X, int Y, int nWidth, int nHeight,
                                       HWND, HMENU hMenu, HINSTANCE hInstance, LPVOID lpParam)
{
    auto pWindow = std::make_shared<CWindow>();
    {
        std::lock_guard<std::mutex> guard(g_lock);
        const CWindowClass *pClass = lpClassName ? FindClass(lpClassName) : nullptr;
        if (!pClass) {
            SetLastError(ERROR_CLASS_DOES_NOT_EXIST);  // as Wine
            return nullptr;
        }
        if (g_nLastWindow + 1 >= (1u << kWindowCountBits)) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return nullptr;
        }
        pWindow->id = ((WindowId)getpid() << kWindowCountBits) | ++g_nLastWindow;
        pWindow->strClass = pClass->strName;
        pWindow->pfnProc = pClass->pfnProc;
    }
    pWindow->dwThread = GetCurrentThreadId();
    pWindow->fdChannel = OpenChannel(pWindow->id);
    if (pWindow->fdChannel < 0)
        return nullptr;
    pWindow->fdLock = PublishWindow(pWindow->id, pWindow->strClass.c_str(), lpWindowName);
    if (pWindow->fdLock < 0) {
        DWORD dwError = GetLastError();
        close(pWindow->fdChannel);
        SetLastError(dwError);
        return nullptr;
    }
    {
        std::lock_guard<std::mutex> guard(g_lock);
        g_windows[pWindow->id] = pWindow;
    }

    HWND hWnd = ToHwnd(pWindow->id);
    CREATESTRUCTA cs = {lpParam, hInstance, hMenu, nullptr, nHeight, nWidth, Y, X,
                        (LONG)dwStyle, lpWindowName, pWindow->strClass.c_str(), dwExStyle};
    if (!pWindow->pfnProc(hWnd, WM_NCCREATE, 0, (LPARAM)&cs)) {
        pWindow->pfnProc(hWnd, WM_NCDESTROY, 0, 0);
        ReleaseWindow(pWindow);
        return nullptr;
    }
    if (pWindow->pfnProc(hWnd, WM_CREATE, 0, (LPARAM)&cs) == -1) {
        DestroyWindow(hWnd);
        return nullptr;
    }
    return hWnd;
}

extern "C" BOOL WINAPI DestroyWindow(HWND hWnd)
{
    // Only the window's own thread destroys it; any other handle, also one
    // of a window that is gone, is refused with ERROR_ACCESS_DENIED (as Wine).
    std::shared_ptr<CWindow> pWindow = LocalWindow(FromHwnd(hWnd));
    if (!pWindow || pWindow->dwThread != GetCurrentThreadId()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (pWindow->bDestroying)
        return TRUE;  // called again from its own WM_DESTROY
    pWindow->bDestroying = true;
    pWindow->pfnProc(hWnd, WM_DESTROY, 0, 0);
    pWindow->pfnProc(hWnd, WM_NCDESTROY, 0, 0);
    ReleaseWindow(pWindow);
    return TRUE;
}

extern "C" LRESULT WINAPI DefWindowProcA(HWND hWnd, UINT Msg, WPARAM, LPARAM)
{
    switch (Msg) {
    case WM_NCCREATE:
        return TRUE;
    case WM_CLOSE:
        DestroyWindow(hWnd);
        return 0;
    default:
        return 0;
    }
}

extern "C" HWND WINAPI FindWindowA(LPCSTR lpClassName, LPCSTR lpWindowName)
{
    std::string strClass;
    if (lpClassName && IsAtom(lpClassName)) {
        std::lock_guard<std::mutex> guard(g_lock);
        const CWindowClass *pClass = FindClass(lpClassName);
        if (!pClass)
            return nullptr;
        strClass = pClass->strName;
        lpClassName = strClass.c_str();
    }
    return ToHwnd(FindPublishedWindow(lpClassName, lpWindowName));
}

extern "C" LRESULT WINAPI SendMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    WindowId id = FromHwnd(hWnd);
    std::shared_ptr<CWindow> pWindow = LocalWindow(id);
    if (pWindow && pWindow->dwThread == GetCurrentThreadId())
        return pWindow->pfnProc(hWnd, Msg, wParam, lParam);
    if (!id || (!pWindow && OwnerProcessOf(id) == (DWORD)getpid())) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    LRESULT lResult = 0;
    return SendThroughChannel(id, Msg, wParam, lParam, &lResult) ? lResult : 0;
}
