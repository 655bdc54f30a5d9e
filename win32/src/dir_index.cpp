// Listings of recently searched directories, for case-insensitive lookups.
//
// A name missing under its exact spelling must be looked for among all the
// entries of its directory. Reading the directory each time makes creating
// many files in one directory (an extraction, a backup directory) quadratic,
// so the names of a few directories are kept. An inotify watch on each kept
// directory reports every entry made or removed there, by this process or
// any other, in the call that made the change; the queued reports are applied
// before each lookup, so a listing is as current as a fresh read would be.
// Without inotify (or after its queue overflowed) the directory is read anew.
#include "w32_internal.h"

#include <dirent.h>
#include <errno.h>
#include <limits.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <mutex>
#include <unordered_map>

namespace w32 {
namespace {

constexpr size_t kMaxListings = 8;
constexpr uint32_t kWatchMask = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE_SELF |
                                IN_MOVE_SELF | IN_ONLYDIR;

struct CListing {
    dev_t dev = 0;
    ino_t ino = 0;
    int wd = -1;
    uint64_t nLastUse = 0;
    // Folded name -> the names as stored (a case-sensitive file system may
    // hold more than one spelling).
    std::unordered_multimap<std::string, std::string> names;
};

std::mutex g_lock;
std::map<std::string, CListing> g_listings;  // by directory path
std::unordered_map<int, std::string> g_watched;  // watch -> directory path
uint64_t g_nUses = 0;

int NotifyDescriptor()
{
    static const int s_fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    return s_fd;
}

std::string Folded(const std::string &str)
{
    std::string strFolded = str;
    for (char &c : strFolded)
        if (c >= 'A' && c <= 'Z')
            c = (char)(c + ('a' - 'A'));
    return strFolded;
}

void AddName(CListing &listing, const std::string &strName)
{
    std::string strFolded = Folded(strName);
    auto range = listing.names.equal_range(strFolded);
    for (auto it = range.first; it != range.second; ++it)
        if (it->second == strName)
            return;
    listing.names.emplace(strFolded, strName);
}

void RemoveName(CListing &listing, const std::string &strName)
{
    auto range = listing.names.equal_range(Folded(strName));
    for (auto it = range.first; it != range.second; ++it) {
        if (it->second == strName) {
            listing.names.erase(it);
            return;
        }
    }
}

// bWatchGone: the kernel already dropped the watch.
void Forget(std::map<std::string, CListing>::iterator it, bool bWatchGone)
{
    if (it->second.wd >= 0) {
        if (!bWatchGone)
            inotify_rm_watch(NotifyDescriptor(), it->second.wd);
        g_watched.erase(it->second.wd);
    }
    g_listings.erase(it);
}

void ForgetAll()
{
    while (!g_listings.empty())
        Forget(g_listings.begin(), false);
}

// Applies the queued reports of the watches to their listings.
void ApplyReports()
{
    int fd = NotifyDescriptor();
    if (fd < 0)
        return;
    alignas(struct inotify_event) char abBuffer[16384];
    for (;;) {
        ssize_t n = read(fd, abBuffer, sizeof abBuffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;  // EAGAIN: nothing more is queued
        for (ssize_t nAt = 0; nAt + (ssize_t)sizeof(struct inotify_event) <= n;) {
            const auto *pEvent = reinterpret_cast<const struct inotify_event *>(abBuffer + nAt);
            nAt += (ssize_t)sizeof(struct inotify_event) + pEvent->len;
            if (pEvent->mask & IN_Q_OVERFLOW) {
                ForgetAll();  // reports were lost
                continue;
            }
            auto itWatch = g_watched.find(pEvent->wd);
            if (itWatch == g_watched.end())
                continue;  // a watch dropped since
            auto it = g_listings.find(itWatch->second);
            if (it == g_listings.end())
                continue;
            if (pEvent->mask & (IN_IGNORED | IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT)) {
                Forget(it, (pEvent->mask & IN_IGNORED) != 0);
                continue;
            }
            std::string strName = pEvent->len ? pEvent->name : "";
            if (strName.empty())
                continue;
            if (pEvent->mask & (IN_CREATE | IN_MOVED_TO))
                AddName(it->second, strName);
            else if (pEvent->mask & (IN_DELETE | IN_MOVED_FROM))
                RemoveName(it->second, strName);
        }
        // A read that left room for more took all that was queued when it
        // ran, which is all that a lookup now must see.
        if ((size_t)n + sizeof(struct inotify_event) + NAME_MAX + 1 <= sizeof abBuffer)
            return;
    }
}

// Reads strDir afresh; the listing is kept only where a watch keeps it current.
CListing ReadListing(const std::string &strDir, const struct stat &stDir, bool &bKeep)
{
    CListing listing;
    listing.dev = stDir.st_dev;
    listing.ino = stDir.st_ino;
    bKeep = false;
    int fd = NotifyDescriptor();
    // The watch comes first: a change made while the directory is read is
    // then reported too, and applying it again changes nothing.
    if (fd >= 0)
        listing.wd = inotify_add_watch(fd, strDir.c_str(), kWatchMask);
    DIR *pDir = opendir(strDir.c_str());
    if (pDir) {
        while (struct dirent *pEntry = readdir(pDir))
            AddName(listing, pEntry->d_name);
        closedir(pDir);
    }
    if (listing.wd < 0 || !pDir)
        return listing;
    // One listing per watch: the same directory under another path gives
    // way, as does the longest unused one when all places are taken.
    auto itOther = g_watched.find(listing.wd);
    if (itOther != g_watched.end()) {
        auto it = g_listings.find(itOther->second);
        it->second.wd = -1;  // the watch itself stays, for the new listing
        g_watched.erase(itOther);
        g_listings.erase(it);
    }
    if (g_listings.size() >= kMaxListings) {
        auto itOldest = g_listings.begin();
        for (auto it = g_listings.begin(); it != g_listings.end(); ++it)
            if (it->second.nLastUse < itOldest->second.nLastUse)
                itOldest = it;
        Forget(itOldest, false);
    }
    bKeep = true;
    return listing;
}

}  // namespace

bool FindNameVariant(const std::string &strDir, const struct stat &stDir, const std::string &strName,
                     std::string &strFound)
{
    std::lock_guard<std::mutex> lock(g_lock);
    ApplyReports();
    auto it = g_listings.find(strDir);
    if (it != g_listings.end() && (it->second.dev != stDir.st_dev || it->second.ino != stDir.st_ino)) {
        Forget(it, false);  // another directory under that path now
        it = g_listings.end();
    }
    CListing fresh;
    CListing *pListing = nullptr;
    if (it != g_listings.end()) {
        pListing = &it->second;
    } else {
        bool bKeep = false;
        fresh = ReadListing(strDir, stDir, bKeep);
        if (bKeep) {
            CListing &kept = g_listings[strDir] = std::move(fresh);
            g_watched[kept.wd] = strDir;
            pListing = &kept;
        } else {
            if (fresh.wd >= 0 && !g_watched.count(fresh.wd))
                inotify_rm_watch(NotifyDescriptor(), fresh.wd);
            pListing = &fresh;
        }
    }
    pListing->nLastUse = ++g_nUses;
    auto itName = pListing->names.find(Folded(strName));
    if (itName == pListing->names.end())
        return false;
    strFound = itName->second;
    return true;
}

}  // namespace w32
