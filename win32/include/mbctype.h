// <mbctype.h> of the Microsoft C runtime: the multibyte code page of the runtime.
#pragma once

#define _MB_CP_SBCS 0
#define _MB_CP_ANSI (-3)

#ifdef __cplusplus
extern "C" {
#endif

// The layer's runtime starts with the ANSI code page, single-byte unless the
// environment variable W32_ACP names 932. _setmbcp switches it for this process.
int _setmbcp(int codepage);
int _getmbcp(void);
int _ismbblead(unsigned int c);
int _ismbbtrail(unsigned int c);

#ifdef __cplusplus
}
#endif
