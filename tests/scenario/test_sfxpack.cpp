// The packager makes a patch from files; the patch unpacks them to the same
// bytes; list and verify read it back; bad input is refused cleanly.
#include <gtest/gtest.h>

#include "TestSupport.h"

namespace {

std::string Tool() { return ProgramDir() + "sfxpack.exe"; }
std::string Base() { return ProgramDir() + "sfx_self_extract.exe"; }

DWORD Pack(const std::string &strArguments)
{
    ProcessResult r = RunProcess(Tool(), Quote(Tool()) + " " + strArguments);
    EXPECT_TRUE(r.bStarted);
    EXPECT_TRUE(r.bFinished);
    return r.dwExitCode;
}

std::string Bytes(size_t nSize, unsigned nSeed)
{
    std::string str(nSize, 0);
    for (size_t i = 0; i < nSize; ++i) {
        nSeed = nSeed * 1103515245u + 12345u;
        str[i] = (char)(nSeed >> 16);
    }
    return str;
}

// A directory of member files and the command-line list of them.
struct CSourceFiles {
    CTestDir dir;
    std::vector<std::string> names = {"KsUpdate.dll", "empty.txt", "exact1000.bin", "with blank.ini",
                                      "big.dat"};
    std::vector<std::string> contents = {Bytes(70001, 1), "", Bytes(1000, 2), "[s]\r\nk=v\r\n",
                                         Bytes(300000, 3)};
    CSourceFiles()
    {
        for (size_t i = 0; i < names.size(); ++i)
            EXPECT_TRUE(WriteFileBytes(dir / names[i], contents[i]));
    }
    std::string List() const
    {
        std::string str;
        for (const std::string &strName : names)
            str += " " + Quote(dir / strName);
        return str;
    }
};

}  // namespace

TEST(SfxPack, PatchUnpacksToTheSameBytes)
{
    CSourceFiles src;
    CTestDir out;
    std::string strPatch = out / "patch.exe";
    ASSERT_EQ(0u, Pack("create " + Quote(Base()) + " " + Quote(strPatch) + src.List()));
    EXPECT_FALSE(FileExists(strPatch + ".sfxpack-tmp"));
    // The image is unchanged at the start of the patch.
    std::string strBase = ReadFileBytes(Base()), strBuilt = ReadFileBytes(strPatch);
    ASSERT_GT(strBuilt.size(), strBase.size());
    EXPECT_EQ(strBase, strBuilt.substr(0, strBase.size()));
    EXPECT_EQ("!QUIL_SFX!", strBuilt.substr(strBuilt.size() - 10));

    EXPECT_EQ(0u, Pack("list " + Quote(strPatch)));
    EXPECT_EQ(0u, Pack("verify " + Quote(strPatch) + src.List()));

    std::string strExtract = out / "FL132Ext";
    ProcessResult r = RunProcess(strPatch, Quote(strPatch) + " " + Quote(strExtract) + " " +
                                               Quote(out / "extract.log"));
    ASSERT_TRUE(r.bFinished);
    EXPECT_EQ(1u, r.dwExitCode) << ReadFileBytes(out / "extract.log");
    for (size_t i = 0; i < src.names.size(); ++i)
        EXPECT_EQ(src.contents[i], ReadFileBytes(strExtract + "\\" + src.names[i])) << src.names[i];
    // The unpacked program itself carries no payload.
    ProcessResult plain = RunProcess(Base(), Quote(Base()) + " " + Quote(out / "plain"));
    ASSERT_TRUE(plain.bFinished);
    EXPECT_EQ(0u, plain.dwExitCode);
}

TEST(SfxPack, VerifyFindsEveryDifference)
{
    CSourceFiles src;
    CTestDir out;
    std::string strPatch = out / "patch.exe";
    ASSERT_EQ(0u, Pack("create " + Quote(Base()) + " " + Quote(strPatch) + src.List()));
    ASSERT_TRUE(WriteFileBytes(out / "empty.txt", "not empty"));
    ASSERT_TRUE(WriteFileBytes(out / "extra.txt", "x"));
    std::string strAllButOne;
    for (size_t i = 1; i < src.names.size(); ++i)
        strAllButOne += " " + Quote(src.dir / src.names[i]);
    struct Case {
        const char *pszWhat;
        std::string strFiles;
    } cases[] = {
        {"a member not given", strAllButOne},
        {"a file not in the payload", src.List() + " " + Quote(out / "extra.txt")},
        {"different bytes", Quote(src.dir / "KsUpdate.dll") + " " + Quote(out / "empty.txt") +
                                strAllButOne.substr(strAllButOne.find(" ", 1))},
    };
    for (const Case &c : cases)
        EXPECT_NE(0u, Pack("verify " + Quote(strPatch) + c.strFiles)) << c.pszWhat;
    EXPECT_NE(0u, Pack("verify " + Quote(Base()) + src.List()));  // no payload at all
    EXPECT_NE(0u, Pack("list " + Quote(Base())));
}

TEST(SfxPack, RefusalsLeaveNoPatchBehind)
{
    CSourceFiles src;
    CTestDir out;
    ASSERT_TRUE(CreateTree(out / "other"));
    ASSERT_TRUE(WriteFileBytes(out / "other\\KSUPDATE.DLL", "same name"));
    std::string strPatch = out / "patch.exe";
    ASSERT_TRUE(WriteFileBytes(strPatch, "previous patch"));
    struct Case {
        const char *pszWhat;
        std::string strArguments;
    } cases[] = {
        {"duplicate name", "create " + Quote(Base()) + " " + Quote(strPatch) + src.List() + " " +
                               Quote(out / "other\\KSUPDATE.DLL")},
        {"missing member", "create " + Quote(Base()) + " " + Quote(strPatch) + src.List() + " " +
                               Quote(out / "missing.dll")},
        {"missing base", "create " + Quote(out / "nobase.exe") + " " + Quote(strPatch) + src.List()},
        {"no members", "create " + Quote(Base()) + " " + Quote(strPatch)},
        {"unknown command", "pack " + Quote(strPatch)},
        {"list without a file", "list"},
        {"nothing at all", ""},
    };
    for (const Case &c : cases) {
        EXPECT_NE(0u, Pack(c.strArguments)) << c.pszWhat;
        EXPECT_EQ("previous patch", ReadFileBytes(strPatch)) << c.pszWhat;
        EXPECT_FALSE(FileExists(strPatch + ".sfxpack-tmp")) << c.pszWhat;
    }
    EXPECT_EQ(0u, Pack("--help"));
}
