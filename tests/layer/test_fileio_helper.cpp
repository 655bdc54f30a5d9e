// A child process for the file tests: holds a file open, or tries an open.
//   hold PATH ACCESS SHARE READYFILE  opens the file (OPEN_ALWAYS) and keeps it
//                                     open until killed (at most a minute);
//                                     READYFILE gets the open's error code
//   open PATH ACCESS SHARE            the exit code is 0 or the open's error
//   create PATH                       makes a new empty file; exit code as open
//   move FROM TO                      MoveFileA; the exit code is 0 or its error
// ACCESS and SHARE are numbers (0x.. allowed).
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

int main(int argc, char **argv)
{
    if (argc == 3 && strcmp(argv[1], "create") == 0) {
        HANDLE h = CreateFileA(argv[2], GENERIC_WRITE, 0, NULL, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, NULL);
        if (h == INVALID_HANDLE_VALUE)
            return (int)GetLastError();
        CloseHandle(h);
        return 0;
    }
    if (argc == 4 && strcmp(argv[1], "move") == 0)
        return MoveFileA(argv[2], argv[3]) ? 0 : (int)GetLastError();
    if (argc < 5)
        return 100;
    DWORD dwAccess = (DWORD)strtoul(argv[3], NULL, 0);
    DWORD dwShare = (DWORD)strtoul(argv[4], NULL, 0);
    bool bHold = strcmp(argv[1], "hold") == 0;
    if (bHold && argc < 6)
        return 100;
    HANDLE h = CreateFileA(argv[2], dwAccess, dwShare, NULL, bHold ? OPEN_ALWAYS : OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, NULL);
    DWORD dwError = h == INVALID_HANDLE_VALUE ? GetLastError() : 0;
    if (!bHold) {
        if (h != INVALID_HANDLE_VALUE)
            CloseHandle(h);
        return (int)dwError;
    }
    // Written aside and renamed, so that the file appears with its contents.
    std::string strTemp = std::string(argv[5]) + ".tmp";
    FILE *pReady = fopen(strTemp.c_str(), "wb");
    if (pReady) {
        fprintf(pReady, "%lu", (unsigned long)dwError);
        fclose(pReady);
        MoveFileA(strTemp.c_str(), argv[5]);
    }
    for (int i = 0; i < 600; ++i)
        Sleep(100);
    return 0;
}
