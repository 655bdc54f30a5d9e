#include "WinHandle.h"

CWinHandle::CWinHandle(HANDLE hObject) : m_hObject(hObject) {}

CWinHandle::~CWinHandle()
{
    if (m_hObject != NULL)
        CloseHandle(m_hObject);
    m_hObject = NULL;
}
