// The update procedures: unpack, stop, copy into every component directory, restart.
#pragma once

// 1 when the update succeeded, 0 when it failed.
int Update(const char *pszMasterDir, int bHttpBase);

// The procedure of an HTTP-based server: master service stopped around the
// copy, the web rows copied while the download mutex is held.
int UpdateHttpBase(const char *pszMasterDir);

// The procedure of any other server: console closed before the copy.
int UpdateNonHttpBase(const char *pszMasterDir);
