// Helpers that tests on both targets share: a scratch directory, whole files,
// and child processes, all through the Win32 API.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// A fresh directory under the temporary directory, removed with its contents
// when the object goes.
class CTestDir {
public:
    CTestDir();
    ~CTestDir();
    CTestDir(const CTestDir &) = delete;
    CTestDir &operator=(const CTestDir &) = delete;

    // The directory, ending with a backslash.
    const std::string &Path() const { return m_strPath; }
    // The directory joined with a relative name.
    std::string operator/(const std::string &strName) const { return m_strPath + strName; }

private:
    std::string m_strPath;
};

// Removes a directory tree; true when nothing is left.
bool RemoveTree(const std::string &strPath);
// Creates every level of a directory path.
bool CreateTree(const std::string &strPath);

bool FileExists(const std::string &strPath);
// The file's bytes; empty when it cannot be read.
std::string ReadFileBytes(const std::string &strPath);
bool WriteFileBytes(const std::string &strPath, const std::string &strBytes);

// The directory of the running test program, ending with a backslash.
std::string ProgramDir();

// A child process started with CreateProcessA.
struct ProcessResult {
    bool bStarted = false;
    DWORD dwStartError = 0;
    bool bFinished = false;  // ended within the time-out (it is killed otherwise)
    DWORD dwExitCode = 0;
};
ProcessResult RunProcess(const std::string &strApplication, const std::string &strCommandLine,
                         DWORD dwTimeoutMs = 60000);

// A started child that the test ends itself.
class CChildProcess {
public:
    CChildProcess() = default;
    ~CChildProcess();
    CChildProcess(const CChildProcess &) = delete;
    CChildProcess &operator=(const CChildProcess &) = delete;

    bool Start(const std::string &strApplication, const std::string &strCommandLine);
    bool Wait(DWORD dwTimeoutMs, DWORD *pdwExitCode = nullptr);
    void Kill();
    HANDLE Handle() const { return m_pi.hProcess; }

private:
    PROCESS_INFORMATION m_pi = {};
};

// Waits until a file exists (a child's sign that it is ready).
bool WaitForFile(const std::string &strPath, DWORD dwTimeoutMs = 30000);

// Quotes one argument of a command line.
std::string Quote(const std::string &str);
