// Stands in for the product's administration console: a top-level window of
// class "KestrelGuardpostAdmin" whose behaviour a test chooses.
//
//   console.exe [log=FILE] [onclose=close|ignore|die] [closeafter=MS] [dieafter=MS] [life=MS]
//
// "die" ends the process inside its WM_CLOSE handler, and dieafter ends it
// after a time, both without destroying the window: a console that crashes.
// With no words on its command line (as the patch starts it) it reads them
// from "standin.cfg" beside itself. It appends "start <pid>" to the log when
// its window is up, "close" for every WM_CLOSE, and "exit" when it ends; the
// log is "console_events.log" beside itself unless given.
#include "window_program.h"

#include <stdlib.h>

namespace {

const char kAdminWindowClass[] = "KestrelGuardpostAdmin";
const UINT_PTR kCloseTimer = 1;
const UINT_PTR kLifetimeTimer = 2;
const DWORD kDefaultLifetimeMs = 120000;

const UINT_PTR kDieTimer = 3;
const int kDiedExitCode = 3;

std::string gstrLog;
std::string gstrOnClose;

LRESULT CALLBACK AdminWindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    switch (uMsg) {
    case WM_CLOSE:
        AppendToFile(gstrLog, "close\n");
        if (gstrOnClose == "die")
            exit(kDiedExitCode);
        if (gstrOnClose != "ignore")
            DestroyWindow(hWnd);
        return 0;
    case WM_TIMER:
        if (wParam == kDieTimer)
            exit(kDiedExitCode);
        KillTimer(hWnd, wParam);
        DestroyWindow(hWnd);
        return 0;
    default:
        return ProgramWindowDefault(hWnd, uMsg, wParam, lParam);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR lpCmdLine, int)
{
    std::string strDir = OwnDirectory();
    CProgramOptions options(lpCmdLine);
    if (options.Empty()) {
        std::string strConfig = strDir + "standin.cfg";
        char szLine[1024] = {0};
        if (FILE *pFile = fopen(strConfig.c_str(), "rb")) {
            size_t n = fread(szLine, 1, sizeof szLine - 1, pFile);
            szLine[n] = 0;
            fclose(pFile);
        }
        options = CProgramOptions(szLine);
    }
    gstrLog = options.Get("log", strDir + "console_events.log");
    gstrOnClose = options.Get("onclose", "close");

    HWND hWnd = CreateProgramWindow(hInstance, kAdminWindowClass, AdminWindowProc, kLifetimeTimer,
                                    options.GetMs("life", kDefaultLifetimeMs));
    if (!hWnd) {
        AppendToFile(gstrLog, "failed " + std::to_string(GetLastError()) + "\n");
        return 1;
    }
    if (DWORD dwCloseAfter = options.GetMs("closeafter", 0))
        SetTimer(hWnd, kCloseTimer, dwCloseAfter, NULL);
    if (DWORD dwDieAfter = options.GetMs("dieafter", 0))
        SetTimer(hWnd, kDieTimer, dwDieAfter, NULL);
    AppendToFile(gstrLog, "start " + std::to_string(GetCurrentProcessId()) + "\n");
    int nResult = MessageLoop();
    AppendToFile(gstrLog, "exit\n");
    return nResult;
}
