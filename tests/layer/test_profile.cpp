// Private profile files as the product reads and writes them.
#include <gtest/gtest.h>

#include "TestSupport.h"

namespace {

std::string Get(const std::string &strFile, const char *pszSection, const char *pszKey,
                const char *pszDefault = "dflt")
{
    char sz[256] = {0};
    GetPrivateProfileStringA(pszSection, pszKey, pszDefault, sz, sizeof sz, strFile.c_str());
    return sz;
}

TEST(LayerProfile, ReadsIgnoreCaseAndSurroundingBlanks)
{
    CTestDir dir;
    std::string strIni = dir / "gdpost.ini";
    ASSERT_TRUE(WriteFileBytes(strIni, "[Other]\r\nSetupType=9\r\n"
                                       "[ INI_SERVER_SECTION ]\r\n"
                                       "  SetupType =  1  \r\n"
                                       "Name=\"quoted value\"\r\n"
                                       "Empty=\r\n"
                                       "Word=abc\r\n"
                                       "Lead=12abc\r\n"));
    EXPECT_EQ(GetPrivateProfileIntA("ini_server_section", "SETUPTYPE", 2, strIni.c_str()), 1u);
    EXPECT_EQ(GetPrivateProfileIntA("Other", "SetupType", 2, strIni.c_str()), 9u);
    EXPECT_EQ(GetPrivateProfileIntA("INI_SERVER_SECTION", "Missing", 2, strIni.c_str()), 2u);
    EXPECT_EQ(GetPrivateProfileIntA("No Section", "SetupType", 2, strIni.c_str()), 2u);
    EXPECT_EQ(GetPrivateProfileIntA("INI_SERVER_SECTION", "Word", 2, strIni.c_str()), 0u);
    EXPECT_EQ(GetPrivateProfileIntA("INI_SERVER_SECTION", "Lead", 2, strIni.c_str()), 12u);
    EXPECT_EQ(GetPrivateProfileIntA("INI_SERVER_SECTION", "Empty", 2, strIni.c_str()), 2u)
        << "an empty value reads as the default";
    EXPECT_EQ(Get(strIni, "INI_SERVER_SECTION", "name"), "quoted value");
    EXPECT_EQ(Get(strIni, "INI_SERVER_SECTION", "Empty"), "");
    EXPECT_EQ(Get(strIni, "INI_SERVER_SECTION", "None"), "dflt");
    EXPECT_EQ(GetPrivateProfileIntA("INI_SERVER_SECTION", "SetupType", 2, (dir / "none.ini").c_str()),
              2u);
}

TEST(LayerProfile, WriteCreatesTheFileAndReadsBack)
{
    CTestDir dir;
    std::string strIni = dir / "GDPX_PATCH.ini";
    EXPECT_TRUE(WritePrivateProfileStringA("P_FL132.exe", "Result", "1", strIni.c_str()));
    EXPECT_EQ(Get(strIni, "P_FL132.exe", "Result"), "1");
    EXPECT_EQ(ReadFileBytes(strIni), "[P_FL132.exe]\r\nResult=1\r\n");
    EXPECT_FALSE(WritePrivateProfileStringA("S", "K", "V", (dir / "missing\\x.ini").c_str()));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_PATH_NOT_FOUND);
}

TEST(LayerProfile, WriteChangesOnlyItsKeyAndKeepsEverythingElse)
{
    CTestDir dir;
    std::string strIni = dir / "GDPX_PATCH.ini";
    const std::string strBefore = "[First]\r\nA=1\r\nB=2\r\n[P_FL132.exe]\r\nResult=0\r\nOther=x\r\n";
    ASSERT_TRUE(WriteFileBytes(strIni, strBefore));
    EXPECT_TRUE(WritePrivateProfileStringA("p_fl132.EXE", "result", "1", strIni.c_str()));
    EXPECT_EQ(ReadFileBytes(strIni), "[First]\r\nA=1\r\nB=2\r\n[P_FL132.exe]\r\nResult=1\r\nOther=x\r\n");

    EXPECT_TRUE(WritePrivateProfileStringA("First", "C", "3", strIni.c_str()));
    EXPECT_EQ(Get(strIni, "First", "C"), "3");
    EXPECT_EQ(Get(strIni, "First", "A"), "1");
    EXPECT_EQ(Get(strIni, "P_FL132.exe", "Other"), "x");

    EXPECT_TRUE(WritePrivateProfileStringA("Renamed.exe", "Result", "0", strIni.c_str()));
    EXPECT_EQ(Get(strIni, "Renamed.exe", "Result"), "0");
    EXPECT_EQ(Get(strIni, "P_FL132.exe", "Result"), "1");
    std::string strAfter = ReadFileBytes(strIni);
    EXPECT_EQ(strAfter.find("[First]\r\nA=1\r\nB=2\r\nC=3\r\n"), 0u) << strAfter;
    EXPECT_NE(strAfter.find("[Renamed.exe]\r\nResult=0\r\n"), std::string::npos) << strAfter;
}

}  // namespace
