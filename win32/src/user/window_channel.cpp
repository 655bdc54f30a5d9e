// Sent messages between threads and processes: each window listens on a Unix
// socket in the abstract namespace (it goes away with its process); a sender
// connects, writes one request, and waits for the result or for the end of
// the connection, which tells it that the window or its process has gone.
#include "user_internal.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace w32 {
namespace user {
namespace {

constexpr uint32_t kRequestMagic = 0x4D573357;  // "W3WM"
constexpr uint32_t kCopyDataFlag = 1;
// Bound of the bytes that one WM_COPYDATA carries across.
constexpr DWORD kMaxCopyData = 64u * 1024u * 1024u;
// A sender that stops in the middle of its request is given up after this.
constexpr int kRequestReadTimeoutMs = 10000;

struct WireRequest {
    uint32_t nMagic;
    uint32_t uMsg;
    uint64_t wParam;
    int64_t lParam;
    uint64_t dwData;
    uint32_t cbData;
    uint32_t nFlags;
};

socklen_t ChannelAddress(WindowId id, sockaddr_un &addr)
{
    memset(&addr, 0, sizeof addr);
    addr.sun_family = AF_UNIX;
    // sun_path[0] stays 0: the abstract namespace.
    int n = snprintf(addr.sun_path + 1, sizeof addr.sun_path - 1, "w32-window-%llx",
                     (unsigned long long)id);
    return (socklen_t)(offsetof(sockaddr_un, sun_path) + 1 + n);
}

bool SendAll(int fd, const void *pv, size_t n)
{
    const char *p = static_cast<const char *>(pv);
    while (n > 0) {
        ssize_t r = send(fd, p, n, MSG_NOSIGNAL);
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            return false;
        p += r;
        n -= (size_t)r;
    }
    return true;
}

// Reads exactly n bytes; false on the end of the connection, an error, or a
// pause longer than nTimeoutMs (negative: without end).
bool ReceiveAll(int fd, void *pv, size_t n, int nTimeoutMs)
{
    char *p = static_cast<char *>(pv);
    while (n > 0) {
        pollfd pfd = {fd, POLLIN, 0};
        int nReady = poll(&pfd, 1, nTimeoutMs);
        if (nReady < 0 && errno == EINTR)
            continue;
        if (nReady <= 0)
            return false;
        ssize_t r = recv(fd, p, n, 0);
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            return false;
        p += r;
        n -= (size_t)r;
    }
    return true;
}

// Handles the request on one accepted connection and answers it.
void ServeConnection(int fd, WindowId id)
{
    WireRequest request;
    if (!ReceiveAll(fd, &request, sizeof request, kRequestReadTimeoutMs) ||
        request.nMagic != kRequestMagic || request.cbData > kMaxCopyData)
        return;
    LRESULT lResult = 0;
    if (request.nFlags & kCopyDataFlag) {
        // The receiver's own copy of the structure and of the bytes.
        std::vector<unsigned char> data(request.cbData);
        if (!data.empty() && !ReceiveAll(fd, data.data(), data.size(), kRequestReadTimeoutMs))
            return;
        COPYDATASTRUCT cds;
        cds.dwData = (ULONG_PTR)request.dwData;
        cds.cbData = request.cbData;
        cds.lpData = data.empty() ? nullptr : data.data();
        CallWindowProcedure(id, request.uMsg, (WPARAM)request.wParam, (LPARAM)&cds, &lResult);
    } else {
        CallWindowProcedure(id, request.uMsg, (WPARAM)request.wParam, (LPARAM)request.lParam,
                            &lResult);
    }
    int64_t nResult = lResult;
    SendAll(fd, &nResult, sizeof nResult);
}

void ServeChannel(const ChannelOfWindow &channel)
{
    int fd = accept4(channel.fd, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0)
        return;  // the sender gave up already
    ServeConnection(fd, channel.id);
    close(fd);
}

}  // namespace

int OpenChannel(WindowId id)
{
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        SetLastError(ErrnoToWin32(errno));
        return -1;
    }
    sockaddr_un addr;
    socklen_t nLength = ChannelAddress(id, addr);
    if (bind(fd, reinterpret_cast<sockaddr *>(&addr), nLength) != 0 || listen(fd, 64) != 0) {
        SetLastError(ErrnoToWin32(errno));
        close(fd);
        return -1;
    }
    return fd;
}

bool SendThroughChannel(WindowId id, UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT *plResult)
{
    WireRequest request = {};
    request.nMagic = kRequestMagic;
    request.uMsg = uMsg;
    request.wParam = wParam;
    request.lParam = lParam;
    const COPYDATASTRUCT *pCds = nullptr;
    if (uMsg == WM_COPYDATA && lParam) {
        pCds = reinterpret_cast<const COPYDATASTRUCT *>(lParam);
        if (pCds->cbData > kMaxCopyData || (pCds->cbData && !pCds->lpData)) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return false;
        }
        request.nFlags = kCopyDataFlag;
        request.dwData = pCds->dwData;
        request.cbData = pCds->cbData;
    }

    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        SetLastError(ErrnoToWin32(errno));
        return false;
    }
    sockaddr_un addr;
    socklen_t nLength = ChannelAddress(id, addr);
    int nConnect;
    do
        nConnect = connect(fd, reinterpret_cast<sockaddr *>(&addr), nLength);
    while (nConnect != 0 && errno == EINTR);
    if (nConnect != 0 || !SendAll(fd, &request, sizeof request) ||
        (pCds && pCds->cbData && !SendAll(fd, pCds->lpData, pCds->cbData))) {
        close(fd);
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return false;
    }

    // Messages sent to this thread's own windows are served while it waits,
    // so two threads that send to each other do not block each other.
    int64_t nResult = 0;
    bool bAnswered = false;
    for (;;) {
        std::vector<ChannelOfWindow> channels = ChannelsOfThisThread();
        std::vector<pollfd> pfds(1 + channels.size());
        pfds[0] = {fd, POLLIN, 0};
        for (size_t i = 0; i < channels.size(); ++i)
            pfds[i + 1] = {channels[i].fd, POLLIN, 0};
        int nReady = poll(pfds.data(), pfds.size(), -1);
        if (nReady < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        for (size_t i = 0; i < channels.size(); ++i)
            if (pfds[i + 1].revents & POLLIN)
                ServeChannel(channels[i]);
        if (pfds[0].revents) {
            bAnswered = ReceiveAll(fd, &nResult, sizeof nResult, kRequestReadTimeoutMs);
            break;
        }
    }
    close(fd);
    if (!bAnswered) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return false;
    }
    *plResult = (LRESULT)nResult;
    return true;
}

bool ServeSentMessages(int nTimeoutMs)
{
    std::vector<ChannelOfWindow> channels = ChannelsOfThisThread();
    std::vector<pollfd> pfds(channels.size());
    for (size_t i = 0; i < channels.size(); ++i)
        pfds[i] = {channels[i].fd, POLLIN, 0};
    int nReady;
    do
        nReady = poll(pfds.data(), pfds.size(), nTimeoutMs < 0 ? -1 : nTimeoutMs);
    while (nReady < 0 && errno == EINTR);
    bool bServed = false;
    for (size_t i = 0; nReady > 0 && i < channels.size(); ++i) {
        if (pfds[i].revents & POLLIN) {
            ServeChannel(channels[i]);
            bServed = true;
        }
    }
    return bServed;
}

}  // namespace user
}  // namespace w32
