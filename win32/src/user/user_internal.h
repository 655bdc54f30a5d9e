// Internal declarations of the layer's windows and messages. Not part of the API.
//
// A window handle is a number that is unique on the machine while its window
// lives: the owning process id in the high bits, a per-process count below.
// Each window is
//   - published as a file in <state dir>/windows, named after the handle and
//     write-locked by its process (a file nobody locks belongs to a process
//     that has ended), holding the class and window names;
//   - reachable through a listening Unix socket in the abstract namespace,
//     named after the handle, on which senders deliver their messages.
#pragma once

#include "../w32_internal.h"

#include <vector>

namespace w32 {
namespace user {

typedef uint64_t WindowId;

constexpr unsigned kWindowCountBits = 24;

inline HWND ToHwnd(WindowId id) { return reinterpret_cast<HWND>(static_cast<uintptr_t>(id)); }
inline WindowId FromHwnd(HWND hWnd)
{
    return static_cast<WindowId>(reinterpret_cast<uintptr_t>(hWnd));
}
inline DWORD OwnerProcessOf(WindowId id) { return static_cast<DWORD>(id >> kWindowCountBits); }

// Registry of published windows (window_registry.cpp).
// Publishes a window; the returned descriptor holds the lock (-1 on failure).
int PublishWindow(WindowId id, const char *pszClass, const char *pszTitle);
void WithdrawWindow(WindowId id, int fdLock);
// A live window with the class and the title (case-insensitive), each when given; 0 if none.
WindowId FindPublishedWindow(const char *pszClass, const char *pszTitle);

// Message channels (window_channel.cpp).
// The listening socket of a window, or -1 (last error set).
int OpenChannel(WindowId id);
// Delivers a message to a window of another thread or process and waits for
// its result, serving this thread's own windows meanwhile. False when the
// window does not exist or its process ended before answering.
bool SendThroughChannel(WindowId id, UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT *plResult);
// Waits up to nTimeoutMs (negative: without end) for a message sent to one of
// this thread's windows, and serves those that came. True when one was served.
bool ServeSentMessages(int nTimeoutMs);

// Windows of this process (windows.cpp).
struct ChannelOfWindow {
    int fd;
    WindowId id;
};
std::vector<ChannelOfWindow> ChannelsOfThisThread();
// Calls the window procedure of a window of this process; false when it is gone.
bool CallWindowProcedure(WindowId id, UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT *plResult);

// Timers (message_loop.cpp): those of a window that is destroyed go with it.
void KillTimersOfWindow(HWND hWnd);

}  // namespace user
}  // namespace w32
