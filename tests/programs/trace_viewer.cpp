// Stands in for a trace viewer: a top-level window of class "ZovTraceWindow"
// that stores what each WM_COPYDATA brings.
//
//   trace_viewer.exe out=FILE [life=MS]
//
// Each message appends to FILE the line "copydata <dwData in hex> <cbData>
// <text length>\n", then the bytes before the first zero of the data (the
// text), then "\n".
#include "window_program.h"

#include <string.h>

namespace {

const char kViewerClass[] = "ZovTraceWindow";
const UINT_PTR kLifetimeTimer = 1;
const DWORD kDefaultLifetimeMs = 120000;

std::string gstrOut;

void StoreCopyData(const COPYDATASTRUCT *pCds)
{
    size_t nText = 0;
    const char *pData = static_cast<const char *>(pCds->lpData);
    while (pData && nText < pCds->cbData && pData[nText])
        ++nText;
    char szHeader[96];
    snprintf(szHeader, sizeof szHeader, "copydata %lx %lu %lu\n", (unsigned long)pCds->dwData,
             (unsigned long)pCds->cbData, (unsigned long)nText);
    AppendToFile(gstrOut, szHeader + std::string(pData ? pData : "", nText) + "\n");
}

LRESULT CALLBACK ViewerWindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    switch (uMsg) {
    case WM_COPYDATA:
        if (lParam)
            StoreCopyData(reinterpret_cast<const COPYDATASTRUCT *>(lParam));
        return TRUE;
    case WM_TIMER:
        DestroyWindow(hWnd);
        return 0;
    default:
        return ProgramWindowDefault(hWnd, uMsg, wParam, lParam);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR lpCmdLine, int)
{
    CProgramOptions options(lpCmdLine);
    gstrOut = options.Get("out", OwnDirectory() + "trace_viewer.txt");
    if (!CreateProgramWindow(hInstance, kViewerClass, ViewerWindowProc, kLifetimeTimer,
                             options.GetMs("life", kDefaultLifetimeMs)))
        return 1;
    return MessageLoop();
}
