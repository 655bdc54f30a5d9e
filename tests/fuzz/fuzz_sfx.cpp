// libFuzzer target: any bytes as the end of a patch executable, read as a
// payload directory and extracted. Extraction must end (with 1 or 0) without
// a crash, a hang, or a read or write outside a buffer.
#include <windows.h>

#include "ExtractFiles.h"

#include <stdint.h>
#include <stdio.h>

#include <string>

namespace {

std::string ScratchDir()
{
    char szTemp[MAX_PATH + 1] = {0};
    GetTempPathA(MAX_PATH, szTemp);
    char szName[64];
    snprintf(szName, sizeof szName, "flfuzz-sfx-%lu\\", (unsigned long)GetCurrentProcessId());
    std::string str = std::string(szTemp) + szName;
    CreateDirectoryA(str.c_str(), NULL);
    return str;
}

void WriteWhole(const std::string &strPath, const uint8_t *pData, size_t nSize)
{
    HANDLE h = CreateFileA(strPath.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, NULL);
    if (h == INVALID_HANDLE_VALUE)
        return;
    DWORD dwWritten = 0;
    WriteFile(h, pData, (DWORD)nSize, &dwWritten, NULL);
    CloseHandle(h);
}

// Empties the extraction directory, so that runs do not pile up files.
void Clear(const std::string &strDir)
{
    WIN32_FIND_DATAA data;
    HANDLE h = FindFirstFileA((strDir + "\\*").c_str(), &data);
    if (h == INVALID_HANDLE_VALUE)
        return;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            std::string strFile = strDir + "\\" + data.cFileName;
            SetFileAttributesA(strFile.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(strFile.c_str());
        }
    } while (FindNextFileA(h, &data));
    FindClose(h);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pData, size_t nSize)
{
    static const std::string s_strDir = ScratchDir();
    static const std::string s_strContainer = s_strDir + "container.exe";
    static const std::string s_strOut = s_strDir + "FL132Ext";
    // A fixed image before the fuzzed bytes, as in a real patch.
    static const char kImage[] = "MZ fuzzed patch image";
    std::string strBytes(kImage, sizeof kImage - 1);
    strBytes.append(reinterpret_cast<const char *>(pData), nSize);
    WriteWhole(s_strContainer, reinterpret_cast<const uint8_t *>(strBytes.data()), strBytes.size());
    int nResult = ExtractFilesFrom(s_strContainer.c_str(), s_strOut.c_str());
    if (nResult != 0 && nResult != 1)
        __builtin_trap();
    Clear(s_strOut);
    return 0;
}
