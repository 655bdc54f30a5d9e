// <mbstring.h> of the Microsoft C runtime: multibyte strings in the runtime's
// code page (see mbctype.h).
#pragma once

#include <stddef.h>
#include <mbctype.h>

#ifdef __cplusplus
extern "C" {
#endif

unsigned char *_mbstok(unsigned char *strToken, const unsigned char *strDelimit);
unsigned char *_mbsnbcpy(unsigned char *strDest, const unsigned char *strSource, size_t count);
int _mbsicmp(const unsigned char *string1, const unsigned char *string2);
size_t _mbslen(const unsigned char *str);

#ifdef __cplusplus
}
#endif
