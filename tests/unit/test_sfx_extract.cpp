// Extraction of a container's members into a directory, and what stays
// behind and is traced when it fails.
#include <gtest/gtest.h>

#include "ExtractFiles.h"
#include "SfxArchive.h"
#include "TestSupport.h"
#include "Trace.h"
#include "test_sfx_container.h"
#include "../layer/test_fileio_probes.h"

#include <stdio.h>

namespace {

// A container file, an extraction directory and the trace log of one run.
class CExtractRun {
public:
    explicit CExtractRun(const std::string &strBytes) : m_strOut(m_dir / "FL132Ext")
    {
        m_strContainer = m_dir / "patch.exe";
        EXPECT_TRUE(WriteFileBytes(m_strContainer, strBytes));
        m_strLog = m_dir / "trace.log";
    }
    int Run()
    {
        SetTraceOptions(TRACE_FILE, m_strLog.c_str());
        int nResult = ExtractFilesFrom(m_strContainer.c_str(), m_strOut.c_str());
        SetTraceOptions(TRACE_OFF, NULL);
        return nResult;
    }
    std::string Member(const std::string &strName) const { return ReadFileBytes(m_strOut + "\\" + strName); }
    bool HasMember(const std::string &strName) const { return FileExists(m_strOut + "\\" + strName); }
    std::string Log() const { return ReadFileBytes(m_strLog); }
    const CTestDir &Dir() const { return m_dir; }
    const std::string &Out() const { return m_strOut; }

private:
    CTestDir m_dir;
    std::string m_strContainer, m_strOut, m_strLog;
};

std::string Pattern(size_t nSize)
{
    std::string str(nSize, 0);
    for (size_t i = 0; i < nSize; ++i)
        str[i] = (char)(i * 7 + i / 251);
    return str;
}

}  // namespace

TEST(SfxExtract, MembersOfEverySizeArriveWhole)
{
    CContainerBuilder builder;
    for (size_t nSize : {0, 1, 999, 1000, 1001, 2500, 70000})
        builder.Member("m" + std::to_string(nSize) + ".bin", Pattern(nSize));
    CExtractRun run(builder.Build());
    EXPECT_EQ(1, run.Run());
    for (size_t nSize : {0, 1, 999, 1000, 1001, 2500, 70000}) {
        std::string strName = "m" + std::to_string(nSize) + ".bin";
        EXPECT_TRUE(run.HasMember(strName)) << strName;
        EXPECT_EQ(Pattern(nSize), run.Member(strName)) << strName;
    }
    EXPECT_EQ("", run.Log());
}

TEST(SfxExtract, LaterRecordOfTheSameNameWinsAndASecondRunReplaces)
{
    CContainerBuilder builder;
    builder.Member("same.dll", "first").Member("Same.DLL", "second");
    CExtractRun run(builder.Build());
    ASSERT_TRUE(CreateTree(run.Out()));
    ASSERT_TRUE(WriteFileBytes(run.Out() + "\\same.dll", "stale contents, longer"));
    ASSERT_TRUE(WriteFileBytes(run.Out() + "\\other.txt", "left alone"));
    EXPECT_EQ(1, run.Run());
    EXPECT_EQ("second", run.Member("same.dll"));
    EXPECT_EQ(1, run.Run());
    EXPECT_EQ("second", run.Member("same.dll"));
    EXPECT_EQ("left alone", run.Member("other.txt"));
}

TEST(SfxExtract, ResultsWithoutATraceOfTheirOwn)
{
    struct Case {
        const char *pszWhat;
        std::string strBytes;
        int nResult;
    } cases[] = {
        {"no container", "MZ plain executable", 0},
        {"count 0", CContainerBuilder().Member("a", "a").BuildWithCount(0), 0},
        {"negative count", CContainerBuilder().Member("a", "a").BuildWithCount(-3), 1},
    };
    for (const Case &c : cases) {
        CExtractRun run(c.strBytes);
        EXPECT_EQ(c.nResult, run.Run()) << c.pszWhat;
        EXPECT_EQ((DWORD)FILE_ATTRIBUTE_DIRECTORY, GetFileAttributesA(run.Out().c_str())) << c.pszWhat;
        EXPECT_FALSE(run.HasMember("a")) << c.pszWhat;
        EXPECT_EQ("", run.Log()) << c.pszWhat;
    }
    // A null directory creates nothing and traces nothing.
    CExtractRun run(CContainerBuilder().Member("a", "a").Build());
    SetTraceOptions(TRACE_FILE, (run.Dir() / "trace.log").c_str());
    EXPECT_EQ(0, ExtractFiles(nullptr));
    SetTraceOptions(TRACE_OFF, NULL);
    EXPECT_EQ("", run.Log());
}

TEST(SfxExtract, FailuresTraceTheMessageAndKeepWhatCameBefore)
{
    std::string strLong(240, 'L');
    struct Case {
        const char *pszWhat;
        std::string strBytes;
        const char *pszCode;  // in the traced message
        bool bFailedMemberEmpty;  // else partly written
    } cases[] = {
        {"offset of 2^31", CContainerBuilder().Member("first", "1").Record(0x80000000u, 4, "bad").Build(),
         "Error : 131,", true},
        {"offset near 2^32", CContainerBuilder().Member("first", "1").Record(0xFFFFFFF0u, 4, "bad").Build(),
         "Error : 131,", true},
        {"container cut inside a member",
         CContainerBuilder().Member("first", "1").Record(0, 0x7FFFFFFF, "bad").Build(), "Error : 38,",
         false},
        {"joined path longer than MAX_PATH", CContainerBuilder().Member("first", "1").Member(strLong, "x").Build(),
         "Error : 206,", false},
    };
    for (const Case &c : cases) {
        CExtractRun run(c.strBytes);
        EXPECT_EQ(0, run.Run()) << c.pszWhat;
        EXPECT_EQ("1", run.Member("first")) << c.pszWhat;
        EXPECT_NE(std::string::npos, run.Log().find(c.pszCode)) << c.pszWhat << ": " << run.Log();
        EXPECT_NE(std::string::npos, run.Log().find("CWinFileException : Error : ")) << c.pszWhat;
        // Created before the copy: empty, or holding what was copied before the failure.
        if (c.bFailedMemberEmpty) {
            EXPECT_EQ("", run.Member("bad")) << c.pszWhat;
        } else if (strcmp(c.pszCode, "Error : 38,") == 0) {
            EXPECT_EQ(c.strBytes, run.Member("bad")) << c.pszWhat;
        }
    }
}

