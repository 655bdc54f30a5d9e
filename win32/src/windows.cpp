// Windows of other processes. The layer has no window manager yet: no window
// is ever found, and a message to a window that does not exist returns 0.
#include "w32_internal.h"

extern "C" HWND WINAPI FindWindowA(LPCSTR, LPCSTR) { return nullptr; }

extern "C" LRESULT WINAPI SendMessageA(HWND, UINT, WPARAM, LPARAM)
{
    SetLastError(1400);  // ERROR_INVALID_WINDOW_HANDLE
    return 0;
}
