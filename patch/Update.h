// The update procedures: unpack, stop, copy into every component directory, restart.
#pragma once

// 1 when the update succeeded, 0 when it failed.
int Update(const char *pszMasterDir, int bHttpBase);
