// What the version functions answer for a file, for the layer's tests.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "TestSupport.h"
#include "VersionDll.h"

struct VersionAnswer {
    DWORD dwSizeError = 0;   // last error after a size of 0; 0 when the size is not 0
    DWORD dwSize = 0;
    bool bRoot = false;      // VerQueryValueA on "\" gave fixed file information
    VS_FIXEDFILEINFO info = {};
};

inline VersionAnswer Ask(const std::string &strPath)
{
    VersionAnswer answer;
    DWORD dwHandle = 77;
    SetLastError(0);
    answer.dwSize = GetFileVersionInfoSizeA(strPath.c_str(), &dwHandle);
    EXPECT_EQ(dwHandle, 0u) << strPath;
    if (answer.dwSize == 0) {
        answer.dwSizeError = GetLastError();
        return answer;
    }
    std::string strBlock(answer.dwSize, '\0');
    if (!GetFileVersionInfoA(strPath.c_str(), 0, answer.dwSize, &strBlock[0])) {
        ADD_FAILURE() << "GetFileVersionInfoA failed after a size of " << answer.dwSize;
        return answer;
    }
    VS_FIXEDFILEINFO *pInfo = nullptr;
    UINT uLen = 0;
    answer.bRoot = VerQueryValueA(strBlock.data(), "\\", (LPVOID *)&pInfo, &uLen) && pInfo;
    if (answer.bRoot) {
        EXPECT_EQ(uLen, sizeof(VS_FIXEDFILEINFO));
        answer.info = *pInfo;
    }
    return answer;
}

inline std::string WriteDll(const CTestDir &dir, const std::string &strName, const std::string &strBytes)
{
    std::string strPath = dir / strName;
    EXPECT_TRUE(WriteFileBytes(strPath, strBytes));
    return strPath;
}

inline void Put32(std::string &str, size_t cbAt, uint32_t dw)
{
    for (int i = 0; i < 4; ++i)
        str[cbAt + i] = (char)(dw >> (8 * i));
}

