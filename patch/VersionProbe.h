// Whether the installed update component needs this patch.
#pragma once

// 1 when an installed "KsUpdate.dll" lies in the version window 1.25 to 1.31,
// 0 when none does (also for a null master directory).
int IsUpdateNeeded(const char *pszMasterDir, int bHttpBase);
