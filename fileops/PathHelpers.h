// Locating the running executable, joining paths and creating directory paths.
// Every path buffer is the caller's, of MAX_PATH + 1 bytes.
#pragma once

#include <windows.h>

// Drive and directory of the running executable, ending with a backslash.
// 0, or the Win32 error of the module-name query (ERROR_INSUFFICIENT_BUFFER
// when the executable's path does not fit; the buffer is then left empty).
DWORD GetModuleDir(char *pszDir, int nSize);

// File name and extension of the running executable; results as GetModuleDir.
DWORD GetModuleFileTitle(char *pszTitle, int nSize);

// Joins pszBase and pszName with exactly one backslash, into pszOut, or in
// place into pszBase when pszOut is null. 1 when joined; 0 when the base is
// empty or the joined path would be longer than MAX_PATH characters, and then
// nothing is appended (pszOut is left empty).
int PathAppendName(char *pszBase, const char *pszName, char *pszOut);

// Creates every missing level of an absolute directory path (drive or UNC).
// 0 when the path exists or was created; 3 for a null path; 8 for an empty
// path or one longer than MAX_PATH; else the first CreateDirectoryA error
// other than ERROR_ALREADY_EXISTS.
DWORD MakeDirectoryPath(const char *pszPath);
