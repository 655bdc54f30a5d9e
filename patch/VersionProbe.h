// Whether the installed update component needs this patch.
#pragma once

#include <windows.h>

// Major, minor and build of a file's file version (the revision is not
// read). 1 when the file has a version resource whose root block yields the
// fixed file information; 0 otherwise, with the outputs left untouched.
int GetFileVersionNumbers(const char *pszFileName, DWORD *pdwMajor, DWORD *pdwMinor, DWORD *pdwBuild);

// 1 as soon as one installed "KsUpdate.dll" of the probe list lies in the
// version window 1.25 to 1.31; 0 when none does, and for a null master
// directory. The portal rows are probed only when bHttpBase is nonzero.
int IsUpdateNeeded(const char *pszMasterDir, int bHttpBase);
