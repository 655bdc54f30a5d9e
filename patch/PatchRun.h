// One run of the patch, from the trace set-up to the result record.
#pragma once

// Set when the command line holds the no-restart word; nothing clears it.
extern int gbNoStart;

// 1 when the patch was applied or was not needed, 0 when the run failed.
int RunPatch(int argc, char *argv[]);

// Writes Result=<nResult> into the section of this executable in
// "GDPX_PATCH.ini" beside it; every failure is ignored.
void WriteResult(int nResult);
