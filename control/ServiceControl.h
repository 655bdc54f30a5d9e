// Stopping and starting a service, and the product's master service, through
// the service control manager.
#pragma once

#include <windows.h>

// Starts pszService on pszMachine (null: this machine) and polls its state once
// a second, at most 91 times, until it runs. 0 when it runs at the end (also
// when it was already running), 1053 when it never got there, otherwise the
// Win32 code of the failing step.
DWORD StartServiceByName(const char *pszMachine, const char *pszService);

// Sends pszService the stop control and polls its state once a second, at most
// 91 times, while it is stop-pending. 0 when it is stopped at the end (also
// when it was not running), 1053 when it is not, otherwise the Win32 code of
// the failing step.
DWORD StopServiceByName(const char *pszMachine, const char *pszService);

// 1 when the master service was stopped (or was not running), 0 otherwise.
// A null master directory touches no service.
int StopMasterService(const char *pszMasterDir);

// 1 when the master service was started (or was already running), 0 otherwise.
// A null master directory touches no service.
int StartMasterService(const char *pszMasterDir);
