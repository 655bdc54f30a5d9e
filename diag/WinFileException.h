// The exception of the file layer and the payload container code.
#pragma once

#include "CommonException.h"

class CWinFileException : public CCommonException {
public:
    explicit CWinFileException(DWORD dwError);
    ~CWinFileException() override;
};
