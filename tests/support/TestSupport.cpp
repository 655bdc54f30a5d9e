#include "TestSupport.h"

#include <stdio.h>

namespace {
int g_nNextDir = 0;
}

CTestDir::CTestDir()
{
    char szTemp[MAX_PATH + 1] = {0};
    GetTempPathA(MAX_PATH, szTemp);
    std::string strTemp = szTemp;
    if (strTemp.empty() || strTemp.back() != '\\')
        strTemp += '\\';
    for (int i = 0; i < 1000; ++i) {
        char szName[64];
        snprintf(szName, sizeof szName, "fltest-%lx-%d-%lx\\", (unsigned long)GetCurrentProcessId(),
                 ++g_nNextDir, (unsigned long)GetTickCount());
        m_strPath = strTemp + szName;
        if (CreateDirectoryA(m_strPath.c_str(), NULL))
            return;
    }
    m_strPath.clear();
}

CTestDir::~CTestDir()
{
    if (!m_strPath.empty())
        RemoveTree(m_strPath);
}

bool RemoveTree(const std::string &strPathIn)
{
    std::string strPath = strPathIn;
    while (!strPath.empty() && (strPath.back() == '\\' || strPath.back() == '/'))
        strPath.pop_back();
    WIN32_FIND_DATAA data;
    HANDLE hFind = FindFirstFileA((strPath + "\\*").c_str(), &data);
    if (hFind != INVALID_HANDLE_VALUE) {
        do {
            std::string strName = data.cFileName;
            if (strName == "." || strName == "..")
                continue;
            std::string strChild = strPath + "\\" + strName;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(strChild);
            } else {
                SetFileAttributesA(strChild.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(strChild.c_str());
            }
        } while (FindNextFileA(hFind, &data));
        FindClose(hFind);
    }
    return RemoveDirectoryA(strPath.c_str()) != 0;
}

bool CreateTree(const std::string &strPath)
{
    for (size_t i = 3; i <= strPath.size(); ++i) {
        if (i == strPath.size() || strPath[i] == '\\') {
            std::string strLevel = strPath.substr(0, i);
            if (!CreateDirectoryA(strLevel.c_str(), NULL) && GetLastError() != ERROR_ALREADY_EXISTS)
                return false;
        }
    }
    return true;
}

bool FileExists(const std::string &strPath)
{
    return GetFileAttributesA(strPath.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ReadFileBytes(const std::string &strPath)
{
    std::string str;
    FILE *pFile = fopen(strPath.c_str(), "rb");
    if (!pFile)
        return str;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, pFile)) > 0)
        str.append(buf, n);
    fclose(pFile);
    return str;
}

bool WriteFileBytes(const std::string &strPath, const std::string &strBytes)
{
    FILE *pFile = fopen(strPath.c_str(), "wb");
    if (!pFile)
        return false;
    bool bOk = fwrite(strBytes.data(), 1, strBytes.size(), pFile) == strBytes.size();
    return fclose(pFile) == 0 && bOk;
}

std::string ProgramDir()
{
    char szPath[MAX_PATH + 1] = {0};
    GetModuleFileNameA(NULL, szPath, MAX_PATH);
    std::string str = szPath;
    size_t n = str.find_last_of("\\/");
    return n == std::string::npos ? std::string() : str.substr(0, n + 1);
}

std::string Quote(const std::string &str) { return "\"" + str + "\""; }

CChildProcess::~CChildProcess()
{
    if (m_pi.hProcess) {
        Kill();
        CloseHandle(m_pi.hProcess);
        CloseHandle(m_pi.hThread);
    }
}

bool CChildProcess::Start(const std::string &strApplication, const std::string &strCommandLine)
{
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    std::vector<char> cmd(strCommandLine.begin(), strCommandLine.end());
    cmd.push_back(0);
    return CreateProcessA(strApplication.empty() ? NULL : strApplication.c_str(), cmd.data(), NULL,
                          NULL, FALSE, NORMAL_PRIORITY_CLASS, NULL, NULL, &si, &m_pi) != 0;
}

bool CChildProcess::Wait(DWORD dwTimeoutMs, DWORD *pdwExitCode)
{
    if (WaitForSingleObject(m_pi.hProcess, dwTimeoutMs) != WAIT_OBJECT_0)
        return false;
    if (pdwExitCode)
        GetExitCodeProcess(m_pi.hProcess, pdwExitCode);
    return true;
}

void CChildProcess::Kill()
{
    DWORD dwCode = 0;
    if (GetExitCodeProcess(m_pi.hProcess, &dwCode) && dwCode == (DWORD)STILL_ACTIVE) {
        TerminateProcess(m_pi.hProcess, 99);
        WaitForSingleObject(m_pi.hProcess, 10000);
    }
}

ProcessResult RunProcess(const std::string &strApplication, const std::string &strCommandLine,
                         DWORD dwTimeoutMs)
{
    ProcessResult result;
    CChildProcess child;
    result.bStarted = child.Start(strApplication, strCommandLine);
    if (!result.bStarted) {
        result.dwStartError = GetLastError();
        return result;
    }
    result.bFinished = child.Wait(dwTimeoutMs, &result.dwExitCode);
    return result;
}

bool WaitForFile(const std::string &strPath, DWORD dwTimeoutMs)
{
    DWORD dwStart = GetTickCount();
    while (!FileExists(strPath)) {
        if (GetTickCount() - dwStart > dwTimeoutMs)
            return false;
        Sleep(10);
    }
    return true;
}
