// The Microsoft C runtime extras that the product calls, with their documented
// semantics, for the Linux build. Included by windows.h.
#pragma once

#include <stdarg.h>
#include <stddef.h>
#include <stdio.h>

#ifdef __cplusplus
extern "C" {
#endif

// Formatting: a cut output is not terminated and the result is -1.
int _snprintf(char *buffer, size_t count, const char *format, ...)
    __attribute__((format(printf, 3, 4)));
int _vsnprintf(char *buffer, size_t count, const char *format, va_list argptr);

int _stricmp(const char *string1, const char *string2);
int _strnicmp(const char *string1, const char *string2, size_t count);

void _splitpath(const char *path, char *drive, char *dir, char *fname, char *ext);


#ifdef __cplusplus
}
#endif

// fopen itself is the layer's (crt_stdio.cpp): it takes Windows paths, and
// text mode (no 'b' in the mode) writes "\n" as "\r\n" and reads it back.
