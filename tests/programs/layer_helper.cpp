// A child process for the layer conformance tests: one action per run, chosen
// by the first argument; the result is the exit code or a file it writes.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

void WriteText(const char *pszPath, const char *pszText)
{
    FILE *pFile = fopen(pszPath, "wb");
    if (pFile) {
        fputs(pszText, pFile);
        fclose(pFile);
    }
}

int RunAction(int argc, char **argv);

}  // namespace

// "-o FILE" first: the result is also written to FILE as a decimal number,
// since a Linux exit status keeps only its low 8 bits.
int main(int argc, char **argv)
{
    const char *pszOut = NULL;
    if (argc > 2 && strcmp(argv[1], "-o") == 0) {
        pszOut = argv[2];
        argc -= 2;
        argv += 2;
    }
    int nResult = RunAction(argc, argv);
    if (pszOut) {
        char sz[32];
        snprintf(sz, sizeof sz, "%d", nResult);
        WriteText(pszOut, sz);
    }
    return nResult;
}

namespace {

int RunAction(int argc, char **argv)
{
    if (argc < 2)
        return 100;
    const char *pszAction = argv[1];
    if (strcmp(pszAction, "exit") == 0 && argc > 2)
        return atoi(argv[2]);
    if (strcmp(pszAction, "sleep") == 0 && argc > 2) {
        Sleep((DWORD)atoi(argv[2]));
        return 0;
    }
    if (strcmp(pszAction, "cmdline") == 0 && argc > 2) {
        WriteText(argv[2], GetCommandLineA());
        return 0;
    }
    // mutex-hold NAME READYFILE: owns the mutex until killed (at most a minute).
    if (strcmp(pszAction, "mutex-hold") == 0 && argc > 3) {
        HANDLE h = CreateMutexA(NULL, TRUE, argv[2]);
        char szError[32];
        snprintf(szError, sizeof szError, "%lu", (unsigned long)GetLastError());
        WriteText(argv[3], h ? szError : "failed");
        for (int i = 0; i < 600; ++i)
            Sleep(100);
        return 0;
    }
    // mutex-open NAME: GetLastError of CreateMutexA without ownership.
    if (strcmp(pszAction, "mutex-open") == 0 && argc > 2) {
        HANDLE h = CreateMutexA(NULL, FALSE, argv[2]);
        return h ? (int)GetLastError() : 101;
    }
    // mutex-wait NAME MS: the result of WaitForSingleObject.
    if (strcmp(pszAction, "mutex-wait") == 0 && argc > 3) {
        HANDLE h = CreateMutexA(NULL, FALSE, argv[2]);
        if (!h)
            return 101;
        return (int)WaitForSingleObject(h, (DWORD)atoi(argv[3]));
    }
    // mutex-release NAME: GetLastError of ReleaseMutex on a mutex not owned.
    if (strcmp(pszAction, "mutex-release") == 0 && argc > 2) {
        HANDLE h = CreateMutexA(NULL, FALSE, argv[2]);
        if (!h)
            return 101;
        return ReleaseMutex(h) ? 0 : (int)GetLastError();
    }
    return 100;
}

}  // namespace
