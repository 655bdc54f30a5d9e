// The patch's entry point: the command line becomes a two-entry argument
// vector, and the exit code is 0 whatever the run did (the outcome is in the
// result record and the log).
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include "PatchRun.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR lpCmdLine, int)
{
    char szArg0[MAX_PATH + 1] = {0};
    char szArg1[MAX_PATH + 1] = {0};
    _snprintf(szArg1, MAX_PATH, "%s", "NoRestart");
    char *argv[2] = {szArg0, szArg1};
    // Case-sensitive, anywhere in the text: "/NoRestart" and "xNoRestartx" count.
    int argc = (lpCmdLine && strstr(lpCmdLine, "NoRestart")) ? 2 : 1;
    RunPatch(argc, argv);
    return 0;
}
