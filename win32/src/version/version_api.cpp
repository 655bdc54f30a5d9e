// version: GetFileVersionInfoSizeA, GetFileVersionInfoA, VerQueryValueA.
#include "../w32_internal.h"
#include "version_reader.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A whole file mapped read-only for the time of one call.
class CMappedFile {
public:
    CMappedFile() = default;
    ~CMappedFile()
    {
        if (m_pv)
            munmap(m_pv, m_cb);
    }
    CMappedFile(const CMappedFile &) = delete;
    CMappedFile &operator=(const CMappedFile &) = delete;

    // 0, or the code that opening the file gives.
    DWORD Open(LPCSTR pszPath)
    {
        if (!pszPath) {
            return ERROR_INVALID_PARAMETER;
        }
        w32::ResolvedPath path = w32::ResolvePath(pszPath);
        if (path.dwError)
            return path.dwError;
        int fd = open(path.strPosix.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return w32::ErrnoToWin32(errno, !path.bParentExists);
        DWORD dwError = 0;
        struct stat st;
        if (fstat(fd, &st) != 0) {
            dwError = w32::ErrnoToWin32(errno);
        } else if (S_ISDIR(st.st_mode)) {
            dwError = ERROR_ACCESS_DENIED;
        } else if (st.st_size > 0) {
            m_cb = (size_t)st.st_size;
            void *pv = mmap(nullptr, m_cb, PROT_READ, MAP_PRIVATE, fd, 0);
            if (pv == MAP_FAILED)
                dwError = ERROR_NOT_ENOUGH_MEMORY;
            else
                m_pv = pv;
        }
        close(fd);
        return dwError;
    }
    const uint8_t *Data() const { return (const uint8_t *)m_pv; }
    size_t Size() const { return m_pv ? m_cb : 0; }

private:
    void *m_pv = nullptr;
    size_t m_cb = 0;
};

// Finds the version resource of a file; 0 or the Win32 error code.
DWORD LocateVersion(LPCSTR pszPath, CMappedFile &file, w32ver::VersionResource &resource)
{
    DWORD dwError = file.Open(pszPath);
    if (dwError)
        return dwError;
    return w32ver::FindVersionResource(file.Data(), file.Size(), &resource);
}

bool IsRootBlock(LPCSTR pszSubBlock)
{
    while (*pszSubBlock == '\\')
        ++pszSubBlock;
    return *pszSubBlock == '\0';
}

}  // namespace

extern "C" DWORD WINAPI GetFileVersionInfoSizeA(LPCSTR lptstrFilename, LPDWORD lpdwHandle)
{
    if (lpdwHandle)
        *lpdwHandle = 0;
    CMappedFile file;
    w32ver::VersionResource resource;
    DWORD dwError = LocateVersion(lptstrFilename, file, resource);
    if (dwError) {
        SetLastError(dwError);
        return 0;
    }
    SetLastError(ERROR_SUCCESS);
    return resource.cbSize;
}

extern "C" BOOL WINAPI GetFileVersionInfoA(LPCSTR lptstrFilename, DWORD, DWORD dwLen, LPVOID lpData)
{
    if (!lpData) {
        SetLastError(ERROR_INVALID_DATA);
        return FALSE;
    }
    CMappedFile file;
    w32ver::VersionResource resource;
    DWORD dwError = LocateVersion(lptstrFilename, file, resource);
    if (dwError) {
        SetLastError(dwError);
        return FALSE;
    }
    memcpy(lpData, file.Data() + resource.cbOffset, dwLen < resource.cbSize ? dwLen : resource.cbSize);
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

extern "C" BOOL WINAPI VerQueryValueA(LPCVOID pBlock, LPCSTR lpSubBlock, LPVOID *lplpBuffer, PUINT puLen)
{
    if (!pBlock || !lpSubBlock || !lplpBuffer) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!IsRootBlock(lpSubBlock)) {
        SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
        return FALSE;
    }
    const uint8_t *pb = (const uint8_t *)pBlock;
    // The block tells its own length: nothing past it is read.
    size_t cbBlock = (size_t)(pb[0] | pb[1] << 8);
    size_t cbFixedInfo = 0;
    uint16_t cbValue = 0;
    if (!w32ver::FindFixedFileInfo(pb, cbBlock, &cbFixedInfo, &cbValue)) {
        SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
        return FALSE;
    }
    *lplpBuffer = (LPVOID)(pb + cbFixedInfo);
    if (puLen)
        *puLen = cbValue;
    return TRUE;
}
