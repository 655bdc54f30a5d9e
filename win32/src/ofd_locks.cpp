// Byte locks of open file descriptions: the layer's cross-process state (mutex
// names and owners, share modes) lives in them, so a process that dies drops
// its part with its descriptors.
#include "w32_internal.h"

#include <errno.h>
#include <fcntl.h>

namespace w32 {

bool SetByteLock(int fd, off_t nByte, short nType, bool bWait, off_t nCount)
{
    struct flock fl = {};
    fl.l_type = nType;
    fl.l_whence = SEEK_SET;
    fl.l_start = nByte;
    fl.l_len = nCount;
    for (;;) {
        if (fcntl(fd, bWait ? F_OFD_SETLKW : F_OFD_SETLK, &fl) == 0)
            return true;
        if (errno != EINTR)
            return false;
    }
}

bool OtherHoldsByte(int fd, off_t nByte, off_t nCount)
{
    struct flock fl = {};
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = nByte;
    fl.l_len = nCount;
    if (fcntl(fd, F_OFD_GETLK, &fl) != 0)
        return false;
    return fl.l_type != F_UNLCK;
}

}  // namespace w32
