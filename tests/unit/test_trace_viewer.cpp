// The trace log's debugger-side sink: a running viewer window in another
// process receives every line as WM_COPYDATA; without one the line goes to
// the debugger output.
#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "Trace.h"
#include "test_windows_support.h"

namespace {

const char kViewerClass[] = "ZovTraceWindow";
const unsigned long kTwin = 0x6E697774;  // "twin"

// The modes with the debugger-side sink, and whether they write the file too.
const struct ViewerMode {
    int nMode;
    bool bFile;
} kViewerModes[] = {{TRACE_DEBUG, false}, {TRACE_DEBUG_FILE, true}};

// The layer keeps the debugger output in its state directory; elsewhere it
// cannot be read back, and the tests say nothing about it.
class CDebuggerOutput {
public:
    CDebuggerOutput()
    {
        char szDir[MAX_PATH + 1] = {0};
        if (GetEnvironmentVariableA("W32_STATE_DIR", szDir, MAX_PATH) == 0)
            return;
        m_strPath = std::string(szDir) + "/OutputDebugString.txt";
        std::string strProbe = "probe " + std::to_string(GetCurrentProcessId()) + " " +
                               std::to_string(GetTickCount()) + "\n";
        OutputDebugStringA(strProbe.c_str());
        if (ReadFileBytes(m_strPath).find(strProbe) == std::string::npos)
            m_strPath.clear();
    }
    bool Readable() const { return !m_strPath.empty(); }
    bool Holds(const std::string &strText) const
    {
        return ReadFileBytes(m_strPath).find(strText) != std::string::npos;
    }

private:
    std::string m_strPath;
};

class TraceViewer : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(EndProgramWindows(kViewerClass));
        m_strLog = m_dir / "trace.log";
        m_strViewerOut = m_dir / "viewer.txt";
    }
    void TearDown() override { SetTraceOptions(TRACE_OFF, ""); }

    // Empties the viewer's record and the log, and sets the mode.
    void Begin(int nMode)
    {
        DeleteFileA(m_strViewerOut.c_str());
        DeleteFileA(m_strLog.c_str());
        SetTraceOptions(nMode, m_strLog.c_str());
    }
    HWND StartViewer()
    {
        return m_viewer.Start("trace_viewer.exe", Quote("out=" + m_strViewerOut));
    }
    // A text no other test traces, so lines can be told apart.
    std::string Unique(const char *pszWhat)
    {
        return std::string(pszWhat) + " " + std::to_string(GetTickCount()) + "-" +
               std::to_string(++m_nText) + "\n";
    }

    CTestDir m_dir;
    std::string m_strLog;
    std::string m_strViewerOut;
    CProgramWindow m_viewer{kViewerClass};
    CDebuggerOutput m_debugger;
    int m_nText = 0;
};

TEST_F(TraceViewer, ARunningViewerGetsEachLineInsteadOfTheDebuggerOutput)
{
    ASSERT_TRUE(StartViewer());
    for (const ViewerMode &c : kViewerModes) {
        Begin(c.nMode);
        std::string strText = Unique("to the viewer");
        TraceMessage("C:\\src\\diag\\Viewer.cpp", 12, "%s", strText.c_str());

        std::vector<CopyRecord> records = ReadCopyRecords(m_strViewerOut);
        ASSERT_EQ(records.size(), 1u) << "mode " << c.nMode;
        EXPECT_EQ(records[0].ulData, kTwin);
        EXPECT_EQ(records[0].ulSize, 4096u) << "the whole line buffer";
        std::regex line(R"(\[Viewer\.cpp\(12\) \d\d/\d\d \d\d:\d\d:\d\d [0-9a-f]+-[0-9a-f]+\] )");
        EXPECT_TRUE(std::regex_search(records[0].strText, line,
                                      std::regex_constants::match_continuous))
            << records[0].strText;
        EXPECT_EQ(records[0].strText.substr(records[0].strText.size() - strText.size()), strText);

        std::string strFile = ReadFileBytes(m_strLog);
        if (c.bFile) {
            // The same line, with the file's CRLF.
            std::string strExpected = records[0].strText;
            strExpected.insert(strExpected.size() - 1, "\r");
            EXPECT_EQ(strFile, strExpected);
        } else {
            EXPECT_EQ(strFile, "") << "mode 1 writes no file";
        }
        if (m_debugger.Readable()) {
            EXPECT_FALSE(m_debugger.Holds(strText)) << "mode " << c.nMode;
        }
    }
}

TEST_F(TraceViewer, EveryLineIsCutToTheBufferAndSentWhole)
{
    ASSERT_TRUE(StartViewer());
    SetTraceOptions(TRACE_DEBUG, NULL);
    TraceMessage(__FILE__, 1, "%s", "");
    TraceMessage(__FILE__, 2, "%s", std::string(5000, 'y').c_str());
    std::vector<CopyRecord> records = ReadCopyRecords(m_strViewerOut);
    ASSERT_EQ(records.size(), 2u);
    for (const CopyRecord &record : records) {
        EXPECT_EQ(record.ulData, kTwin);
        EXPECT_EQ(record.ulSize, 4096u);
    }
    EXPECT_EQ(records[0].strText.back(), ' ') << "an empty message after the stamp";
    EXPECT_EQ(records[1].strText.size(), 4095u);
    EXPECT_EQ(records[1].strText.back(), 'y');
}

TEST_F(TraceViewer, TheViewerIsLookedUpForEveryLine)
{
    for (const ViewerMode &c : kViewerModes) {
        Begin(c.nMode);
        std::string strBefore = Unique("before the viewer");
        TraceMessage(__FILE__, __LINE__, "%s", strBefore.c_str());
        ASSERT_TRUE(StartViewer());
        std::string strDuring = Unique("while it runs");
        TraceMessage(__FILE__, __LINE__, "%s", strDuring.c_str());
        ASSERT_TRUE(EndProgramWindows(kViewerClass));
        std::string strAfter = Unique("after it ended");
        TraceMessage(__FILE__, __LINE__, "%s", strAfter.c_str());

        std::vector<CopyRecord> records = ReadCopyRecords(m_strViewerOut);
        ASSERT_EQ(records.size(), 1u) << "mode " << c.nMode;
        EXPECT_NE(records[0].strText.find(strDuring), std::string::npos);
        if (m_debugger.Readable()) {
            EXPECT_TRUE(m_debugger.Holds(strBefore)) << "mode " << c.nMode;
            EXPECT_FALSE(m_debugger.Holds(strDuring)) << "mode " << c.nMode;
            EXPECT_TRUE(m_debugger.Holds(strAfter)) << "mode " << c.nMode;
        }
        std::string strFile = ReadFileBytes(m_strLog);
        for (const std::string &strText : {strBefore, strDuring, strAfter}) {
            std::string strStored = strText.substr(0, strText.size() - 1) + "\r\n";
            EXPECT_EQ(strFile.find(strStored) != std::string::npos, c.bFile) << "mode " << c.nMode;
        }
    }
}

}  // namespace
