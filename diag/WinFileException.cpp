#include "WinFileException.h"

CWinFileException::CWinFileException(DWORD dwError) : CCommonException(dwError, "CWinFileException")
{
}

CWinFileException::~CWinFileException() {}
