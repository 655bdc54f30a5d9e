#include "PatchHarness.h"

#include <regex>

std::vector<TraceRecord> ParseTraceLog(const std::string &strLog)
{
    static const std::regex header(
        R"(\[([^\]\(]*)\((-?\d+)\) \d\d/\d\d \d\d:\d\d:\d\d ([0-9a-f]+)-([0-9a-f]+)\] )");
    std::vector<TraceRecord> records;
    std::vector<size_t> starts;  // where each record's message starts
    std::vector<size_t> heads;   // where each record's header starts
    for (auto it = std::sregex_iterator(strLog.begin(), strLog.end(), header);
         it != std::sregex_iterator(); ++it) {
        TraceRecord record;
        record.strFile = (*it)[1];
        record.nLine = std::stoi((*it)[2]);
        record.strThreadId = (*it)[3];
        record.strProcessId = (*it)[4];
        records.push_back(record);
        heads.push_back((size_t)it->position());
        starts.push_back((size_t)(it->position() + it->length()));
    }
    for (size_t i = 0; i < records.size(); ++i) {
        size_t nEnd = i + 1 < records.size() ? heads[i + 1] : strLog.size();
        records[i].strText = strLog.substr(starts[i], nEnd - starts[i]);
    }
    return records;
}

std::string BuiltPatchPath() { return ProgramDir() + "P_FL132.exe"; }

bool PackPatch(const std::string &strOut, const std::vector<std::string> &files)
{
    std::string strTool = ProgramDir() + "sfxpack.exe";
    std::string strArgs = Quote(strTool) + " create " + Quote(BuiltPatchPath()) + " " + Quote(strOut);
    for (const std::string &strFile : files)
        strArgs += " " + Quote(strFile);
    ProcessResult result = RunProcess(strTool, strArgs);
    return result.bFinished && result.dwExitCode == 0;
}

CMasterDir::CMasterDir(const std::string &strSubPath)
{
    m_strPath = m_root / strSubPath;
    if (m_strPath.back() != '\\')
        m_strPath += '\\';
    CreateTree(m_strPath.substr(0, m_strPath.size() - 1));
}

void CMasterDir::WriteServerMode(int nMode)
{
    WriteFileBytes(*this / "gdpost.ini",
                   "[INI_SERVER_SECTION]\r\nSetupType=" + std::to_string(nMode) + "\r\n");
}

bool CMasterDir::InstallPatch(const std::string &strExeName)
{
    return CopyFileA(BuiltPatchPath().c_str(), (*this / strExeName).c_str(), FALSE) != 0;
}

CMasterDir::Run CMasterDir::RunPatch(const std::string &strArguments, const std::string &strExeName,
                                     DWORD dwTimeoutMs)
{
    Run run;
    std::string strExe = *this / strExeName;
    std::string strCommandLine = Quote(strExe);
    if (!strArguments.empty())
        strCommandLine += " " + strArguments;
    run.process = RunProcess(strExe, strCommandLine, dwTimeoutMs);
    run.strLog = ReadFileBytes(*this / "P_FL132.log");
    run.records = ParseTraceLog(run.strLog);
    for (const TraceRecord &record : run.records)
        run.texts.push_back(record.strText);
    return run;
}

std::string CMasterDir::RecordResult(const std::string &strSection) const
{
    char szValue[64] = {0};
    GetPrivateProfileStringA(strSection.c_str(), "Result", "<none>", szValue, sizeof szValue,
                             (*this / "GDPX_PATCH.ini").c_str());
    return szValue;
}
