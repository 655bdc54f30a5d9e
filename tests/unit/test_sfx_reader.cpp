// The container's directory, read backward from the end of the file.
#include <gtest/gtest.h>

#include "SfxArchive.h"
#include "TestSupport.h"
#include "WinFileException.h"
#include "test_sfx_container.h"

namespace {

struct ReadResult {
    bool bThrew = false;
    DWORD dwError = 0;
    bool bFound = false;
    std::vector<std::string> names;  // as m_Entries holds them
};

ReadResult ReadBytes(const CTestDir &dir, const std::string &strBytes)
{
    std::string strPath = dir / "container.bin";
    EXPECT_TRUE(WriteFileBytes(strPath, strBytes));
    ReadResult result;
    CSfxArchive archive(strPath.c_str());
    try {
        result.bFound = archive.ReadDirectory(strPath.c_str());
    } catch (CWinFileException &e) {
        result.bThrew = true;
        result.dwError = e.GetErrorCode();
    }
    for (const SfxEntry &entry : archive.Entries())
        result.names.push_back(entry.m_strName);
    return result;
}

using Names = std::vector<std::string>;

}  // namespace

TEST(SfxReader, MagicAndCount)
{
    CTestDir dir;
    CContainerBuilder one;
    one.Member("a.txt", "A");
    struct Case {
        const char *pszWhat;
        std::string strBytes;
        bool bFound;
        Names names;
    } cases[] = {
        {"magic in lower case", one.BuildWithCount(1, "!quil_sfx!"), false, {}},
        {"last byte differs", one.BuildWithCount(1, "!QUIL_SFX?"), false, {}},
        {"first byte differs", one.BuildWithCount(1, " QUIL_SFX!"), false, {}},
        {"no container at all", "MZ just an executable image", false, {}},
        {"count 0", one.BuildWithCount(0), false, {}},
        {"count -1", one.BuildWithCount(-1), true, {}},
        {"smallest count", one.BuildWithCount(INT32_MIN), true, {}},
        {"one record", one.Build(), true, {"a.txt"}},
    };
    for (const Case &c : cases) {
        ReadResult r = ReadBytes(dir, c.strBytes);
        EXPECT_FALSE(r.bThrew) << c.pszWhat << ": " << r.dwError;
        EXPECT_EQ(c.bFound, r.bFound) << c.pszWhat;
        EXPECT_EQ(c.names, r.names) << c.pszWhat;
    }
}

TEST(SfxReader, RecordsComeLastFirst)
{
    CTestDir dir;
    std::string strZeroName("ab\0cd", 5);
    struct Case {
        const char *pszWhat;
        CContainerBuilder builder;
        Names names;
    } cases[] = {
        {"three in file order", CContainerBuilder().Member("P", "p").Member("Q", "q").Member("R", "r"),
         {"R", "Q", "P"}},
        {"empty name", CContainerBuilder().Member("", "x").Member("next", "y"), {"next", ""}},
        {"zero byte in a name", CContainerBuilder().Member(strZeroName, "x").Member("after", "y"),
         {"after", "ab"}},
        {"1023-byte name", CContainerBuilder().Member(std::string(1023, 'n'), "x"),
         {std::string(1023, 'n')}},
        {"members anywhere before the records",
         CContainerBuilder().Record(0, 2, "image-start").Record(1 << 30, 5, "far"),
         {"far", "image-start"}},
    };
    for (Case &c : cases) {
        ReadResult r = ReadBytes(dir, c.builder.Build());
        EXPECT_FALSE(r.bThrew) << c.pszWhat << ": " << r.dwError;
        EXPECT_TRUE(r.bFound) << c.pszWhat;
        EXPECT_EQ(c.names, r.names) << c.pszWhat;
    }
    // The fields of one record; the directory region is 26 + N bytes.
    CContainerBuilder builder("IMAGE");
    builder.Member("name", "0123456789");
    std::string strBytes = builder.Build();
    EXPECT_EQ(5u + 10u + 26u + 4u, strBytes.size());
    std::string strPath = dir / "one.bin";
    ASSERT_TRUE(WriteFileBytes(strPath, strBytes));
    CSfxArchive archive(strPath.c_str());
    ASSERT_TRUE(archive.ReadDirectory(strPath.c_str()));
    ASSERT_EQ(1u, archive.Entries().size());
    EXPECT_EQ(5u, archive.Entries()[0].m_dwOffset);
    EXPECT_EQ(10u, archive.Entries()[0].m_dwSize);
}

TEST(SfxReader, DamagedDirectoriesThrow)
{
    CTestDir dir;
    CContainerBuilder one("");
    one.Member("a.txt", "A");
    CContainerBuilder longName;
    longName.Member(std::string(1024, 'n'), "x");
    CContainerBuilder hugeLength;
    hugeLength.Record(0, 1, "x", 0xFFFFFFF0u);
    struct Case {
        const char *pszWhat;
        std::string strBytes;
        DWORD dwError;
        Names names;  // the records read before the failure stay
    } cases[] = {
        {"shorter than the magic", "QUIL_SFX!", ERROR_NEGATIVE_SEEK, {}},
        {"magic without a count", "!QUIL_SFX!", ERROR_NEGATIVE_SEEK, {}},
        {"count past the records", one.BuildWithCount(3), ERROR_NEGATIVE_SEEK, {"a.txt"}},
        {"name of 1024 bytes", longName.Build(), ERROR_FILENAME_EXCED_RANGE, {}},
        {"name length past the start", hugeLength.Build(), ERROR_FILENAME_EXCED_RANGE, {}},
    };
    for (const Case &c : cases) {
        ReadResult r = ReadBytes(dir, c.strBytes);
        EXPECT_TRUE(r.bThrew) << c.pszWhat;
        EXPECT_EQ(c.dwError, r.dwError) << c.pszWhat;
        EXPECT_EQ(c.names, r.names) << c.pszWhat;
    }
}

TEST(SfxReader, PathFailures)
{
    CTestDir dir;
    CSfxArchive archive((dir / "x").c_str());
    DWORD dwError = 0;
    try {
        archive.ReadDirectory(nullptr);
    } catch (CWinFileException &e) {
        dwError = e.GetErrorCode();
    }
    EXPECT_EQ((DWORD)ERROR_INVALID_PARAMETER, dwError);
    try {
        archive.ReadDirectory((dir / "missing.exe").c_str());
    } catch (CWinFileException &e) {
        dwError = e.GetErrorCode();
    }
    EXPECT_EQ((DWORD)ERROR_FILE_NOT_FOUND, dwError);
}
