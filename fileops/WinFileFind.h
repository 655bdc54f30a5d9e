// One FindFirstFileA/FindNextFileA enumeration and its current match. Failures
// are thrown as CWinFileException; the end of the enumeration is a result.
#pragma once

#include <windows.h>

class CWinFileFind {
public:
    CWinFileFind();
    // Closes an open search; never lets an exception out.
    virtual ~CWinFileFind();
    CWinFileFind(const CWinFileFind &) = delete;
    CWinFileFind &operator=(const CWinFileFind &) = delete;

    // 1 with the first match in m_FindData; throws the search's error code
    // (ERROR_FILE_NOT_FOUND for no match, ERROR_PATH_NOT_FOUND for a missing
    // directory). An open search is closed first.
    int FindFirst(const char *pszPattern);
    // Non-zero with the next match in m_FindData; 0 at the end, with
    // m_FindData all zero. Throws 6 when no search is open.
    int FindNext();
    // Throws 6 when no search is open.
    void Close();

private:
    HANDLE m_hFind;

public:
    // The current match; zero-filled before every search call.
    WIN32_FIND_DATAA m_FindData;
};
