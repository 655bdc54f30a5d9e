#include "WinFile.h"

#include "WinFileException.h"

namespace {
// The code of an operation on an object that holds no open file.
const DWORD kNoOpenFile = 0xFFFFFFFF;
}  // namespace

CWinFile::CWinFile(const char *lpFileName, DWORD dwDesiredAccess, DWORD dwCreationDisposition,
                   DWORD dwShareMode, DWORD dwFlagsAndAttributes,
                   SECURITY_ATTRIBUTES *lpSecurityAttributes, HANDLE hTemplateFile)
    : m_hFile(INVALID_HANDLE_VALUE)
{
    Open(lpFileName, dwDesiredAccess, dwCreationDisposition, dwShareMode, dwFlagsAndAttributes,
         lpSecurityAttributes, hTemplateFile);
}

CWinFile::~CWinFile() { Close(); }

void CWinFile::Open(const char *lpFileName, DWORD dwDesiredAccess, DWORD dwCreationDisposition,
                    DWORD dwShareMode, DWORD dwFlagsAndAttributes,
                    SECURITY_ATTRIBUTES *lpSecurityAttributes, HANDLE hTemplateFile)
{
    if (lpFileName == NULL)
        throw CWinFileException(ERROR_INVALID_PARAMETER);
    Close();
    m_hFile = CreateFileA(lpFileName, dwDesiredAccess, dwShareMode, lpSecurityAttributes,
                          dwCreationDisposition, dwFlagsAndAttributes, hTemplateFile);
    if (m_hFile == INVALID_HANDLE_VALUE)
        throw CWinFileException(GetLastError());
}

DWORD CWinFile::Read(void *lpBuffer, DWORD nNumberOfBytesToRead, OVERLAPPED *lpOverlapped)
{
    if (m_hFile == INVALID_HANDLE_VALUE)
        throw CWinFileException(kNoOpenFile);
    DWORD dwRead = 0;
    if (!ReadFile(m_hFile, lpBuffer, nNumberOfBytesToRead, &dwRead, lpOverlapped)) {
        DWORD dwError = GetLastError();
        if (dwError != ERROR_HANDLE_EOF)
            throw CWinFileException(dwError);
    }
    return dwRead;
}

void CWinFile::Write(const void *lpBuffer, DWORD nNumberOfBytesToWrite, OVERLAPPED *lpOverlapped)
{
    if (m_hFile == INVALID_HANDLE_VALUE)
        throw CWinFileException(kNoOpenFile);
    DWORD dwWritten = 0;
    BOOL bOk = WriteFile(m_hFile, lpBuffer, nNumberOfBytesToWrite, &dwWritten, lpOverlapped);
    DWORD dwError = GetLastError();
    if (!bOk || dwWritten != nNumberOfBytesToWrite)
        throw CWinFileException(dwError);
}

void CWinFile::Seek(LONG lDistanceToMove, DWORD dwMoveMethod)
{
    if (m_hFile == INVALID_HANDLE_VALUE)
        throw CWinFileException(kNoOpenFile);
    // Without a high part this result is never a valid position.
    if (SetFilePointer(m_hFile, lDistanceToMove, NULL, dwMoveMethod) == INVALID_SET_FILE_POINTER)
        throw CWinFileException(GetLastError());
}

void CWinFile::Close()
{
    if (m_hFile != INVALID_HANDLE_VALUE) {
        CloseHandle(m_hFile);
        m_hFile = INVALID_HANDLE_VALUE;
    }
}
