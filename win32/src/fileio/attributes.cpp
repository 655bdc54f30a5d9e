// Windows file attributes on POSIX: READONLY of a file is the owner's write
// bit (so other programs see it too); the rest, and READONLY of a directory,
// which must not stop files being created in it, live in an extended attribute.
#include "fileio_internal.h"

#include <errno.h>
#include <sys/xattr.h>

namespace w32 {
namespace {

constexpr const char *kAttrName = "user.w32.attributes";
constexpr DWORD kKeptFile = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
constexpr DWORD kKeptDir = kKeptFile | FILE_ATTRIBUTE_READONLY;

// A file named by its path or reached through an open descriptor.
struct CTarget {
    const std::string *pstrPosix;
    int fd;
    ssize_t Get(uint32_t &nValue) const
    {
        return pstrPosix ? getxattr(pstrPosix->c_str(), kAttrName, &nValue, sizeof nValue)
                         : fgetxattr(fd, kAttrName, &nValue, sizeof nValue);
    }
    int Set(uint32_t nValue) const
    {
        return pstrPosix ? setxattr(pstrPosix->c_str(), kAttrName, &nValue, sizeof nValue, 0)
                         : fsetxattr(fd, kAttrName, &nValue, sizeof nValue, 0);
    }
    int Chmod(mode_t mode) const { return pstrPosix ? chmod(pstrPosix->c_str(), mode) : fchmod(fd, mode); }
};

DWORD AttributesOfTarget(const CTarget &target, const struct stat &st)
{
    bool bDir = S_ISDIR(st.st_mode);
    DWORD dwKept = bDir ? 0 : FILE_ATTRIBUTE_ARCHIVE;  // what a new one has
    uint32_t nValue = 0;
    if (target.Get(nValue) == (ssize_t)sizeof nValue)
        dwKept = nValue;
    if (bDir)
        return FILE_ATTRIBUTE_DIRECTORY | (dwKept & kKeptDir);
    DWORD dwAttr = dwKept & kKeptFile;
    if (!(st.st_mode & S_IWUSR))
        dwAttr |= FILE_ATTRIBUTE_READONLY;
    return dwAttr ? dwAttr : FILE_ATTRIBUTE_NORMAL;
}

bool StoreAttributesOfTarget(const CTarget &target, const struct stat &st, DWORD dwAttributes)
{
    bool bDir = S_ISDIR(st.st_mode);
    if (!bDir) {
        mode_t mode = st.st_mode & 07777;
        mode = (dwAttributes & FILE_ATTRIBUTE_READONLY) ? (mode & ~(mode_t)0222) : (mode | S_IWUSR);
        if (mode != (st.st_mode & 07777) && target.Chmod(mode) != 0)
            return false;
    }
    uint32_t nValue = dwAttributes & (bDir ? kKeptDir : kKeptFile);
    if (target.Set(nValue) != 0) {
        // A file system without extended attributes keeps only READONLY.
        return errno == ENOTSUP;
    }
    return true;
}

}  // namespace

DWORD AttributesOf(const std::string &strPosix, const struct stat &st)
{
    return AttributesOfTarget({&strPosix, -1}, st);
}

DWORD AttributesOf(int fd, const struct stat &st) { return AttributesOfTarget({nullptr, fd}, st); }

bool StoreAttributes(const std::string &strPosix, const struct stat &st, DWORD dwAttributes)
{
    return StoreAttributesOfTarget({&strPosix, -1}, st, dwAttributes);
}

bool StoreAttributes(int fd, const struct stat &st, DWORD dwAttributes)
{
    return StoreAttributesOfTarget({nullptr, fd}, st, dwAttributes);
}

void MarkArchive(int fd)
{
    uint32_t nValue = 0;
    if (fgetxattr(fd, kAttrName, &nValue, sizeof nValue) == (ssize_t)sizeof nValue &&
        !(nValue & FILE_ATTRIBUTE_ARCHIVE)) {
        nValue |= FILE_ATTRIBUTE_ARCHIVE;
        fsetxattr(fd, kAttrName, &nValue, sizeof nValue, 0);
    }
}

}  // namespace w32
