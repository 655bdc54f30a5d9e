// Stopping and starting the product's master service through the service
// control manager.
#pragma once

// 1 when the master service was stopped (or was not running), 0 otherwise.
int StopMasterService(const char *pszMasterDir);

// 1 when the master service was started (or was already running), 0 otherwise.
int StartMasterService(const char *pszMasterDir);
