#include "ServiceLibrary.h"

CServiceLibrary::CServiceLibrary(const char *pszRequestName)
{
    m_hLibrary = LoadLibraryA("advapi32.dll");
    if (!m_hLibrary) {
        m_dwError = GetLastError();
        if (!m_dwError)
            m_dwError = ERROR_MOD_NOT_FOUND;
        return;
    }
    m_pfnOpenSCManager = EntryAs<PFN_OPEN_SC_MANAGER>(Fetch("OpenSCManagerA"));
    m_pfnOpenService = EntryAs<PFN_OPEN_SERVICE>(Fetch("OpenServiceA"));
    m_pfnRequest = Fetch(pszRequestName);
    m_pfnQueryServiceStatus = EntryAs<PFN_QUERY_SERVICE_STATUS>(Fetch("QueryServiceStatus"));
    m_pfnCloseServiceHandle = EntryAs<PFN_CLOSE_SERVICE_HANDLE>(Fetch("CloseServiceHandle"));
}

CServiceLibrary::~CServiceLibrary()
{
    if (m_hLibrary)
        FreeLibrary(m_hLibrary);
}

FARPROC CServiceLibrary::Fetch(const char *pszName)
{
    FARPROC pfn = GetProcAddress(m_hLibrary, pszName);
    if (!pfn && !m_dwError) {
        m_dwError = GetLastError();
        if (!m_dwError)
            m_dwError = ERROR_PROC_NOT_FOUND;
    }
    return pfn;
}
