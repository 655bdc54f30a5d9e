#include "CommonException.h"

#include <mbstring.h>
#include <new>
#include <stdio.h>
#include <string.h>

namespace {
const char kDefaultName[] = "CCommonException:";
// Room beside the system text: the name, the fixed words, the code and the zero.
const DWORD kMessageReserve = 300;
}  // namespace

CCommonException::CCommonException(DWORD dwError, const char *pszName)
    : m_dwError(dwError), m_pszMessage(NULL), m_dwMessageSize(0), m_dwMessageAlloc(0)
{
    SetName(pszName);
}

CCommonException::CCommonException(const CCommonException &other)
    : m_dwError(other.m_dwError), m_pszMessage(NULL), m_dwMessageSize(0), m_dwMessageAlloc(0)
{
    memcpy(m_szName, other.m_szName, sizeof m_szName);
}

CCommonException &CCommonException::operator=(const CCommonException &other)
{
    if (this != &other) {
        ReleaseMessage();
        m_dwError = other.m_dwError;
        memcpy(m_szName, other.m_szName, sizeof m_szName);
    }
    return *this;
}

CCommonException::~CCommonException() { ReleaseMessage(); }

void CCommonException::SetName(const char *pszName)
{
    memset(m_szName, 0, sizeof m_szName);
    _mbsnbcpy((unsigned char *)m_szName, (const unsigned char *)(pszName ? pszName : kDefaultName),
              sizeof m_szName - 1);
    m_szName[sizeof m_szName - 1] = 0;
}

void CCommonException::ReleaseMessage()
{
    delete[] m_pszMessage;
    m_pszMessage = NULL;
    m_dwMessageSize = 0;
}

const char *CCommonException::GetErrorMessage()
{
    char *pszSystem = NULL;
    DWORD dwLength = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS |
                                        FORMAT_MESSAGE_ALLOCATE_BUFFER,
                                    NULL, m_dwError, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                                    (LPSTR)&pszSystem, 0, NULL);
    if (dwLength == 0 && pszSystem) {
        LocalFree(pszSystem);
        pszSystem = NULL;
    }
    ReleaseMessage();
    DWORD dwSize = dwLength + kMessageReserve;
    m_pszMessage = new (std::nothrow) char[dwSize];
    if (m_pszMessage) {
        m_dwMessageSize = dwSize;
        m_dwMessageAlloc = dwSize;
        _snprintf(m_pszMessage, dwSize - 1, "%s : Error : %d, Description : %s\n", m_szName,
                  (int)m_dwError, pszSystem ? pszSystem : "(null)");
        m_pszMessage[dwSize - 1] = 0;
    }
    if (pszSystem)
        LocalFree(pszSystem);
    return m_pszMessage;
}

int CCommonException::ShowMessage(unsigned int uType)
{
    return MessageBoxA(NULL, GetErrorMessage(), "Error", uType);
}

DWORD CCommonException::GetErrorCode() { return m_dwError; }
