// Closing and relaunching the product's administration console.
#pragma once

#include <windows.h>

// 1 once StopAdmin has found the console window open; never cleared.
extern int gbAdminClosed;
// Milliseconds between two looks for the console window, and the number of
// looks after which one attempt closes the window itself.
extern DWORD gdwAdminWaitInterval;
extern int gnAdminWaitCount;

// 1 when no console window is open any more, 0 when one still is.
int StopAdmin();

// 1 when the console process was started, 0 otherwise.
int StartAdmin(const char *pszMasterDir);
