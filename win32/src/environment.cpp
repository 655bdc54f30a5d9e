#include "w32_internal.h"

extern "C" DWORD WINAPI GetEnvironmentVariableA(LPCSTR lpName, LPSTR lpBuffer, DWORD nSize)
{
    const char *psz = lpName ? getenv(lpName) : nullptr;
    if (!psz) {
        SetLastError(203);  // ERROR_ENVVAR_NOT_FOUND
        return 0;
    }
    size_t n = strlen(psz);
    if (n + 1 > nSize)
        return (DWORD)n + 1;
    memcpy(lpBuffer, psz, n + 1);
    return (DWORD)n;
}

extern "C" BOOL WINAPI SetEnvironmentVariableA(LPCSTR lpName, LPCSTR lpValue)
{
    if (!lpName || !*lpName || strchr(lpName, '=')) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    int n = lpValue ? setenv(lpName, lpValue, 1) : unsetenv(lpName);
    return n == 0;
}
