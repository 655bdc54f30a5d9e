#include "WinFileFind.h"

#include "WinFileException.h"

CWinFileFind::CWinFileFind() : m_hFind(INVALID_HANDLE_VALUE) {}

CWinFileFind::~CWinFileFind()
{
    try {
        Close();
    } catch (CWinFileException &) {
        // No search was open: nothing to release.
    }
}

int CWinFileFind::FindFirst(const char *pszPattern)
{
    if (m_hFind != INVALID_HANDLE_VALUE)
        Close();
    memset(&m_FindData, 0, sizeof m_FindData);
    m_hFind = FindFirstFileA(pszPattern, &m_FindData);
    if (m_hFind == INVALID_HANDLE_VALUE)
        throw CWinFileException(GetLastError());
    return 1;
}

int CWinFileFind::FindNext()
{
    if (m_hFind == INVALID_HANDLE_VALUE)
        throw CWinFileException(ERROR_INVALID_HANDLE);
    memset(&m_FindData, 0, sizeof m_FindData);
    BOOL bFound = FindNextFileA(m_hFind, &m_FindData);
    if (bFound)
        return bFound;
    DWORD dwError = GetLastError();
    if (dwError == ERROR_NO_MORE_FILES) {
        memset(&m_FindData, 0, sizeof m_FindData);  // a failed call may leave bytes behind
        return 0;
    }
    throw CWinFileException(dwError);
}

void CWinFileFind::Close()
{
    if (m_hFind == INVALID_HANDLE_VALUE)
        throw CWinFileException(ERROR_INVALID_HANDLE);
    FindClose(m_hFind);
    m_hFind = INVALID_HANDLE_VALUE;
}
