// Holds a kernel handle of the kind CreateMutexA returns (NULL: none) and
// closes it when the holder goes out of scope. Its owner never closes it.
#pragma once

#include <windows.h>

class CWinHandle {
public:
    explicit CWinHandle(HANDLE hObject);
    virtual ~CWinHandle();
    CWinHandle(const CWinHandle &) = delete;
    CWinHandle &operator=(const CWinHandle &) = delete;

    HANDLE m_hObject;
};
