#include "AdminControl.h"

int gbAdminClosed = 0;
DWORD gdwAdminWaitInterval = 2000;
int gnAdminWaitCount = 300;

// Console control is not built yet: both operations report failure and the
// console is never taken for closed.
int StopAdmin() { return 0; }

int StartAdmin(const char *) { return 0; }
