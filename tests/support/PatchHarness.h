// Whole-run scenarios: a master directory in a scratch directory, the built
// patch copied into it, run as a process, and what it left read back.
#pragma once

#include <string>
#include <vector>

#include "TestSupport.h"

// One record of the trace log: the stamp's fields and the message after it.
struct TraceRecord {
    std::string strFile;
    int nLine = 0;
    std::string strThreadId;
    std::string strProcessId;
    std::string strText;  // up to the next record; keeps its CRLF
};
std::vector<TraceRecord> ParseTraceLog(const std::string &strLog);

class CMasterDir {
public:
    // The master directory lies under a fresh scratch directory; strSubPath
    // names it (several levels may be given).
    explicit CMasterDir(const std::string &strSubPath = "Guardpost");

    // The master directory, ending with a backslash.
    const std::string &Path() const { return m_strPath; }
    std::string operator/(const std::string &strName) const { return m_strPath + strName; }

    // gdpost.ini with [INI_SERVER_SECTION] SetupType=<nMode>.
    void WriteServerMode(int nMode);
    // Copies the built patch in under the given file name.
    bool InstallPatch(const std::string &strExeName = "P_FL132.exe");

    struct Run {
        ProcessResult process;
        std::string strLog;                // P_FL132.log, raw bytes
        std::vector<TraceRecord> records;  // the log, parsed
        std::vector<std::string> texts;    // each record's message
    };
    // Runs the installed patch with the text after the program name.
    Run RunPatch(const std::string &strArguments = "", const std::string &strExeName = "P_FL132.exe",
                 DWORD dwTimeoutMs = 120000);

    // Result of a section of GDPX_PATCH.ini, or "<none>".
    std::string RecordResult(const std::string &strSection = "P_FL132.exe") const;

private:
    CTestDir m_root;
    std::string m_strPath;
};

// The built patch executable beside the test program.
std::string BuiltPatchPath();

// Packs the built patch with the files as its payload into strOut, with the
// sfxpack beside the test program; true when sfxpack succeeded.
bool PackPatch(const std::string &strOut, const std::vector<std::string> &files);
