// A file opened with CreateFileA, owned until Close or destruction. Every
// failure is thrown as a CWinFileException; a closed object throws -1.
#pragma once

#include <windows.h>

class CWinFile {
public:
    // Opens at once (there is no closed construction). The argument order is
    // this class's own: disposition before share mode, security after flags.
    CWinFile(const char *lpFileName, DWORD dwDesiredAccess, DWORD dwCreationDisposition,
             DWORD dwShareMode, DWORD dwFlagsAndAttributes,
             SECURITY_ATTRIBUTES *lpSecurityAttributes, HANDLE hTemplateFile);
    virtual ~CWinFile();
    CWinFile(const CWinFile &) = delete;
    CWinFile &operator=(const CWinFile &) = delete;

    // A null name throws 87 and leaves an open file open; otherwise an open
    // file is closed first.
    void Open(const char *lpFileName, DWORD dwDesiredAccess, DWORD dwCreationDisposition,
              DWORD dwShareMode, DWORD dwFlagsAndAttributes,
              SECURITY_ATTRIBUTES *lpSecurityAttributes, HANDLE hTemplateFile);
    // The number of bytes read; 0 at the end of the file.
    DWORD Read(void *lpBuffer, DWORD nNumberOfBytesToRead, OVERLAPPED *lpOverlapped);
    // Returns only when every byte was written.
    void Write(const void *lpBuffer, DWORD nNumberOfBytesToWrite, OVERLAPPED *lpOverlapped);
    // 32-bit positions: a distance and FILE_BEGIN, FILE_CURRENT or FILE_END.
    void Seek(LONG lDistanceToMove, DWORD dwMoveMethod);
    // Never throws; closing a closed object does nothing.
    void Close();

private:
    HANDLE m_hFile;
};
