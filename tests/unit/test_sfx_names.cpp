// The member names that extraction accepts.
#include <gtest/gtest.h>

#include "SfxNames.h"

TEST(SfxNames, PlainFileNamesOnly)
{
    struct Case {
        const char *pszName;
        int nPlain;
    } cases[] = {
        {"KsUpdate.dll", 1}, {"a", 1}, {".profile", 1}, {"a.b.c", 1}, {"with blank.txt", 1},
        {"CONSOLE", 1}, {"COM10", 1}, {"LPTX", 1}, {"NULL.txt", 1}, {"\xE4\xF6.txt", 1},
        {nullptr, 0}, {"", 0}, {".", 0}, {"..", 0}, {"a.", 0}, {"a ", 0},
        {"..\\x", 0}, {"a/b", 0}, {"c:x", 0}, {"x:y", 0}, {"a\x7f", 1}, {"a\x1f", 0},
        {"con", 0}, {"Con.txt", 0}, {"prn", 0}, {"aux.a.b", 0}, {"NUL", 0}, {"nul  .x", 0},
        {"COM0", 0}, {"com1", 0}, {"COM9.dll", 0}, {"LPT0", 0}, {"lpt9", 0}, {"COM\xB9", 0},
    };
    for (const Case &c : cases)
        EXPECT_EQ(c.nPlain, IsPlainMemberName(c.pszName)) << (c.pszName ? c.pszName : "(null)");
}