// Every name that is not a plain file name inside the working directory is
// refused before anything is created for it.
TEST(SfxExtract, RefusesNamesOutsideTheWorkingDirectory)
{
    const char *kNames[] = {
        "..\\KsUpdate.dll", "../KsUpdate.dll", "sub\\x.dll", "sub/x.dll", "\\abs.dll", "C:x.dll",
        "Z:\\abs.dll", "a.dll:stream", "a<b", "a>b", "a\"b", "a|b", "a?b", "a*b", "tab\there",
        "line\nfeed", "\x01", "dot.", "blank ", ".", "..", "", "CON", "con.txt", "PRN.dll", "AUX",
        "NUL.tar.gz", "nul .txt", "COM1", "com9.log", "LPT1", "Lpt5.x",
    };
    for (const char *pszName : kNames) {
        CExtractRun run(
            CContainerBuilder().Member("first.dll", "1").Member(pszName, "evil").Member("last.dll", "3").Build());
        ASSERT_TRUE(CreateTree(run.Dir() / "FL132Ext\\sub"));
        EXPECT_EQ(0, run.Run()) << pszName;
        EXPECT_EQ("1", run.Member("first.dll")) << pszName;
        EXPECT_FALSE(run.HasMember("last.dll")) << pszName;
        EXPECT_FALSE(FileExists(run.Dir() / "KsUpdate.dll")) << pszName;
        EXPECT_FALSE(FileExists(run.Dir() / "FL132Ext\\sub\\x.dll")) << pszName;
        EXPECT_NE(std::string::npos, run.Log().find("Error : 123,")) << pszName << ": " << run.Log();
    }
    // Names close to the refused ones stay allowed.
    for (const char *pszName : {"CONSOLE.dll", "COM10", "LPT", "a.b.c", ".hidden", "x y.txt", "nul_x"}) {
        CExtractRun run(CContainerBuilder().Member(pszName, "ok").Build());
        EXPECT_EQ(1, run.Run()) << pszName << ": " << run.Log();
        EXPECT_EQ("ok", run.Member(pszName)) << pszName;
    }
}

TEST(SfxExtract, DestinationThatCannotBeWritten)
{
    if (!CAttributeProbes::Get().bReadOnlyEnforced)
        GTEST_SKIP() << "read-only files are writable on this platform";
    CExtractRun run(CContainerBuilder().Member("first", "1").Member("ro.dll", "new").Build());
    ASSERT_TRUE(CreateTree(run.Out()));
    ASSERT_TRUE(WriteFileBytes(run.Out() + "\\ro.dll", "old"));
    ASSERT_TRUE(SetFileAttributesA((run.Out() + "\\ro.dll").c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(0, run.Run());
    EXPECT_EQ("old", run.Member("ro.dll"));
    EXPECT_NE(std::string::npos, run.Log().find("Error : 5,")) << run.Log();
    SetFileAttributesA((run.Out() + "\\ro.dll").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(SfxExtract, DestinationHeldOpenByAnotherProcess)
{
    CExtractRun run(CContainerBuilder().Member("first", "1").Member("held.dll", "new").Build());
    ASSERT_TRUE(CreateTree(run.Out()));
    std::string strHeld = run.Out() + "\\held.dll";
    ASSERT_TRUE(WriteFileBytes(strHeld, "old"));
    std::string strHelper = ProgramDir() + "test_fileio_helper.exe";
    std::string strReady = run.Dir() / "ready";
    CChildProcess child;
    ASSERT_TRUE(child.Start(strHelper, Quote(strHelper) + " hold " + Quote(strHeld) + " 0x80000000 0 " +
                                           Quote(strReady)));
    ASSERT_TRUE(WaitForFile(strReady));
    EXPECT_EQ(0, run.Run());
    child.Kill();
    child.Wait(30000);
    EXPECT_EQ("old", run.Member("held.dll"));
    EXPECT_NE(std::string::npos, run.Log().find("Error : 32,")) << run.Log();
}

TEST(SfxExtract, DirectoryThatCannotBeCreated)
{
    CExtractRun run(CContainerBuilder().Member("a", "a").Build());
    ASSERT_TRUE(WriteFileBytes(run.Dir() / "file", "x"));
    std::string strBad = run.Dir() / "file\\sub";
    SetTraceOptions(TRACE_FILE, (run.Dir() / "trace.log").c_str());
    EXPECT_EQ(0, ExtractFilesFrom((run.Dir() / "patch.exe").c_str(), strBad.c_str()));
    SetTraceOptions(TRACE_OFF, NULL);
    EXPECT_NE(std::string::npos, run.Log().find("CreateDirectory error = ")) << run.Log();
    EXPECT_NE(std::string::npos, run.Log().find(strBad)) << run.Log();
}
