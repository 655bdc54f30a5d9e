#include <gtest/gtest.h>

#include <mbctype.h>

#include <regex>
#include <string>

#include "PatchHarness.h"
#include "TestSupport.h"
#include "Trace.h"

namespace {

class TraceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_strLog = m_dir / "trace.log";
        gnTraceMode = TRACE_OFF;
        gszLogPath[0] = 0;
    }
    void TearDown() override
    {
        gnTraceMode = TRACE_OFF;
        gszLogPath[0] = 0;
    }

    CTestDir m_dir;
    std::string m_strLog;
};

TEST_F(TraceTest, LineHasTheStampedFormatAndEndsInCrLf)
{
    SetTraceOptions(TRACE_FILE, m_strLog.c_str());
    TraceMessage("C:\\src\\patch\\FL132Ext.cpp", 42, "Server mode = %d\n", 3);
    std::string strLog = ReadFileBytes(m_strLog);
    std::regex line(R"(\[FL132Ext\.cpp\(42\) (\d\d)/(\d\d) (\d\d):(\d\d):(\d\d) ([0-9a-f]+)-([0-9a-f]+)\] Server mode = 3\r\n)");
    std::smatch match;
    ASSERT_TRUE(std::regex_match(strLog, match, line)) << strLog;
    int nMonth = std::stoi(match[1]);
    EXPECT_GE(nMonth, 1);
    EXPECT_LE(nMonth, 12);
    char szIds[64];
    snprintf(szIds, sizeof szIds, "%x-%x", (unsigned)GetCurrentThreadId(), (unsigned)GetCurrentProcessId());
    EXPECT_EQ(std::string(match[6]) + "-" + std::string(match[7]), szIds);
}

TEST_F(TraceTest, BaseNameIsThePartAfterTheLastSeparatorOfEitherKind)
{
    struct Case {
        const char *pszFile;
        const char *pszBase;
    } cases[] = {
        {"C:\\a\\b\\x.cpp", "x.cpp"}, {"/a/b/y.cpp", "y.cpp"},   {"a/b\\c/z.cpp", "z.cpp"},
        {"a\\b/c\\w.cpp", "w.cpp"},    {"plain.cpp", "plain.cpp"}, {"dir\\", ""},
    };
    SetTraceOptions(TRACE_FILE, m_strLog.c_str());
    for (const Case &c : cases)
        TraceMessage(c.pszFile, 7, "%s", "x\n");
    std::vector<TraceRecord> records = ParseTraceLog(ReadFileBytes(m_strLog));
    ASSERT_EQ(records.size(), sizeof cases / sizeof cases[0]);
    for (size_t i = 0; i < records.size(); ++i)
        EXPECT_EQ(records[i].strFile, cases[i].pszBase) << cases[i].pszFile;
    EXPECT_EQ(ReadFileBytes(m_strLog).find("[(7) "), ReadFileBytes(m_strLog).rfind('['))
        << "an empty base name gives an opening bracket and parenthesis";
}

TEST_F(TraceTest, TextsWithoutLineEndRunOnAndInnerLineFeedsBecomeCrLf)
{
    SetTraceOptions(TRACE_FILE, m_strLog.c_str());
    TraceMessage(__FILE__, 1, "%s", "Waited for a while!");
    TraceMessage(__FILE__, 2, "%s", "Timeout!");
    TraceMessage(__FILE__, 3, "%s", "one\ntwo\n");
    std::string strLog = ReadFileBytes(m_strLog);
    EXPECT_NE(strLog.find("Waited for a while![test_trace.cpp(2) "), std::string::npos) << strLog;
    EXPECT_NE(strLog.find("Timeout![test_trace.cpp(3) "), std::string::npos) << strLog;
    EXPECT_NE(strLog.find("one\r\ntwo\r\n"), std::string::npos);
    EXPECT_EQ(strLog.find("\n\n"), std::string::npos);
    EXPECT_EQ(strLog.substr(strLog.size() - 2), "\r\n");
}

TEST_F(TraceTest, RunsAppendToTheSameFile)
{
    WriteFileBytes(m_strLog, "earlier run\r\n");
    SetTraceOptions(TRACE_FILE, m_strLog.c_str());
    TraceMessage(__FILE__, __LINE__, "%s", "next\n");
    std::string strLog = ReadFileBytes(m_strLog);
    EXPECT_EQ(strLog.find("earlier run\r\n["), 0u);
}

TEST_F(TraceTest, LongMessageIsCutTo4095Bytes)
{
    SetTraceOptions(TRACE_FILE, m_strLog.c_str());
    std::string strLong(5000, 'x');
    TraceMessage(__FILE__, __LINE__, "%s", strLong.c_str());
    std::string strLog = ReadFileBytes(m_strLog);
    EXPECT_EQ(strLog.size(), 4095u);
    EXPECT_EQ(strLog.back(), 'x');
    EXPECT_EQ(strLog[0], '[');
}

TEST_F(TraceTest, ModeOffWritesNothing)
{
    TraceMessage(__FILE__, __LINE__, "%s", "before any options\n");
    SetTraceOptions(TRACE_OFF, m_strLog.c_str());
    TraceMessage(__FILE__, __LINE__, "%s", "mode 0\n");
    EXPECT_FALSE(FileExists(m_strLog));
}

TEST_F(TraceTest, NullPathKeepsTheEarlierOneAndNoPathWritesNothing)
{
    SetTraceOptions(TRACE_FILE, NULL);
    TraceMessage(__FILE__, __LINE__, "%s", "nowhere\n");
    SetTraceOptions(TRACE_FILE, m_strLog.c_str());
    SetTraceOptions(TRACE_FILE, NULL);
    TraceMessage(__FILE__, __LINE__, "%s", "kept\n");
    std::vector<TraceRecord> records = ParseTraceLog(ReadFileBytes(m_strLog));
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].strText, "kept\r\n");
}

TEST_F(TraceTest, UnopenableLogDropsTheLineSilently)
{
    std::string strMissing = m_dir / "no such dir\\trace.log";
    SetTraceOptions(TRACE_FILE, strMissing.c_str());
    TraceMessage(__FILE__, __LINE__, "%s", "dropped\n");
    EXPECT_FALSE(FileExists(strMissing));
}

TEST(TraceOptions, StoredPathIsBoundedAndNeverSplitsADoubleByteCharacter)
{
    std::string strLong(300, 'a');
    SetTraceOptions(TRACE_FILE, strLong.c_str());
    EXPECT_EQ(strlen(gszLogPath), 259u);

    ASSERT_EQ(_setmbcp(932), 0);
    // 258 single bytes, then a double-byte character whose lead byte would be
    // the 259th byte stored.
    std::string strDbcs(258, 'b');
    strDbcs += "\x95\x5C";
    strDbcs += "tail";
    SetTraceOptions(TRACE_FILE, strDbcs.c_str());
    EXPECT_EQ(strlen(gszLogPath), 258u);
    _setmbcp(_MB_CP_ANSI);
    SetTraceOptions(TRACE_OFF, "");
}

}  // namespace
