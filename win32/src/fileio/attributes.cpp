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

bool LoadKept(const std::string &strPosix, DWORD &dwKept)
{
    uint32_t nValue = 0;
    if (getxattr(strPosix.c_str(), kAttrName, &nValue, sizeof nValue) != (ssize_t)sizeof nValue)
        return false;
    dwKept = nValue;
    return true;
}

}  // namespace

DWORD AttributesOf(const std::string &strPosix, const struct stat &st)
{
    bool bDir = S_ISDIR(st.st_mode);
    DWORD dwKept = bDir ? 0 : FILE_ATTRIBUTE_ARCHIVE;  // what a new one has
    LoadKept(strPosix, dwKept);
    if (bDir)
        return FILE_ATTRIBUTE_DIRECTORY | (dwKept & kKeptDir);
    DWORD dwAttr = dwKept & kKeptFile;
    if (!(st.st_mode & S_IWUSR))
        dwAttr |= FILE_ATTRIBUTE_READONLY;
    return dwAttr ? dwAttr : FILE_ATTRIBUTE_NORMAL;
}

bool StoreAttributes(const std::string &strPosix, const struct stat &st, DWORD dwAttributes)
{
    bool bDir = S_ISDIR(st.st_mode);
    if (!bDir) {
        mode_t mode = st.st_mode & 07777;
        mode = (dwAttributes & FILE_ATTRIBUTE_READONLY) ? (mode & ~(mode_t)0222) : (mode | S_IWUSR);
        if (mode != (st.st_mode & 07777) && chmod(strPosix.c_str(), mode) != 0)
            return false;
    }
    uint32_t nValue = dwAttributes & (bDir ? kKeptDir : kKeptFile);
    if (setxattr(strPosix.c_str(), kAttrName, &nValue, sizeof nValue, 0) != 0) {
        // A file system without extended attributes keeps only READONLY.
        return errno == ENOTSUP;
    }
    return true;
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
