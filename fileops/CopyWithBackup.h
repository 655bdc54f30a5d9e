// Copying the files that match a pattern into a directory, keeping a backup of
// each file replaced and moving it back when its copy fails.
#pragma once

#include <windows.h>

// 0 when every match was copied (or skipped: directories, "." and ".."); 2 for
// a null pattern; 3 for a null target; else the Win32 error of the step that
// failed, which ends the copy. pszBackupPath null: no backups.
DWORD MyCopyFiles(const char *pszFileName, const char *pszNewFilePath, const char *pszBackupPath);
