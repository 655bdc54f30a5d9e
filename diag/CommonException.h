// An exception that carries a Win32 error code and the kind of failure, and
// turns them into one line with the system's description of the code.
#pragma once

#include <windows.h>

class CCommonException {
public:
    // A null name gives "CCommonException:"; at most 255 bytes are kept.
    CCommonException(DWORD dwError, const char *pszName = NULL);
    // A copy has the same code and name and builds its own text.
    CCommonException(const CCommonException &other);
    CCommonException &operator=(const CCommonException &other);

    virtual int ShowMessage(unsigned int uType);
    // "<name> : Error : <code>, Description : <system text>\n"; null when no
    // buffer could be had. Valid until the next call or the destruction.
    virtual const char *GetErrorMessage();
    virtual ~CCommonException();
    virtual DWORD GetErrorCode();

protected:
    void ReleaseMessage();
    void SetName(const char *pszName);

    DWORD m_dwError;
    char *m_pszMessage;
    DWORD m_dwMessageSize;
    DWORD m_dwMessageAlloc;
    char m_szName[256];
};
