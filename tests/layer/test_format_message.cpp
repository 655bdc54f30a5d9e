#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace {

TEST(LayerFormatMessage, SystemTextsEndWithCrLfAndUnknownCodesFail)
{
    for (DWORD dwCode : {2u, 3u, 5u, 32u, 183u}) {
        char *psz = NULL;
        DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS |
                                     FORMAT_MESSAGE_ALLOCATE_BUFFER,
                                 NULL, dwCode, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                                 (LPSTR)&psz, 0, NULL);
        ASSERT_GT(n, 2u) << dwCode;
        ASSERT_NE(psz, nullptr);
        EXPECT_EQ(strlen(psz), n);
        EXPECT_EQ(std::string(psz + n - 2), "\r\n") << dwCode;
        LocalFree(psz);
    }
    char *psz = NULL;
    EXPECT_EQ(FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS |
                                 FORMAT_MESSAGE_ALLOCATE_BUFFER,
                             NULL, 0xFFFFFFFF, 0x400, (LPSTR)&psz, 0, NULL),
              0u);
    EXPECT_EQ(psz, nullptr);
}

}  // namespace
