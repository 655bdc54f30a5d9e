#include <gtest/gtest.h>

#include <mbctype.h>

#include <string>

#include "CommonException.h"
#include "WinFileException.h"

namespace {

// The system's own description of a code, as FormatMessageA gives it.
std::string SystemText(DWORD dwCode)
{
    char *psz = NULL;
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS |
                                 FORMAT_MESSAGE_ALLOCATE_BUFFER,
                             NULL, dwCode, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), (LPSTR)&psz, 0,
                             NULL);
    std::string str = n ? std::string(psz, n) : std::string();
    if (psz)
        LocalFree(psz);
    return str;
}

TEST(CommonException, TextJoinsNameCodeAndSystemDescription)
{
    CWinFileException e(5);
    std::string strSystem = SystemText(5);
    ASSERT_FALSE(strSystem.empty());
    EXPECT_EQ(std::string(e.GetErrorMessage()),
              "CWinFileException : Error : 5, Description : " + strSystem + "\n");
    EXPECT_EQ(e.GetErrorCode(), 5u);
}

TEST(CommonException, NullNameAndUnknownCode)
{
    CCommonException e(0xFFFFFFFF, NULL);
    EXPECT_STREQ(e.GetErrorMessage(), "CCommonException: : Error : -1, Description : (null)\n");
}

TEST(CommonException, NameIsCutTo255BytesWithoutSplittingADoubleByteCharacter)
{
    std::string strName(300, 'n');
    CCommonException e(2, strName.c_str());
    std::string strText = e.GetErrorMessage();
    EXPECT_EQ(strText.find(" : Error : 2,"), 255u);

    ASSERT_EQ(_setmbcp(932), 0);
    std::string strDbcs(254, 'd');
    strDbcs += "\x83\x41";  // a double-byte character across the limit
    CCommonException eDbcs(2, strDbcs.c_str());
    std::string strDbcsText = eDbcs.GetErrorMessage();
    _setmbcp(_MB_CP_ANSI);
    EXPECT_EQ(strDbcsText.find(" : Error : 2,"), 254u);
}

TEST(CommonException, EveryCallRebuildsTheTextInANewBuffer)
{
    CWinFileException e(2);
    std::string strFirst = e.GetErrorMessage();
    std::string strSecond = e.GetErrorMessage();
    EXPECT_EQ(strFirst, strSecond);
}

TEST(CommonException, CopiesOwnTheirOwnText)
{
    CWinFileException original(3);
    const char *pszOriginal = original.GetErrorMessage();
    ASSERT_NE(pszOriginal, nullptr);
    {
        CWinFileException copy(original);
        const char *pszCopy = copy.GetErrorMessage();
        ASSERT_NE(pszCopy, nullptr);
        EXPECT_NE(pszCopy, pszOriginal);
        EXPECT_STREQ(pszCopy, pszOriginal);
        CCommonException assigned(9, "other");
        assigned.GetErrorMessage();
        assigned = original;
        EXPECT_EQ(assigned.GetErrorCode(), 3u);
        EXPECT_STREQ(assigned.GetErrorMessage(), pszOriginal);
    }
    // The copies are gone; the original's buffer is still its own.
    EXPECT_NE(std::string(pszOriginal).find("Error : 3,"), std::string::npos);
}

TEST(CommonException, ThrownByValueCaughtByBaseReference)
{
    try {
        throw CWinFileException(87);
    } catch (CCommonException &e) {
        EXPECT_EQ(e.GetErrorCode(), 87u);
        EXPECT_EQ(std::string(e.GetErrorMessage()).find("CWinFileException : Error : 87, "), 0u);
    }
}

}  // namespace
