// The service functions of "advapi32.dll", loaded at run time: the patch
// never links the library.
#pragma once

#include <windows.h>

typedef SC_HANDLE(WINAPI *PFN_OPEN_SC_MANAGER)(LPCSTR, LPCSTR, DWORD);
typedef SC_HANDLE(WINAPI *PFN_OPEN_SERVICE)(SC_HANDLE, LPCSTR, DWORD);
typedef BOOL(WINAPI *PFN_START_SERVICE)(SC_HANDLE, DWORD, LPCSTR *);
typedef BOOL(WINAPI *PFN_CONTROL_SERVICE)(SC_HANDLE, DWORD, LPSERVICE_STATUS);
typedef BOOL(WINAPI *PFN_QUERY_SERVICE_STATUS)(SC_HANDLE, LPSERVICE_STATUS);
typedef BOOL(WINAPI *PFN_CLOSE_SERVICE_HANDLE)(SC_HANDLE);

// Loads the library and fetches, in this order, "OpenSCManagerA",
// "OpenServiceA", the request function (pszRequestName: "StartServiceA" or
// "ControlService"), "QueryServiceStatus" and "CloseServiceHandle". The
// library is freed when the object goes.
class CServiceLibrary {
public:
    explicit CServiceLibrary(const char *pszRequestName);
    ~CServiceLibrary();
    CServiceLibrary(const CServiceLibrary &) = delete;
    CServiceLibrary &operator=(const CServiceLibrary &) = delete;

    // 0 when the library and all five entry points are there, otherwise the
    // Win32 code of the first failure.
    DWORD Error() const { return m_dwError; }

    PFN_OPEN_SC_MANAGER m_pfnOpenSCManager = nullptr;
    PFN_OPEN_SERVICE m_pfnOpenService = nullptr;
    FARPROC m_pfnRequest = nullptr;
    PFN_QUERY_SERVICE_STATUS m_pfnQueryServiceStatus = nullptr;
    PFN_CLOSE_SERVICE_HANDLE m_pfnCloseServiceHandle = nullptr;

private:
    FARPROC Fetch(const char *pszName);

    HMODULE m_hLibrary = nullptr;
    DWORD m_dwError = 0;
};

// An entry point as the function type it has.
template <class T>
T EntryAs(FARPROC pfn)
{
    return reinterpret_cast<T>(reinterpret_cast<void *>(pfn));
}
