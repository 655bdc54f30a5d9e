#include "w32_internal.h"

#include <errno.h>

namespace {
thread_local DWORD tls_dwLastError = 0;
}

extern "C" DWORD WINAPI GetLastError(void) { return tls_dwLastError; }

extern "C" void WINAPI SetLastError(DWORD dwErrCode) { tls_dwLastError = dwErrCode; }

namespace w32 {

DWORD ErrnoToWin32(int nErrno, bool bParentMissing)
{
    switch (nErrno) {
    case 0: return ERROR_SUCCESS;
    case ENOENT: return bParentMissing ? ERROR_PATH_NOT_FOUND : ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case ELOOP: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR: return ERROR_ACCESS_DENIED;
    case EEXIST: return ERROR_ALREADY_EXISTS;
    case ENOTEMPTY: return ERROR_DIR_NOT_EMPTY;
    case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
    case ENOSPC: return ERROR_DISK_FULL;
    case EROFS: return ERROR_WRITE_PROTECT;
    case EMFILE:
    case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case EINVAL: return ERROR_INVALID_PARAMETER;
    case EBADF: return ERROR_INVALID_HANDLE;
    case ETXTBSY:
    case EBUSY: return ERROR_SHARING_VIOLATION;
    case EXDEV: return 17;  // ERROR_NOT_SAME_DEVICE
    case ENOEXEC: return ERROR_BAD_EXE_FORMAT;
    case EPIPE: return ERROR_BROKEN_PIPE;
    default: return ERROR_INVALID_FUNCTION;
    }
}

}  // namespace w32
